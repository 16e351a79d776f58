#include "delivery/LockOn.h"

#include "delivery/ViewerDiscovery.h"

using namespace win;

namespace {
// The hook procedure gets no context of its own: this is the router whose
// capture is in progress, set while its hook is installed.
RouterState* s_capturing = nullptr;
}  // namespace

void ToggleLockOn(RouterState& router, HWND hwnd) {
    if (LockedTargetValid(router)) {
        ClearLockOn(router);
        return;
    }
    // The menu may still show a lock whose window has gone.
    if (IsLockOnChecked(router)) {
        ClearLockOn(router);
        return;
    }
    BeginLockOnCapture(router, hwnd);
}

void BeginLockOnCapture(RouterState& router, HWND hwnd) {
    LockOnState& lockOn = router.lockOn;
    if (lockOn.hook) Win().UnhookWindowsHookEx(lockOn.hook);
    lockOn.hookOwner = hwnd;
    s_capturing = &router;
    lockOn.hook = Win().SetWindowsHookExW(WH_MOUSE_LL, LockOnMouseHook, lockOn.module, 0);
    if (!lockOn.hook) s_capturing = nullptr;
}

LRESULT LockOnMouseHook(int nCode, WPARAM wParam, LPARAM lParam) {
    HHOOK hook = s_capturing ? s_capturing->lockOn.hook : nullptr;
    if (nCode < 0 || wParam != WM_LBUTTONDOWN || !s_capturing) return Win().CallNextHookEx(hook, nCode, wParam, lParam);
    // Same thread: the pick has run, and this hook is gone, when this returns.
    Win().SendMessageW(s_capturing->lockOn.hookOwner, WM_LOCKON_CLICK, WM_LBUTTONDOWN, lParam);
    return 1;  // the clicked window never sees the press
}

void EndLockOnCapture(RouterState& router) {
    if (!router.lockOn.hook) return;
    Win().UnhookWindowsHookEx(router.lockOn.hook);
    router.lockOn.hook = nullptr;
    if (s_capturing == &router) s_capturing = nullptr;
}

bool LockOnCaptureInProgress(const RouterState& router) { return router.lockOn.hook != nullptr; }

void PickLockOnTarget(RouterState& router) {
    EndLockOnCapture(router);
    POINT cursor{};
    Win().GetCursorPos(&cursor);
    if (TryLockTarget(router, Win().WindowFromPoint(cursor))) ShowLockedMenu(router);
}

int IsLockOnChecked(const RouterState& router) { return router.lockOn.checked ? 1 : 0; }

int ShowLockedMenu(RouterState& router) {
    router.lockOn.checked = true;
    router.lockOn.modesGreyed = true;
    router.lockOn.flagGreyed = true;
    return 1;
}

int ClearLockOn(RouterState& router) {
    router.lockedTarget = nullptr;
    router.lockOn.checked = false;
    router.lockOn.modesGreyed = false;
    router.lockOn.flagGreyed = false;
    return 1;
}
