#include "app/TrayMenu.h"

#include <iterator>

#include "app/MainWindow.h"
#include "app/Resource.h"
#include "platform/Constants.h"

using namespace win;

namespace {

constexpr UINT kTrayIconId = 1;
constexpr const char16_t* kTrayTip = u"Korvanta";

// Items are addressed by command identifier; an item is written only when it
// shows something else than it must.
void ShowMenuItemState(HMENU menu, UINT command, UINT state) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    Win().GetMenuItemInfoW(menu, command, 0, &info);
    if (info.fState == state) return;
    info.fState = state;
    Win().SetMenuItemInfoW(menu, command, 0, &info);
}

template <std::size_t N>
void CopyText(char16_t (&to)[N], const char16_t* from) {
    std::size_t i = 0;
    for (; i + 1 < N && from[i]; ++i) to[i] = from[i];
    to[i] = 0;
}

}  // namespace

void AddTrayIcon(TrayIcon& tray, HINSTANCE instance, HWND hwnd) {
    tray.instance = instance;
    NOTIFYICONDATAW& icon = tray.data;
    icon = NOTIFYICONDATAW{};
    icon.cbSize = sizeof(NOTIFYICONDATAW);
    icon.hWnd = hwnd;
    icon.uID = kTrayIconId;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = WM_TRAY_NOTIFY;
    icon.hIcon = Win().LoadIconW(instance, MakeIntResource(IDI_SMALL));
    CopyText(icon.szTip, kTrayTip);
    tray.taskbarCreatedMessage = Win().RegisterWindowMessageW(u"TaskbarCreated");
    Win().Shell_NotifyIconW(NIM_ADD, &icon);
}

void RestoreTrayIcon(TrayIcon& tray) { Win().Shell_NotifyIconW(NIM_ADD, &tray.data); }

void RemoveTrayIcon(TrayIcon& tray) { Win().Shell_NotifyIconW(NIM_DELETE, &tray.data); }

void ShowTrayMenu(HMENU menu, HWND hwnd) {
    POINT cursor{};
    Win().GetCursorPos(&cursor);
    HMENU popup = Win().GetSubMenu(menu, 0);
    // Our window must be in the foreground, or the menu would not close when
    // the user clicks elsewhere.
    Win().SetForegroundWindow(hwnd);
    Win().TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, hwnd, nullptr);
}

void ShowTrayBalloon(const TrayIcon& tray, UINT titleId, UINT textId, DWORD iconKind) {
    char16_t text[sizeof(NOTIFYICONDATAW::szInfo) / sizeof(char16_t)] = {};
    Win().LoadStringW(tray.instance, textId, text, static_cast<int>(std::size(text)));
    ShowTrayBalloonText(tray, titleId, text, iconKind);
}

void ShowTrayBalloonText(const TrayIcon& tray, UINT titleId, const char16_t* text, DWORD iconKind) {
    // Only the balloon changes: the icon, tip and callback stay as added.
    NOTIFYICONDATAW balloon = tray.data;
    balloon.uFlags = NIF_INFO;
    Win().LoadStringW(tray.instance, titleId, balloon.szInfoTitle, static_cast<int>(std::size(balloon.szInfoTitle)));
    CopyText(balloon.szInfo, text);
    balloon.dwInfoFlags = iconKind;
    Win().Shell_NotifyIconW(NIM_MODIFY, &balloon);
}

void ShowTrayTip(TrayIcon& tray, UINT textId) {
    NOTIFYICONDATAW& icon = tray.data;
    const int capacity = static_cast<int>(std::size(icon.szTip));
    if (textId == 0 || Win().LoadStringW(tray.instance, textId, icon.szTip, capacity) <= 0)
        CopyText(icon.szTip, kTrayTip);
    // Only the tip changes; the record keeps it for a restarted notification area.
    NOTIFYICONDATAW tip = icon;
    tip.uFlags = NIF_TIP;
    Win().Shell_NotifyIconW(NIM_MODIFY, &tip);
}

void ShowDeliveryStateInMenu(HMENU menu, const RouterState& router) {
    const LockOnState& lockOn = router.lockOn;
    constexpr UINT kModeItems[] = {IDM_MODE_HDUS, IDM_MODE_DIRECT, IDM_MODE_DIRECT_FG};
    for (UINT item : kModeItems) {
        const bool inForce = item == IDM_MODE_HDUS + static_cast<UINT>(router.mode);
        ShowMenuItemState(menu, item, (inForce ? MFS_CHECKED : 0) | (lockOn.modesGreyed ? MFS_GRAYED : 0));
    }
    // Every non-zero value filters, so every non-zero value shows checked:
    // a hand-edited 2 must not filter behind an unchecked item.
    ShowMenuItemState(menu, IDM_IGNORE_CURSOR,
                      (router.ignoreCursor != 0 ? MFS_CHECKED : 0) | (lockOn.flagGreyed ? MFS_GRAYED : 0));
    ShowMenuItemState(menu, IDM_LOCKON, lockOn.checked ? MFS_CHECKED : 0);
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
