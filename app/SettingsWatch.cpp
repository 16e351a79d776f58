#include "app/SettingsWatch.h"

#include "settings/UnicodeSettingsFile.h"

using namespace win;

namespace {

// Names for a file made, deleted or renamed over; last write and size for
// one written in place.
void WatchFolder(SettingsWatch& watch, DWORD now) {
    watch.pending = false;
    watch.retryAt = now + kWatchRetryPause;
    const HANDLE change = Win().FindFirstChangeNotificationW(
        watch.folder.c_str(), 0, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    watch.change = change != InvalidHandleValue() ? change : nullptr;
}

// Ticks until `at`, 0 once it has passed; the count's wrap after 49.7 days
// reads as a short time, as everywhere ticks are compared.
DWORD TicksUntil(DWORD at, DWORD now) {
    const DWORD left = at - now;
    return left > kWatchRetryPause ? 0 : left;
}

}  // namespace

void StartSettingsWatch(SettingsWatch& watch, const SettingsFile& settings) {
    watch.change = nullptr;
    watch.pending = false;
    const std::size_t slash = settings.path.find_last_of(u'\\');
    watch.folder = slash == std::u16string::npos ? std::u16string() : settings.path.substr(0, slash + 1);
    if (!watch.folder.empty()) WatchFolder(watch, Win().GetTickCount());
}

void StopSettingsWatch(SettingsWatch& watch) {
    if (watch.change) Win().FindCloseChangeNotification(watch.change);
    watch.change = nullptr;
    watch.pending = false;
    // A watch stopped for a failure is not tried again at once.
    watch.retryAt = Win().GetTickCount() + kWatchRetryPause;
}

bool RestartSettingsWatchIfDue(SettingsWatch& watch, DWORD now) {
    if (watch.change || watch.folder.empty() || TicksUntil(watch.retryAt, now) > 0) return false;
    WatchFolder(watch, now);
    return watch.change != nullptr;
}

DWORD SettingsWatchTimeout(const SettingsWatch& watch, DWORD now) {
    if (watch.pending) return TicksUntil(watch.settleAt, now);
    // A watch that failed or was lost is set up again at a wait; with no
    // message coming, the wait itself must end for it.
    if (!watch.change && !watch.folder.empty()) return TicksUntil(watch.retryAt, now);
    return INFINITE;
}

bool SettingsWatchRuns(const SettingsWatch& watch) { return watch.change || watch.folder.empty(); }

void NoteSettingsFolderChange(SettingsWatch& watch, DWORD now) {
    // A notification that cannot be re-armed would stay signalled and keep
    // the loop from ever waiting: such a watch ends.
    if (!Win().FindNextChangeNotification(watch.change)) {
        StopSettingsWatch(watch);
        return;
    }
    if (!watch.pending) watch.firstAt = now;
    watch.pending = true;
    // The pause starts again, but the change is looked at no later than
    // kLongestSettle after it began.
    watch.settleAt = TicksUntil(watch.firstAt + kLongestSettle, now) < kSettlePause ? watch.firstAt + kLongestSettle
                                                                                    : now + kSettlePause;
}

bool SettingsChangeSettled(SettingsWatch& watch, DWORD now) {
    if (!watch.pending || TicksUntil(watch.settleAt, now) > 0) return false;
    watch.pending = false;
    return true;
}
