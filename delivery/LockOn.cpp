#include "delivery/LockOn.h"

#include "app/MainWindow.h"
#include "app/MenuItemState.h"
#include "app/ProcessRecords.h"
#include "app/Resource.h"
#include "delivery/RouterState.h"
#include "delivery/ViewerDiscovery.h"
#include "platform/Constants.h"

using namespace win;

namespace {
// The items that lock-on greys out: the three modes and the direction flag.
constexpr UINT kModeAndFlagItems[] = {IDM_MODE_HDUS, IDM_MODE_DIRECT, IDM_MODE_DIRECT_FG, IDM_IGNORE_CURSOR};
}  // namespace

void ToggleLockOn(HWND hwnd) {
    if (LockedTargetValid()) {
        ClearLockOn();
        return;
    }
    // The item may still show a lock whose window has gone.
    if (IsLockOnChecked()) {
        ClearLockOn();
        return;
    }
    BeginLockOnCapture(hwnd);
}

void BeginLockOnCapture(HWND hwnd) {
    if (g_lockOnHook) Win().UnhookWindowsHookEx(g_lockOnHook);
    g_hookOwner = hwnd;
    g_lockOnHook = Win().SetWindowsHookExW(WH_MOUSE_LL, LockOnMouseHook, g_hInstance, 0);
}

LRESULT LockOnMouseHook(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode < 0 || wParam != WM_LBUTTONDOWN) return Win().CallNextHookEx(g_lockOnHook, nCode, wParam, lParam);
    // Same thread: the pick has run, and this hook is gone, when this returns.
    Win().SendMessageW(g_hookOwner, WM_LOCKON_CLICK, WM_LBUTTONDOWN, lParam);
    return 1;  // the clicked window never sees the press
}

void EndLockOnCapture() {
    if (!g_lockOnHook) return;
    Win().UnhookWindowsHookEx(g_lockOnHook);
    g_lockOnHook = nullptr;
}

void PickLockOnTarget() {
    EndLockOnCapture();
    POINT cursor{};
    Win().GetCursorPos(&cursor);
    if (TryLockTarget(Win().WindowFromPoint(cursor))) ShowLockedMenu(g_menu);
}

int IsLockOnChecked() { return (ReadMenuItemState(g_menu, IDM_LOCKON) & MFS_CHECKED) ? 1 : 0; }

int ShowLockedMenu(HMENU menu) {
    for (UINT item : kModeAndFlagItems) ChangeMenuItemState(menu, item, MFS_GRAYED, 0);
    ReplaceMenuItemState(menu, IDM_LOCKON, MFS_CHECKED);
    return 1;
}

int ClearLockOn() {
    g_router->lockedTarget = nullptr;
    for (UINT item : kModeAndFlagItems) ChangeMenuItemState(g_menu, item, 0, MFS_GRAYED);
    ReplaceMenuItemState(g_menu, IDM_LOCKON, 0);
    return 1;
}
