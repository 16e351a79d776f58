// Lock-on: delivery bound to one viewer window that the user clicks on.
// The next left-button press anywhere is caught by a low-level mouse hook,
// swallowed, and decides the target. Everything here changes the router's
// lock-on state only; app/ shows it in the menu afterwards.
#pragma once

#include "delivery/RouterState.h"
#include "platform/Constants.h"
#include "platform/Platform.h"

// Sent by the hook to the window that started the capture, which answers it
// with PickLockOnTarget.
constexpr win::UINT WM_LOCKON_CLICK = win::WM_USER + 101;

void ToggleLockOn(RouterState& router, win::HWND hwnd);
void BeginLockOnCapture(RouterState& router, win::HWND hwnd);
win::LRESULT LockOnMouseHook(int nCode, win::WPARAM wParam, win::LPARAM lParam);
// Removes the capture hook, if one waits for a click.
void EndLockOnCapture(RouterState& router);
bool LockOnCaptureInProgress(const RouterState& router);
void PickLockOnTarget(RouterState& router);
int IsLockOnChecked(const RouterState& router);
// Records that the menu shows a lock: the lock-on item checked, the mode and
// flag items greyed.
int ShowLockedMenu(RouterState& router);
int ClearLockOn(RouterState& router);
