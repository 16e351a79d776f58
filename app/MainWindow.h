// The hidden main window's procedure: it creates and releases every
// long-lived record and turns each event into a call of the part that
// handles it.
#pragma once

#include "platform/Constants.h"
#include "platform/Platform.h"

constexpr win::UINT WM_TRAY_NOTIFY = win::WM_USER + 100;   // from the tray icon; lParam: mouse message
constexpr win::UINT WM_LOCKON_CLICK = win::WM_USER + 101;  // from the lock-on mouse hook

win::LRESULT MainWindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
