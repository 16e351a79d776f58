#include "app/MainWindow.h"

#include "app/ProcessRecords.h"
#include "app/Resource.h"
#include "app/TrayMenu.h"
#include "delivery/BringToFront.h"
#include "delivery/LockOn.h"
#include "delivery/RouterState.h"
#include "delivery/Routing.h"
#include "delivery/ViewerClasses.h"
#include "delivery/ViewerDiscovery.h"
#include "remote/ButtonKeyTable.h"
#include "remote/RemoteInput.h"
#include "settings/SettingsFile.h"

using namespace win;

namespace {

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
    SetDeliveryMode(storedMode <= kModeDirectForeground ? storedMode : kModeHdusEmulation);
    SetIgnoreCursor(ReadSetting(kIgnoreCursorKey));
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

void OnRemoteInput(LPARAM lParam) {
    const std::uint16_t code = DecodeRemoteReport(reinterpret_cast<HRAWINPUT>(lParam), *g_repeatFilter);
    if (code > 0xFF) return;
    if (code == BUTTON_BRING_TO_FRONT) {
        BringViewerToFront();
        return;
    }
    if (!DeliverChord(ButtonKeyTable[code])) ClearLockOn();
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
