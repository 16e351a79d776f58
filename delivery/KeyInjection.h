// The three ways a key chord leaves the program: synthesised keystrokes, the
// viewer's "TVTest KeyHook" message, and a posted direction key with the
// modifiers held by synthesised key events.
#pragma once

#include "delivery/DeliveryReport.h"
#include "delivery/RouterState.h"
#include "platform/Platform.h"
#include "remote/ButtonKeyTable.h"

// Pause around each step of a direction key, so the viewer's thread sees the
// modifier state settle before and after the posted key.
constexpr win::DWORD kDirectionKeyPauseMs = 10;

// Each says whether the platform took the keys or the message; the error is
// read at once, before later calls can change it.
SendResult SendInputChord(KeyChord chord);
SendResult PostKeyHook(const RouterState& router, KeyChord chord, win::HWND target);
SendResult SendDirectionKey(KeyChord chord, win::HWND target);

// The lParam of "TVTest KeyHook": 1 with bit 16 for Shift and bit 17 for Ctrl.
win::LPARAM KeyHookLParam(KeyChord chord);
