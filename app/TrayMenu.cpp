#include "app/TrayMenu.h"

#include <iterator>

#include "app/MainWindow.h"
#include "app/MenuItemState.h"
#include "app/ProcessRecords.h"
#include "app/Resource.h"
#include "delivery/RouterState.h"
#include "platform/Constants.h"

using namespace win;

namespace {

constexpr UINT kTrayIconId = 1;
constexpr const char16_t* kTrayTip = u"Korvanta";

template <std::size_t N>
void CopyText(char16_t (&to)[N], const char16_t* from) {
    std::size_t i = 0;
    for (; i + 1 < N && from[i]; ++i) to[i] = from[i];
    to[i] = 0;
}

}  // namespace

void AddTrayIcon(HWND hwnd) {
    NOTIFYICONDATAW& icon = g_trayIcon->data;
    icon = NOTIFYICONDATAW{};
    icon.cbSize = sizeof(NOTIFYICONDATAW);
    icon.hWnd = hwnd;
    icon.uID = kTrayIconId;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = WM_TRAY_NOTIFY;
    icon.hIcon = Win().LoadIconW(g_hInstance, MakeIntResource(IDI_SMALL));
    CopyText(icon.szTip, kTrayTip);
    g_trayIcon->taskbarCreatedMessage = Win().RegisterWindowMessageW(u"TaskbarCreated");
    Win().Shell_NotifyIconW(NIM_ADD, &icon);
}

void RestoreTrayIcon() { Win().Shell_NotifyIconW(NIM_ADD, &g_trayIcon->data); }

void RemoveTrayIcon() { Win().Shell_NotifyIconW(NIM_DELETE, &g_trayIcon->data); }

void ShowTrayMenu(HWND hwnd) {
    POINT cursor{};
    Win().GetCursorPos(&cursor);
    HMENU popup = Win().GetSubMenu(g_menu, 0);
    // Our window must be in the foreground, or the menu would not close when
    // the user clicks elsewhere.
    Win().SetForegroundWindow(hwnd);
    Win().TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, hwnd, nullptr);
}

void ShowTrayBalloon(UINT titleId, UINT textId) {
    char16_t text[sizeof(NOTIFYICONDATAW::szInfo) / sizeof(char16_t)] = {};
    Win().LoadStringW(g_hInstance, textId, text, static_cast<int>(std::size(text)));
    ShowTrayBalloonText(titleId, text);
}

void ShowTrayBalloonText(UINT titleId, const char16_t* text) {
    // Only the balloon changes: the icon, tip and callback stay as added.
    NOTIFYICONDATAW balloon = g_trayIcon->data;
    balloon.uFlags = NIF_INFO;
    Win().LoadStringW(g_hInstance, titleId, balloon.szInfoTitle, static_cast<int>(std::size(balloon.szInfoTitle)));
    CopyText(balloon.szInfo, text);
    balloon.dwInfoFlags = NIIF_WARNING;
    Win().Shell_NotifyIconW(NIM_MODIFY, &balloon);
}

int SetDeliveryMode(std::uint32_t mode) {
    if (mode > kModeDirectForeground) return 1;
    g_router->mode = static_cast<std::int32_t>(mode);
    constexpr UINT kModeItems[] = {IDM_MODE_HDUS, IDM_MODE_DIRECT, IDM_MODE_DIRECT_FG};
    for (UINT item : kModeItems) ReplaceMenuItemState(g_menu, item, item == IDM_MODE_HDUS + mode ? MFS_CHECKED : 0);
    return 1;
}

int SetIgnoreCursor(std::uint32_t value) {
    g_router->ignoreCursor = static_cast<std::int32_t>(value);
    // Every non-zero value filters, so every non-zero value shows checked:
    // a hand-edited 2 must not filter behind an unchecked item.
    ReplaceMenuItemState(g_menu, IDM_IGNORE_CURSOR, value != 0 ? MFS_CHECKED : 0);
    return 1;
}

INT_PTR AboutDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return 1;
    if (message == WM_COMMAND) {
        const int command = static_cast<int>(wParam & 0xFFFF);
        if (command == IDOK || command == IDCANCEL) {
            Win().EndDialog(hDlg, command);
            return 1;
        }
    }
    return 0;
}
