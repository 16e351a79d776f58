#include "app/SettingsWatch.h"

#include "settings/UnicodeSettingsFile.h"

using namespace win;

void StartSettingsWatch(SettingsWatch& watch, const SettingsFile& settings) {
    watch.change = nullptr;
    watch.pending = false;
    const std::size_t slash = settings.path.find_last_of(u'\\');
    if (slash == std::u16string::npos) return;
    const std::u16string folder = settings.path.substr(0, slash + 1);
    // Names for a file made, deleted or renamed over; last write and size
    // for one written in place.
    const HANDLE change = Win().FindFirstChangeNotificationW(
        folder.c_str(), 0, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (change != InvalidHandleValue()) watch.change = change;
}

void StopSettingsWatch(SettingsWatch& watch) {
    if (watch.change) Win().FindCloseChangeNotification(watch.change);
    watch.change = nullptr;
    watch.pending = false;
}

namespace {
// Ticks until `at`, 0 once it has passed; the count's wrap after 49.7 days
// reads as a short time, as everywhere ticks are compared.
DWORD TicksUntil(DWORD at, DWORD now) {
    const DWORD left = at - now;
    return left > kSettlePause ? 0 : left;
}
}  // namespace

DWORD SettingsWatchTimeout(const SettingsWatch& watch, DWORD now) {
    return watch.pending ? TicksUntil(watch.settleAt, now) : INFINITE;
}

void NoteSettingsFolderChange(SettingsWatch& watch, DWORD now) {
    // A notification that cannot be re-armed would stay signalled and keep
    // the loop from ever waiting: such a watch ends.
    if (!Win().FindNextChangeNotification(watch.change)) {
        StopSettingsWatch(watch);
        return;
    }
    watch.pending = true;
    watch.settleAt = now + kSettlePause;
}

bool SettingsChangeSettled(SettingsWatch& watch, DWORD now) {
    if (!watch.pending || TicksUntil(watch.settleAt, now) > 0) return false;
    watch.pending = false;
    return true;
}
