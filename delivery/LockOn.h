// Lock-on: delivery bound to one viewer window that the user clicks on.
// The next left-button press anywhere is caught by a low-level mouse hook,
// swallowed, and decides the target.
#pragma once

#include "platform/Platform.h"

void ToggleLockOn(win::HWND hwnd);
void BeginLockOnCapture(win::HWND hwnd);
win::LRESULT LockOnMouseHook(int nCode, win::WPARAM wParam, win::LPARAM lParam);
// Removes the capture hook, if one waits for a click.
void EndLockOnCapture();
void PickLockOnTarget();
int IsLockOnChecked();
int ShowLockedMenu(win::HMENU menu);
int ClearLockOn();
