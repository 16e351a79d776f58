// Proves at compile time that every number in platform/Constants.h is the one
// <windows.h> defines, on the target being built (x64 and x86 alike). The
// logic and the simulated desktop share those numbers, so a wrong one would
// change both together and no native test could notice; here the real
// headers judge. The file compiles to nothing.
#include "platform/Constants.h"

// Every constant of platform/Constants.h. A native test fails when one is
// added there and not here.
#define KV_WINDOWS_CONSTANTS(X) \
    X(WM_CREATE) \
    X(WM_DESTROY) \
    X(WM_SIZE) \
    X(WM_PAINT) \
    X(WM_CLOSE) \
    X(WM_SETICON) \
    X(ICON_SMALL) \
    X(ICON_BIG) \
    X(WM_QUERYENDSESSION) \
    X(WM_ENDSESSION) \
    X(WM_INPUT) \
    X(WM_KEYDOWN) \
    X(WM_KEYUP) \
    X(WM_SYSKEYDOWN) \
    X(WM_SYSKEYUP) \
    X(WM_SYSCHAR) \
    X(WM_SYSDEADCHAR) \
    X(WM_ACTIVATE) \
    X(WA_INACTIVE) \
    X(WM_NEXTDLGCTL) \
    X(WM_SETFOCUS) \
    X(WM_APP) \
    X(WM_INITDIALOG) \
    X(WM_COMMAND) \
    X(WM_TIMER) \
    X(WM_LBUTTONDOWN) \
    X(WM_LBUTTONUP) \
    X(WM_RBUTTONDOWN) \
    X(WM_RBUTTONUP) \
    X(WM_MOUSEMOVE) \
    X(WM_QUIT) \
    X(WM_USER) \
    X(IDOK) \
    X(IDCANCEL) \
    X(CS_VREDRAW) \
    X(CS_HREDRAW) \
    X(WS_OVERLAPPEDWINDOW) \
    X(WS_POPUP) \
    X(WS_EX_TOPMOST) \
    X(WS_EX_TRANSPARENT) \
    X(WS_EX_TOOLWINDOW) \
    X(WS_EX_LAYERED) \
    X(WS_EX_NOACTIVATE) \
    X(LWA_ALPHA) \
    X(SW_HIDE) \
    X(SW_SHOWNOACTIVATE) \
    X(SWP_NOACTIVATE) \
    X(SWP_SHOWWINDOW) \
    X(SWP_HIDEWINDOW) \
    X(SWP_NOCOPYBITS) \
    X(SWP_NOSIZE) \
    X(SWP_NOMOVE) \
    X(SWP_NOZORDER) \
    X(MONITOR_DEFAULTTONEAREST) \
    X(MONITOR_DEFAULTTOPRIMARY) \
    X(WM_NCHITTEST) \
    X(WM_MOUSEACTIVATE) \
    X(HTTRANSPARENT) \
    X(MA_NOACTIVATE) \
    X(DT_CENTER) \
    X(DT_VCENTER) \
    X(DT_SINGLELINE) \
    X(DT_CALCRECT) \
    X(DT_NOPREFIX) \
    X(DT_END_ELLIPSIS) \
    X(TRANSPARENT) \
    X(BLACK_BRUSH) \
    X(FW_NORMAL) \
    X(SHIFTJIS_CHARSET) \
    X(OUT_DEFAULT_PRECIS) \
    X(CLIP_DEFAULT_PRECIS) \
    X(CLEARTYPE_QUALITY) \
    X(ANTIALIASED_QUALITY) \
    X(DEFAULT_PITCH) \
    X(CW_USEDEFAULT) \
    X(COLOR_WINDOW) \
    X(IDC_ARROW) \
    X(GW_HWNDNEXT) \
    X(VK_BACK) \
    X(VK_RETURN) \
    X(VK_SHIFT) \
    X(VK_CONTROL) \
    X(VK_ESCAPE) \
    X(VK_SPACE) \
    X(VK_LEFT) \
    X(VK_UP) \
    X(VK_RIGHT) \
    X(VK_DOWN) \
    X(VK_TAB) \
    X(VK_MENU) \
    X(VK_PRIOR) \
    X(VK_NEXT) \
    X(VK_END) \
    X(VK_HOME) \
    X(VK_INSERT) \
    X(VK_DELETE) \
    X(VK_F10) \
    X(VK_F13) \
    X(VK_F14) \
    X(VK_F15) \
    X(VK_F16) \
    X(VK_F17) \
    X(VK_F18) \
    X(VK_F19) \
    X(VK_F20) \
    X(VK_F21) \
    X(VK_F22) \
    X(VK_F23) \
    X(VK_F24) \
    X(INPUT_KEYBOARD) \
    X(KEYEVENTF_KEYUP) \
    X(MAPVK_VK_TO_VSC) \
    X(RID_INPUT) \
    X(RIDI_DEVICEINFO) \
    X(RIM_TYPEHID) \
    X(RIDEV_INPUTSINK) \
    X(RIDI_PREPARSEDDATA) \
    X(HidP_Input) \
    X(HIDP_STATUS_SUCCESS) \
    X(MIIM_STATE) \
    X(MFS_GRAYED) \
    X(MFS_CHECKED) \
    X(MF_STRING) \
    X(MF_SEPARATOR) \
    X(TPM_NONOTIFY) \
    X(TPM_RETURNCMD) \
    X(PROCESS_QUERY_LIMITED_INFORMATION) \
    X(TOKEN_QUERY) \
    X(TokenIntegrityLevel) \
    X(SECURITY_MANDATORY_MEDIUM_RID) \
    X(SECURITY_MANDATORY_HIGH_RID) \
    X(CB_DELETESTRING) \
    X(CB_INSERTSTRING) \
    X(CB_RESETCONTENT) \
    X(WH_MOUSE_LL) \
    X(SPI_GETFOREGROUNDLOCKTIMEOUT) \
    X(SPI_SETFOREGROUNDLOCKTIMEOUT) \
    X(NIM_ADD) \
    X(NIM_MODIFY) \
    X(NIM_DELETE) \
    X(NIF_MESSAGE) \
    X(NIF_ICON) \
    X(NIF_TIP) \
    X(NIF_INFO) \
    X(NIIF_INFO) \
    X(NIIF_WARNING) \
    X(GENERIC_READ) \
    X(GENERIC_WRITE) \
    X(FILE_APPEND_DATA) \
    X(FILE_SHARE_READ) \
    X(FILE_SHARE_WRITE) \
    X(FILE_SHARE_DELETE) \
    X(CREATE_NEW) \
    X(CREATE_ALWAYS) \
    X(OPEN_EXISTING) \
    X(OPEN_ALWAYS) \
    X(FILE_ATTRIBUTE_NORMAL) \
    X(FILE_FLAG_DELETE_ON_CLOSE) \
    X(MOVEFILE_REPLACE_EXISTING) \
    X(MOVEFILE_WRITE_THROUGH) \
    X(WM_GETTEXTLENGTH) \
    X(SW_SHOW) \
    X(SW_MINIMIZE) \
    X(SW_RESTORE) \
    X(BN_CLICKED) \
    X(BST_UNCHECKED) \
    X(BST_CHECKED) \
    X(EN_CHANGE) \
    X(LBN_SELCHANGE) \
    X(LB_ADDSTRING) \
    X(LB_INSERTSTRING) \
    X(LB_DELETESTRING) \
    X(LB_RESETCONTENT) \
    X(LB_SETCURSEL) \
    X(LB_GETCURSEL) \
    X(LB_SETTABSTOPS) \
    X(LB_SETHORIZONTALEXTENT) \
    X(CBN_SELCHANGE) \
    X(CB_ADDSTRING) \
    X(CB_GETCURSEL) \
    X(CB_SETCURSEL) \
    X(CB_FINDSTRINGEXACT) \
    X(HKM_SETHOTKEY) \
    X(HKM_GETHOTKEY) \
    X(HOTKEYF_SHIFT) \
    X(HOTKEYF_CONTROL) \
    X(HOTKEYF_ALT) \
    X(HOTKEYF_EXT) \
    X(CBN_DROPDOWN) \
    X(CBN_CLOSEUP) \
    X(CBN_SELENDOK) \
    X(CBN_SELENDCANCEL) \
    X(CB_GETDROPPEDSTATE) \
    X(IMAGE_ICON) \
    X(LR_DEFAULTCOLOR) \
    X(SM_CXSMICON) \
    X(SM_CYSMICON) \
    X(ICC_HOTKEY_CLASS) \
    X(OFN_HIDEREADONLY) \
    X(OFN_NOCHANGEDIR) \
    X(OFN_PATHMUSTEXIST) \
    X(OFN_FILEMUSTEXIST) \
    X(PM_REMOVE) \
    X(QS_ALLINPUT) \
    X(MWMO_INPUTAVAILABLE) \
    X(INFINITE) \
    X(WAIT_OBJECT_0) \
    X(WAIT_TIMEOUT) \
    X(WAIT_FAILED) \
    X(FILE_NOTIFY_CHANGE_FILE_NAME) \
    X(FILE_NOTIFY_CHANGE_SIZE) \
    X(FILE_NOTIFY_CHANGE_LAST_WRITE) \
    X(ERROR_FILE_NOT_FOUND) \
    X(ERROR_SHARING_VIOLATION) \
    X(ERROR_LOCK_VIOLATION) \
    X(ERROR_UNABLE_TO_REMOVE_REPLACED) \
    X(ERROR_UNABLE_TO_MOVE_REPLACEMENT) \
    X(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) \
    X(ERROR_FILE_EXISTS) \
    X(ERROR_ACCESS_DENIED) \
    X(ERROR_INVALID_PARAMETER) \
    X(ERROR_ALREADY_EXISTS) \
    X(ERROR_INSUFFICIENT_BUFFER) \
    X(CP_ACP) \
    X(MB_ERR_INVALID_CHARS) \
    X(CP_UTF8)

// Copies under other names, taken before <windows.h> turns the names into
// macros.
namespace ours {
#define KV_COPY(name) constexpr auto name##_ = win::name;
KV_WINDOWS_CONSTANTS(KV_COPY)
#undef KV_COPY
}  // namespace ours

#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
#include <commdlg.h>
#include <hidusage.h>
#include <hidpi.h>

// IDC_ARROW is a resource number dressed as a pointer; read as the number.
#undef MAKEINTRESOURCEW
#define MAKEINTRESOURCEW(number) (number)

// Compared as 64-bit signed numbers, so a sign or a width that differs
// counts as a different value.
#define KV_SAME_VALUE(name) \
    static_assert(static_cast<long long>(ours::name##_) == static_cast<long long>(name), #name);
KV_WINDOWS_CONSTANTS(KV_SAME_VALUE)
#undef KV_SAME_VALUE
