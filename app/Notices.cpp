#include "app/Notices.h"

#include <algorithm>

#include "app/MessageText.h"
#include "app/Resource.h"
#include "delivery/ButtonMapChoice.h"

using namespace win;

void TellFirstStart(const TrayIcon& tray) { ShowTrayBalloon(tray, IDS_FIRST_START_TITLE, IDS_FIRST_START, NIIF_INFO); }

void TellAlreadyRunning(Notices& notices, const TrayIcon& tray) {
    const DWORD now = Win().GetTickCount();
    // Unsigned, so the count's wrap after 49.7 days reads as a short time.
    if (notices.runningTold && now - notices.runningToldAt < kShowRunningPause) return;
    notices.runningTold = true;
    notices.runningToldAt = now;
    ShowTrayBalloon(tray, IDS_ALREADY_RUNNING_TITLE, IDS_ALREADY_RUNNING, NIIF_INFO);
}

void TellReceiverMissing(Notices& notices, TrayIcon& tray) {
    notices.tipSaysNoReceiver = true;
    ShowTrayTip(tray, IDS_TIP_NO_RECEIVER);
    ShowTrayBalloon(tray, IDS_NO_RECEIVER_TITLE, IDS_NO_RECEIVER);
}

void TellReceiverFound(Notices& notices, TrayIcon& tray) {
    if (!notices.tipSaysNoReceiver) return;
    notices.tipSaysNoReceiver = false;
    ShowTrayTip(tray, 0);
}

void TellViewerRefused(Notices& notices, const TrayIcon& tray, HWND window) {
    if (window == notices.refusalLastToldFor) return;
    notices.refusalLastToldFor = window;
    constexpr std::size_t kNameCapacity = 260;
    char16_t name[kNameCapacity] = {};
    if (ProgramFileNameOfWindow(window, name, kNameCapacity) == 0)
        Win().GetClassNameW(window, name, static_cast<int>(kNameCapacity));
    name[kNameCapacity - 1] = 0;
    std::vector<std::u16string>& told = notices.programsRefused;
    const std::u16string program(name);
    if (std::find(told.begin(), told.end(), program) != told.end()) return;
    told.push_back(program);
    const char16_t* args[] = {program.c_str()};
    char16_t text[256];
    FormatStringResource(tray.instance, IDS_VIEWER_REFUSED, args, 1, text, 256);
    ShowTrayBalloonText(tray, IDS_VIEWER_REFUSED_TITLE, text);
}

void TellSettingsConversion(Notices& notices, const TrayIcon& tray, const SettingsFile& settings,
                            SettingsConversion conversion) {
    if (conversion == kSettingsInNewFile && !notices.inNewFileTold) {
        notices.inNewFileTold = true;
        const std::u16string newFile = NewSettingsFilePath(settings);
        const char16_t* args[] = {newFile.c_str()};
        char16_t text[256];
        FormatStringResource(tray.instance, IDS_SETTINGS_IN_NEW_FILE, args, 1, text, 256);
        ShowTrayBalloonText(tray, IDS_SETTINGS_IN_NEW_FILE_TITLE, text);
        return;
    }
    if (notices.notUnicodeTold || (conversion != kSettingsNotConverted && conversion != kSettingsInUse)) return;
    notices.notUnicodeTold = true;
    ShowTrayBalloon(tray, IDS_SETTINGS_NOT_UNICODE_TITLE,
                    conversion == kSettingsInUse ? IDS_SETTINGS_IN_USE : IDS_SETTINGS_NOT_UNICODE);
}

void TellProgramNotStarted(Notices& notices, const TrayIcon& tray, const std::u16string& fileName, DWORD error) {
    std::vector<std::u16string>& told = notices.programsNotStarted;
    if (std::find(told.begin(), told.end(), fileName) != told.end()) return;
    told.push_back(fileName);
    const DecimalText code = FormatDecimal(error);
    const char16_t* args[] = {fileName.c_str(), code.text};
    char16_t text[256];
    FormatStringResource(tray.instance, IDS_PROGRAM_NOT_STARTED, args, 2, text, 256);
    ShowTrayBalloonText(tray, IDS_PROGRAM_NOT_STARTED_TITLE, text);
}
