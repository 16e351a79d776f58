// The tray icon, its popup menu and the About box: the user's whole interface.
#pragma once

#include <cstdint>

#include "delivery/RouterState.h"
#include "platform/Constants.h"
#include "platform/Platform.h"

struct TrayIcon {
    win::HINSTANCE instance;  // where the icon and the balloons' texts come from
    win::NOTIFYICONDATAW data;
    // Sent to every top-level window when the notification area (re)starts.
    win::UINT taskbarCreatedMessage;
};

void AddTrayIcon(TrayIcon& icon, win::HINSTANCE instance, win::HWND hwnd);
// Puts the icon back after the notification area has restarted without it.
void RestoreTrayIcon(TrayIcon& icon);
void RemoveTrayIcon(TrayIcon& icon);
void ShowTrayMenu(win::HMENU menu, win::HWND hwnd);
// A balloon from the tray icon, with the texts of two string resources. It
// asks nothing of the user, so it can never hold up a shutdown. A warning
// unless told it is news (NIIF_INFO).
void ShowTrayBalloon(const TrayIcon& icon, win::UINT titleId, win::UINT textId,
                     win::DWORD iconKind = win::NIIF_WARNING);
// The same with a text made by the program; a longer one is cut to fit.
void ShowTrayBalloonText(const TrayIcon& icon, win::UINT titleId, const char16_t* text,
                         win::DWORD iconKind = win::NIIF_WARNING);
// The icon's tip: a string resource, or 0 for the plain "Korvanta".
void ShowTrayTip(TrayIcon& icon, win::UINT textId);

// Brings the menu's checks and greyed items into step with the delivery
// state: the mode, the direction flag and lock-on. Only items that differ
// are written.
void ShowDeliveryStateInMenu(win::HMENU menu, const RouterState& router);

win::INT_PTR AboutDialogProc(win::HWND hDlg, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
