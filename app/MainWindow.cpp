#include "app/MainWindow.h"

#include "app/MessageText.h"
#include "app/PressLog.h"
#include "app/ProcessRecords.h"
#include "app/Resource.h"
#include "app/TrayMenu.h"
#include "delivery/BringToFront.h"
#include "delivery/LockOn.h"
#include "delivery/RouterState.h"
#include "delivery/Routing.h"
#include "delivery/ViewerClasses.h"
#include "delivery/ViewerDiscovery.h"
#include "remote/ButtonMap.h"
#include "remote/RemoteInput.h"
#include "settings/ButtonMapFile.h"
#include "settings/SettingsFile.h"

using namespace win;

namespace {

// The user hears once, at start, that lines of the map were passed over.
void TellIgnoredButtonLines(const ButtonMapResult& map) {
    if (map.ignored == 0) return;
    const DecimalText count = FormatDecimal(map.ignored);
    const char16_t* args[] = {count.text, map.firstIgnored};
    char16_t text[256];
    FormatStringResource(IDS_BUTTONMAP_IGNORED, args, 2, text, 256);
    ShowTrayBalloonText(IDS_BUTTONMAP_IGNORED_TITLE, text);
}

void CreateRecords(HWND hwnd) {
    g_repeatFilter = new RepeatFilter{};
    RegisterRemoteInput(hwnd, *g_repeatFilter);
    g_router = new RouterState{kModeHdusEmulation, 0, Win().RegisterWindowMessageW(kKeyHookMessageName), nullptr};
    g_settings = new SettingsFile{};
    BuildSettingsPath(*g_settings);
    g_lockOnHook = nullptr;
    g_menu = Win().LoadMenuW(g_hInstance, MakeIntResource(IDC_KORVANTA));
    g_trayIcon = new TrayIcon{};
    AddTrayIcon(hwnd);
    // A stored value that is no mode leaves mode 0 in force, and the menu
    // shows the mode in force, as it does for every other.
    const std::uint32_t storedMode = ReadSetting(kModeKey);
    SetDeliveryMode(storedMode <= kModeDirectForeground ? storedMode : std::uint32_t{kModeHdusEmulation});
    SetIgnoreCursor(ReadSetting(kIgnoreCursorKey));
    g_buttonActions = new ButtonActions{};
    TellIgnoredButtonLines(LoadButtonMap(*g_settings, *g_buttonActions));
    StartPressLog();
}

bool RecordsExist() { return g_router != nullptr; }

// Runs once, on WM_ENDSESSION or WM_DESTROY, whichever comes first. The
// raw-input registration ends with the process. A lock-on capture still
// waiting for its click ends here: with nothing left to pick the target, its
// hook would swallow every click on the desktop until the process is gone.
void Teardown() {
    if (!RecordsExist()) return;
    EndLockOnCapture();
    SaveSettings(static_cast<std::uint32_t>(g_router->mode), static_cast<std::uint32_t>(g_router->ignoreCursor));
    StopPressLog();
    delete g_buttonActions;
    g_buttonActions = nullptr;
    delete g_settings;
    g_settings = nullptr;
    delete g_repeatFilter;
    g_repeatFilter = nullptr;
    delete g_router;
    g_router = nullptr;
    RemoveTrayIcon();
    delete g_trayIcon;
    g_trayIcon = nullptr;
    Win().PostQuitMessage(0);
}

void ActOnButton(const ButtonAction& action, DeliveryReport* report) {
    if (action.kind == kActionBringToFront) {
        if (report) {
            report->mode = g_router->mode;
            report->lockedOn = g_router->lockedTarget ? 1 : 0;
        }
        BringViewerToFront(report);
        return;
    }
    if (!DeliverChord(action.chord, report)) ClearLockOn();
}

// With the log on: the same steps, watched. Foreign input stays unlogged, as
// it stays undelivered.
void OnRemoteInputLogged(LPARAM lParam) {
    PressEvent event{};
    const std::uint16_t code = DecodeRemoteReport(reinterpret_cast<HRAWINPUT>(lParam), *g_repeatFilter, &event.source);
    if (code == kNotFromReceiver) return;
    event.passed = code <= 0xFF;
    if (event.passed) {
        event.action = g_buttonActions->action[code];
        ActOnButton(event.action, &event.delivery);
    }
    LogPress(event);
}

void OnRemoteInput(LPARAM lParam) {
    if (g_pressLog) return OnRemoteInputLogged(lParam);
    const std::uint16_t code = DecodeRemoteReport(reinterpret_cast<HRAWINPUT>(lParam), *g_repeatFilter);
    if (code > 0xFF) return;
    ActOnButton(g_buttonActions->action[code], nullptr);
}

bool IsMenuCommand(UINT command) {
    return command == IDM_ABOUT || command == IDM_EXIT || (command >= IDM_MODE_HDUS && command <= IDM_LOCKON);
}

// The choices are written only at exit; where they cannot be, the user is
// told when first changing one, once per run, rather than finding them lost.
void WarnOnceIfSettingsCannotBeSaved() {
    if (g_settings->saveChecked) return;
    g_settings->saveChecked = true;
    if (!CanSaveSettings()) ShowTrayBalloon(IDS_SETTINGS_NOT_SAVED_TITLE, IDS_SETTINGS_NOT_SAVED);
}

LRESULT OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const UINT command = static_cast<UINT>(wParam & 0xFFFF);
    if (!IsMenuCommand(command)) return Win().DefWindowProcW(hwnd, WM_COMMAND, wParam, lParam);
    if (!RecordsExist()) return 0;  // after teardown a command has nothing left to act on

    const std::int32_t modeBefore = g_router->mode;
    const std::int32_t ignoreCursorBefore = g_router->ignoreCursor;
    switch (command) {
    case IDM_ABOUT:
        Win().DialogBoxParamW(g_hInstance, MakeIntResource(IDD_ABOUTBOX), hwnd, AboutDialogProc, 0);
        break;
    case IDM_EXIT: Win().DestroyWindow(hwnd); break;
    case IDM_MODE_HDUS: SetDeliveryMode(kModeHdusEmulation); break;
    case IDM_MODE_DIRECT: SetDeliveryMode(kModeDirect); break;
    case IDM_MODE_DIRECT_FG: SetDeliveryMode(kModeDirectForeground); break;
    case IDM_IGNORE_CURSOR: SetIgnoreCursor(g_router->ignoreCursor == 0 ? 1 : 0); break;
    case IDM_LOCKON: ToggleLockOn(hwnd); break;
    }
    if (RecordsExist() && (g_router->mode != modeBefore || g_router->ignoreCursor != ignoreCursorBefore))
        WarnOnceIfSettingsCannotBeSaved();
    return 0;
}

LRESULT OnTrayNotify(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const UINT mouseMessage = static_cast<UINT>(lParam);
    if (!RecordsExist() || (mouseMessage != WM_LBUTTONDOWN && mouseMessage != WM_RBUTTONDOWN)) return 0;
    // While a lock-on click is awaited the next press belongs to the capture.
    if (g_lockOnHook) return Win().DefWindowProcW(hwnd, WM_TRAY_NOTIFY, wParam, lParam);
    if (!LockedTargetValid() && IsLockOnChecked()) ClearLockOn();
    ShowTrayMenu(hwnd);
    return 0;
}

}  // namespace

LRESULT MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: CreateRecords(hwnd); return 0;
    case WM_DESTROY:
    case WM_ENDSESSION: Teardown(); return 0;  // whatever wParam says
    case WM_QUERYENDSESSION: return 1;
    case WM_SIZE: return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        Win().BeginPaint(hwnd, &paint);
        Win().EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_INPUT:
        if (RecordsExist()) OnRemoteInput(lParam);
        // The system releases the input only through the default handling.
        return Win().DefWindowProcW(hwnd, WM_INPUT, wParam, lParam);
    case WM_COMMAND: return OnCommand(hwnd, wParam, lParam);
    case WM_TRAY_NOTIFY: return OnTrayNotify(hwnd, wParam, lParam);
    case WM_LOCKON_CLICK:
        if (RecordsExist()) PickLockOnTarget();
        return 0;
    default: break;
    }
    if (g_trayIcon && message == g_trayIcon->taskbarCreatedMessage && message != 0) {
        RestoreTrayIcon();
        return 0;
    }
    return Win().DefWindowProcW(hwnd, message, wParam, lParam);
}
