#include "app/PressLog.h"

#include "app/Resource.h"
#include "platform/Constants.h"

using namespace win;

namespace {

// The settings file's folder with `name` in place of its file name.
std::u16string BesideSettings(const std::u16string& settingsPath, const char16_t* name) {
    const std::size_t slash = settingsPath.find_last_of(u"\\/");
    if (slash == std::u16string::npos) return std::u16string();
    return settingsPath.substr(0, slash + 1) + name;
}

// Appending only: every write lands at the end, wherever another program
// has moved the file's end meanwhile. Others may read it while it is open.
bool OpenLogFile(PressLog& log) {
    log.file = Win().CreateFileW(log.path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log.file == InvalidHandleValue()) return false;
    LARGE_INTEGER size{};
    if (!Win().GetFileSizeEx(log.file, &size) || size.QuadPart < 0) {
        Win().CloseHandle(log.file);
        log.file = InvalidHandleValue();
        return false;
    }
    log.size = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

void CloseLogFile(PressLog& log) {
    if (log.file != InvalidHandleValue()) Win().CloseHandle(log.file);
    log.file = InvalidHandleValue();
}

void StopAndTell(PressLog& log, const TrayIcon& tray) {
    StopPressLog(log);
    ShowTrayBalloon(tray, IDS_LOG_FAILED_TITLE, IDS_LOG_FAILED);
}

// The current file becomes the older one (replacing the one before) and a
// new file starts; the file is closed first, as it cannot move while open.
// Nor can it move while a reader holds it open without delete sharing, as
// one that shows the log live does: then the log goes on in the same file,
// which the reader goes on showing, and each line past the limit tries
// again, so the log rolls over once the reader lets go. False when the log
// cannot go on.
bool RollOver(PressLog& log) {
    CloseLogFile(log);
    if (!Win().MoveFileExW(log.path.c_str(), log.oldPath.c_str(), MOVEFILE_REPLACE_EXISTING) &&
        Win().GetLastError() != ERROR_SHARING_VIOLATION)
        return false;
    return OpenLogFile(log);
}

}  // namespace

std::uint32_t StartPressLog(PressLog& log, const SettingsFile& settings, const TrayIcon& tray) {
    log = PressLog{false, {}, {}, InvalidHandleValue(), 0};
    if (settings.path.empty()) return 0;
    const std::uint32_t wanted = ReadSetting(settings, kLogKey);
    if (wanted != 1) return wanted;
    log.on = true;
    log.path = BesideSettings(settings.path, kPressLogFileName);
    log.oldPath = BesideSettings(settings.path, kOldPressLogFileName);
    if (log.path.empty() || !OpenLogFile(log)) StopAndTell(log, tray);
    return wanted;
}

namespace {

void AppendLine(PressLog& log, const TrayIcon& tray, const char* line, std::size_t length) {
    if (log.size > 0 && log.size + length > kPressLogLimit && !RollOver(log)) return StopAndTell(log, tray);
    DWORD written = 0;
    if (!Win().WriteFile(log.file, line, static_cast<DWORD>(length), &written, nullptr) || written != length)
        return StopAndTell(log, tray);
    log.size += written;
}

}  // namespace

void LogPress(PressLog& log, const TrayIcon& tray, const PressEvent& event) {
    if (!log.on) return;
    SYSTEMTIME now{};
    Win().GetLocalTime(&now);
    char line[kPressLineCapacity];
    AppendLine(log, tray, line, FormatPressLine(now, event, line, sizeof(line)));
}

void LogUnusableHoldTime(PressLog& log, const TrayIcon& tray, const std::u16string& written, std::uint32_t used) {
    if (!log.on) return;
    SYSTEMTIME now{};
    Win().GetLocalTime(&now);
    char line[kPressLineCapacity];
    AppendLine(log, tray, line, FormatHoldTimeLine(now, written, used, line, sizeof(line)));
}

void LogUnusableOsd(PressLog& log, const TrayIcon& tray, const std::u16string& written, std::uint32_t used) {
    if (!log.on) return;
    SYSTEMTIME now{};
    Win().GetLocalTime(&now);
    char line[kPressLineCapacity];
    AppendLine(log, tray, line, FormatOsdLine(now, written, used, line, sizeof(line)));
}

void StopPressLog(PressLog& log) {
    if (!log.on) return;
    CloseLogFile(log);
    log = PressLog{false, {}, {}, InvalidHandleValue(), 0};
}
