// The tray icon, its popup menu and the About box: the user's whole interface.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

struct TrayIcon {
    win::NOTIFYICONDATAW data;
    // Sent to every top-level window when the notification area (re)starts.
    win::UINT taskbarCreatedMessage;
};

void AddTrayIcon(win::HWND hwnd);
// Puts the icon back after the notification area has restarted without it.
void RestoreTrayIcon();
void RemoveTrayIcon();
void ShowTrayMenu(win::HWND hwnd);
// A balloon from the tray icon, with the texts of two string resources. It
// asks nothing of the user, so it can never hold up a shutdown.
void ShowTrayBalloon(win::UINT titleId, win::UINT textId);
// The same with a text made by the program; a longer one is cut to fit.
void ShowTrayBalloonText(win::UINT titleId, const char16_t* text);

// Each keeps a RouterState field and its menu check in step; both return 1.
int SetDeliveryMode(std::uint32_t mode);
int SetIgnoreCursor(std::uint32_t value);

win::INT_PTR AboutDialogProc(win::HWND hDlg, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
