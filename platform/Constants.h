// Numbers of the Windows platform that the program uses, spelled as Windows
// spells them. Kept apart from Platform.h because <windows.h> defines the
// same names as macros.
#pragma once

#include "platform/Platform.h"

namespace win {

// Messages
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_SETICON = 0x0080;
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;
constexpr UINT WM_QUERYENDSESSION = 0x0011;
constexpr UINT WM_ENDSESSION = 0x0016;
constexpr UINT WM_INPUT = 0x00FF;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_SYSDEADCHAR = 0x0107;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr WPARAM WA_INACTIVE = 0;
constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_APP = 0x8000;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_USER = 0x0400;

// Dialog results
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Window styles and creation
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);
constexpr int COLOR_WINDOW = 5;
constexpr unsigned IDC_ARROW = 32512;

// The on-screen line: a window that never takes the focus nor a click
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_LAYERED = 0x00080000;
constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;
constexpr DWORD LWA_ALPHA = 0x00000002;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr DWORD MONITOR_DEFAULTTONEAREST = 0x00000002;
constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 0x00000001;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_MOUSEACTIVATE = 0x0021;
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT MA_NOACTIVATE = 3;
// Drawing its text
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr int TRANSPARENT = 1;
constexpr int BLACK_BRUSH = 4;
constexpr int FW_NORMAL = 400;
constexpr DWORD SHIFTJIS_CHARSET = 128;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD CLEARTYPE_QUALITY = 5;
constexpr DWORD ANTIALIASED_QUALITY = 4;
constexpr DWORD DEFAULT_PITCH = 0;

// HWND_TOPMOST: a place in the z-order dressed as a window handle.
inline HWND HwndTopmost() { return reinterpret_cast<HWND>(~std::uintptr_t{0}); }

// GetWindow
constexpr UINT GW_HWNDNEXT = 2;

// Virtual keys
constexpr BYTE VK_BACK = 0x08;
constexpr BYTE VK_RETURN = 0x0D;
constexpr BYTE VK_SHIFT = 0x10;
constexpr BYTE VK_CONTROL = 0x11;
constexpr BYTE VK_ESCAPE = 0x1B;
constexpr BYTE VK_SPACE = 0x20;
constexpr BYTE VK_LEFT = 0x25;
constexpr BYTE VK_UP = 0x26;
constexpr BYTE VK_RIGHT = 0x27;
constexpr BYTE VK_DOWN = 0x28;
constexpr BYTE VK_TAB = 0x09;
constexpr BYTE VK_MENU = 0x12;
constexpr BYTE VK_PRIOR = 0x21;
constexpr BYTE VK_NEXT = 0x22;
constexpr BYTE VK_END = 0x23;
constexpr BYTE VK_HOME = 0x24;
constexpr BYTE VK_INSERT = 0x2D;
constexpr BYTE VK_DELETE = 0x2E;
constexpr BYTE VK_F10 = 0x79;
constexpr BYTE VK_F13 = 0x7C;
constexpr BYTE VK_F14 = 0x7D;
constexpr BYTE VK_F15 = 0x7E;
constexpr BYTE VK_F16 = 0x7F;
constexpr BYTE VK_F17 = 0x80;
constexpr BYTE VK_F18 = 0x81;
constexpr BYTE VK_F19 = 0x82;
constexpr BYTE VK_F20 = 0x83;
constexpr BYTE VK_F21 = 0x84;
constexpr BYTE VK_F22 = 0x85;
constexpr BYTE VK_F23 = 0x86;
constexpr BYTE VK_F24 = 0x87;

// Input synthesis
constexpr DWORD INPUT_KEYBOARD = 1;
constexpr DWORD KEYEVENTF_KEYUP = 0x0002;
constexpr UINT MAPVK_VK_TO_VSC = 0;

// Raw input
constexpr UINT RID_INPUT = 0x10000003;
constexpr UINT RIDI_DEVICEINFO = 0x2000000B;
constexpr DWORD RIM_TYPEHID = 2;
constexpr DWORD RIDEV_INPUTSINK = 0x00000100;
constexpr UINT RIDI_PREPARSEDDATA = 0x20000005;

// The HID parser
constexpr HIDP_REPORT_TYPE HidP_Input = 0;
constexpr NTSTATUS HIDP_STATUS_SUCCESS = 0x00110000;

// Menus
constexpr UINT MIIM_STATE = 0x00000001;
constexpr UINT MFS_GRAYED = 0x00000003;
constexpr UINT MFS_CHECKED = 0x00000008;
constexpr UINT MF_STRING = 0x00000000;
constexpr UINT MF_SEPARATOR = 0x00000800;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

// Hooks
constexpr int WH_MOUSE_LL = 14;

// System parameters
constexpr UINT SPI_GETFOREGROUNDLOCKTIMEOUT = 0x2000;
constexpr UINT SPI_SETFOREGROUNDLOCKTIMEOUT = 0x2001;

// Notification area
constexpr DWORD NIM_ADD = 0x00000000;
constexpr DWORD NIM_MODIFY = 0x00000001;
constexpr DWORD NIM_DELETE = 0x00000002;
constexpr UINT NIF_MESSAGE = 0x00000001;
constexpr UINT NIF_ICON = 0x00000002;
constexpr UINT NIF_TIP = 0x00000004;
constexpr UINT NIF_INFO = 0x00000010;
constexpr DWORD NIIF_INFO = 0x00000001;
constexpr DWORD NIIF_WARNING = 0x00000002;

// Processes
constexpr DWORD PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
constexpr DWORD TOKEN_QUERY = 0x0008;
constexpr TOKEN_INFORMATION_CLASS TokenIntegrityLevel = 25;
constexpr DWORD SECURITY_MANDATORY_MEDIUM_RID = 0x2000;
constexpr DWORD SECURITY_MANDATORY_HIGH_RID = 0x3000;

// Files
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_APPEND_DATA = 0x00000004;
constexpr DWORD FILE_SHARE_READ = 0x00000001;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
constexpr DWORD FILE_SHARE_DELETE = 0x00000004;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000;
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x00000001;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x00000008;

// Dialog controls
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;
constexpr UINT BN_CLICKED = 0;
constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;
constexpr UINT EN_CHANGE = 0x0300;
constexpr UINT LBN_SELCHANGE = 1;
constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_INSERTSTRING = 0x0181;
constexpr UINT LB_DELETESTRING = 0x0182;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_SETTABSTOPS = 0x0192;
constexpr UINT LB_SETHORIZONTALEXTENT = 0x0194;
constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
constexpr UINT HKM_SETHOTKEY = 0x0401;
constexpr UINT HKM_GETHOTKEY = 0x0402;
constexpr UINT HOTKEYF_SHIFT = 0x01;
constexpr UINT HOTKEYF_CONTROL = 0x02;
constexpr UINT HOTKEYF_ALT = 0x04;
constexpr UINT HOTKEYF_EXT = 0x08;
constexpr UINT CBN_DROPDOWN = 7;
constexpr UINT CBN_CLOSEUP = 8;
constexpr UINT CBN_SELENDOK = 9;
constexpr UINT CBN_SELENDCANCEL = 10;
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT IMAGE_ICON = 1;
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
constexpr DWORD ICC_HOTKEY_CLASS = 0x00000040;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

// Waiting
constexpr UINT PM_REMOVE = 0x0001;
constexpr DWORD QS_ALLINPUT = 0x04FF;
constexpr DWORD MWMO_INPUTAVAILABLE = 0x0004;
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD FILE_NOTIFY_CHANGE_FILE_NAME = 0x00000001;
constexpr DWORD FILE_NOTIFY_CHANGE_SIZE = 0x00000008;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_WRITE = 0x00000010;

// Errors
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_LOCK_VIOLATION = 33;
constexpr DWORD ERROR_UNABLE_TO_REMOVE_REPLACED = 1175;
constexpr DWORD ERROR_UNABLE_TO_MOVE_REPLACEMENT = 1176;
constexpr DWORD ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 = 1177;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;

// Text conversion
constexpr UINT CP_ACP = 0;  // the system's ANSI code page
constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
constexpr UINT CP_UTF8 = 65001;

// A handle value, not a number <windows.h> defines as a constant expression.
inline HANDLE InvalidHandleValue() { return reinterpret_cast<HANDLE>(~std::uintptr_t{0}); }

}  // namespace win
