#include "app/MainWindow.h"

#include "app/ButtonPress.h"
#include "app/MessageText.h"
#include "app/Resource.h"
#include "delivery/LockOn.h"
#include "delivery/Routing.h"
#include "delivery/ViewerClasses.h"
#include "delivery/ViewerDiscovery.h"
#include "settings/UnicodeSettingsFile.h"

using namespace win;

namespace {

// The window procedure gets no context of its own beyond the window: the
// records of the one main window, from its creation to its teardown.
KorvantaRecords* s_records = nullptr;

// The user hears that lines of the map were passed over at start, and again
// only when another set of lines is.
void TellIgnoredButtonLines(KorvantaRecords& records, const ButtonMapsResult& maps) {
    const ButtonMapResult& map = maps.lines;
    const bool sameLines = map.ignoredLinesHash == records.ignoredLinesHash;
    records.ignoredLinesHash = map.ignoredLinesHash;
    if (map.ignored == 0 || sameLines) return;
    const DecimalText count = FormatDecimal(map.ignored);
    const char16_t* args[] = {count.text, map.firstIgnored, maps.firstIgnoredSection.c_str()};
    char16_t text[256];
    FormatStringResource(records.instance, IDS_BUTTONMAP_IGNORED, args, 3, text, 256);
    ShowTrayBalloonText(records.trayIcon, IDS_BUTTONMAP_IGNORED_TITLE, text);
}

void ReadStartViewer(KorvantaRecords& records) {
    records.startViewerText = ReadSettingText(records.settings, kStartViewerKey);
    records.startViewerReadable =
        SplitCommandLine(records.startViewerText.data(), records.startViewerText.size(), records.startViewer);
}

// The file changed while running: the map, StartViewer, the log and the
// on-screen line's choice are read again; the mode and the flag stay the
// menu's, which writes them at exit.
void ReloadSettings(KorvantaRecords& records) {
    FileBytes bytes;
    bool read = ReadSettingsBytes(records.settings, bytes);
    // A file gone may be one whose save was cut short between its two names
    // (the settings window's among them): the settings are put back, or the
    // user is told where they stand, and until the file is back what was
    // last read of it stays in force.
    if (!read) {
        const SettingsConversion restore = RestoreSettingsFile(records.settings);
        TellSettingsConversion(records.notices, records.trayIcon, records.settings, restore);
        if (restore == kSettingsInNewFile) return;
        read = ReadSettingsBytes(records.settings, bytes);
    }
    // The press log shares the folder: a notification may bring no edit.
    if (bytes == records.settingsWatch.lastTaken) return;
    const SettingsConversion conversion = read ? ConvertSettingsBytes(records.settings, bytes) : kSettingsReadAsWritten;
    TellSettingsConversion(records.notices, records.trayIcon, records.settings, conversion);
    if (conversion == kSettingsInNewFile) return;
    // The bytes after Korvanta's own rewrite, which is no new edit.
    records.settingsWatch.lastTaken = std::move(bytes);
    TellIgnoredButtonLines(records, LoadButtonMaps(records.settings, records.buttonMaps));
    ChooseHeldMapAgain(records);
    ChooseOtherHeldMapAgain(records);
    const std::uint32_t log = ReadSetting(records.settings, kLogKey);
    if (log == 1 && records.logSetting != 1) {
        StartPressLog(records.pressLog, records.settings, records.trayIcon);
        records.holdTimeTold.clear();
        records.osdTold.clear();
    }
    if (log != 1) StopPressLog(records.pressLog);
    records.logSetting = log;
    TellUnusableHoldTime(records);
    records.osd = ReadOsdSetting(records.settings);
    TellUnusableOsd(records);
    ReadStartViewer(records);
    RefreshSettingsWindow(records.settingsWindow);
}

// Defaults first, then what the settings file says.
void CreateRecords(HWND hwnd, HINSTANCE instance) {
    auto* records = new KorvantaRecords{};
    s_records = records;
    records->instance = instance;
    records->window = hwnd;
    RegisterRemoteInput(hwnd, records->repeatFilter);
    records->router = RouterState{kModeHdusEmulation, 0, Win().RegisterWindowMessageW(kKeyHookMessageName), nullptr,
                                  LockOnState{nullptr, nullptr, instance, false, false, false}, nullptr, {}};
    records->router.front.probeMessage = Win().RegisterWindowMessageW(kRightsProbeMessageName);
    BuildSettingsPath(records->settings);
    // Looked at before anything could write the file. Where it is missing, a
    // save cut short between its two names may have left the settings in
    // Korvanta.ini.new alone: put back before anything reads them, and no
    // first start.
    const bool missing = !records->settings.path.empty() && !HasSettingsFile(records->settings);
    const SettingsConversion restore = missing ? RestoreSettingsFile(records->settings) : kSettingsReadAsWritten;
    const bool firstStart = missing && restore != kSettingsInNewFile && !HasSettingsFile(records->settings);
    // Before any value is read: the platform reads a UTF-8 file garbled. The
    // bytes are those a later change to the folder is compared with.
    const SettingsConversion conversion =
        ConvertSettingsFileToUnicode(records->settings, records->settingsWatch.lastTaken);
    records->menu = Win().LoadMenuW(instance, MakeIntResource(IDC_KORVANTA));
    AddTrayIcon(records->trayIcon, instance, hwnd);
    TellSettingsConversion(records->notices, records->trayIcon, records->settings,
                           restore == kSettingsInNewFile ? restore : conversion);
    // A stored value that is no mode leaves mode 0 in force, and the menu
    // shows the mode in force, as it does for every other.
    const std::uint32_t storedMode = ReadSetting(records->settings, kModeKey);
    SetDeliveryMode(records->router,
                    storedMode <= kModeDirectForeground ? storedMode : std::uint32_t{kModeHdusEmulation});
    SetIgnoreCursor(records->router, ReadSetting(records->settings, kIgnoreCursorKey));
    ShowDeliveryStateInMenu(records->menu, records->router);
    TellIgnoredButtonLines(*records, LoadButtonMaps(records->settings, records->buttonMaps));
    records->logSetting = StartPressLog(records->pressLog, records->settings, records->trayIcon);
    TellUnusableHoldTime(*records);
    records->osd = ReadOsdSetting(records->settings);
    TellUnusableOsd(*records);
    ReadStartViewer(*records);
    StartSettingsWatch(records->settingsWatch, records->settings);
    records->showRunningMessage = Win().RegisterWindowMessageW(kShowRunningMessageName);
    if (firstStart) TellFirstStart(records->trayIcon);
    if (IsReceiverMissing()) TellReceiverMissing(records->notices, records->trayIcon);
}

// Runs once, on WM_ENDSESSION or WM_DESTROY, whichever comes first. The
// raw-input registration ends with the process. A lock-on capture still
// waiting for its click ends here: with nothing left to pick the target, its
// hook would swallow every click on the desktop until the process is gone.
void Teardown(KorvantaRecords*& records) {
    CloseSettingsWindow(records->settingsWindow);  // as キャンセル: nothing written
    EndLockOnCapture(records->router);
    StopSettingsWatch(records->settingsWatch);
    SaveSettings(records->settings, static_cast<std::uint32_t>(records->router.mode),
                 static_cast<std::uint32_t>(records->router.ignoreCursor));
    StopPressLog(records->pressLog);
    DestroyOnScreenLine(records->onScreenLine);
    RemoveTrayIcon(records->trayIcon);
    delete records;
    records = nullptr;
    Win().PostQuitMessage(0);
}

bool IsMenuCommand(UINT command) {
    return command == IDM_ABOUT || command == IDM_EXIT || command == IDM_SETTINGS ||
           (command >= IDM_MODE_HDUS && command <= IDM_LOCKON);
}

// The choices are written only at exit; where they cannot be, the user is
// told when first changing one, once per run, rather than finding them lost.
void WarnOnceIfSettingsCannotBeSaved(KorvantaRecords& records) {
    if (records.settings.saveChecked) return;
    records.settings.saveChecked = true;
    if (!CanSaveSettings(records.settings))
        ShowTrayBalloon(records.trayIcon, IDS_SETTINGS_NOT_SAVED_TITLE, IDS_SETTINGS_NOT_SAVED);
}

LRESULT OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const UINT command = static_cast<UINT>(wParam & 0xFFFF);
    if (!IsMenuCommand(command)) return Win().DefWindowProcW(hwnd, WM_COMMAND, wParam, lParam);
    if (!s_records) return 0;  // after teardown a command has nothing left to act on

    KorvantaRecords& records = *s_records;
    RouterState& router = records.router;
    const std::int32_t modeBefore = router.mode;
    const std::int32_t ignoreCursorBefore = router.ignoreCursor;
    switch (command) {
    case IDM_ABOUT:
        Win().DialogBoxParamW(records.instance, MakeIntResource(IDD_ABOUTBOX), hwnd, AboutDialogProc, 0);
        return 0;
    case IDM_EXIT: Win().DestroyWindow(hwnd); return 0;
    case IDM_SETTINGS:
        OpenSettingsWindow(records.settingsWindow, records.instance, hwnd, records.settings);
        return 0;
    case IDM_MODE_HDUS: SetDeliveryMode(router, kModeHdusEmulation); break;
    case IDM_MODE_DIRECT: SetDeliveryMode(router, kModeDirect); break;
    case IDM_MODE_DIRECT_FG: SetDeliveryMode(router, kModeDirectForeground); break;
    case IDM_IGNORE_CURSOR: SetIgnoreCursor(router, router.ignoreCursor == 0 ? 1 : 0); break;
    case IDM_LOCKON: ToggleLockOn(router, hwnd); break;
    }
    ShowDeliveryStateInMenu(records.menu, router);
    if (router.mode != modeBefore || router.ignoreCursor != ignoreCursorBefore)
        WarnOnceIfSettingsCannotBeSaved(records);
    return 0;
}

LRESULT OnTrayNotify(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const UINT mouseMessage = static_cast<UINT>(lParam);
    if (!s_records || (mouseMessage != WM_LBUTTONDOWN && mouseMessage != WM_RBUTTONDOWN)) return 0;
    KorvantaRecords& records = *s_records;
    // While a lock-on click is awaited the next press belongs to the capture.
    if (LockOnCaptureInProgress(records.router)) return Win().DefWindowProcW(hwnd, WM_TRAY_NOTIFY, wParam, lParam);
    if (!LockedTargetValid(records.router) && IsLockOnChecked(records.router)) {
        ClearLockOn(records.router);
        ShowDeliveryStateInMenu(records.menu, records.router);
    }
    ShowTrayMenu(records.menu, hwnd);
    return 0;
}

}  // namespace

LRESULT MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        CreateRecords(hwnd, create ? create->hInstance : nullptr);
        return 0;
    }
    case WM_DESTROY:
    case WM_ENDSESSION:  // whatever wParam says
        if (s_records) Teardown(s_records);
        return 0;
    case WM_QUERYENDSESSION: return 1;
    case WM_SIZE: return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        Win().BeginPaint(hwnd, &paint);
        Win().EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_INPUT:
        if (s_records) OnRemoteInput(*s_records, lParam);
        // The system releases the input only through the default handling.
        return Win().DefWindowProcW(hwnd, WM_INPUT, wParam, lParam);
    case WM_COMMAND: return OnCommand(hwnd, wParam, lParam);
    case WM_TIMER:
        if (s_records && wParam == kHoldTimer) OnHoldTimer(*s_records);
        if (s_records && wParam == kOtherHoldTimer) OnOtherHoldTimer(*s_records);
        return 0;
    case WM_SETTINGS_CHANGED:
        if (s_records) ReloadSettings(*s_records);
        return 0;
    case WM_TRAY_NOTIFY: return OnTrayNotify(hwnd, wParam, lParam);
    case WM_LOCKON_CLICK:
        if (s_records) {
            PickLockOnTarget(s_records->router);
            ShowDeliveryStateInMenu(s_records->menu, s_records->router);
        }
        return 0;
    default: break;
    }
    if (s_records && message == s_records->trayIcon.taskbarCreatedMessage && message != 0) {
        RestoreTrayIcon(s_records->trayIcon);
        return 0;
    }
    if (s_records && message == s_records->showRunningMessage && message != 0) {
        TellAlreadyRunning(s_records->notices, s_records->trayIcon);
        return 0;
    }
    return Win().DefWindowProcW(hwnd, message, wParam, lParam);
}

KorvantaRecords* MainWindowRecords() { return s_records; }

SettingsWatch* MainWindowSettingsWatch() { return s_records ? &s_records->settingsWatch : nullptr; }

HWND MainWindowSettingsDialog() { return s_records ? s_records->settingsWindow.dialog : nullptr; }
