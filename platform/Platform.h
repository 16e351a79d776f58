// The program's one way out to Windows.
//
// Every platform operation the program uses is a member of `Platform`, named
// and ordered as Windows names and orders it. Records the platform passes
// around are mirrored here with the platform's own layout (the Win32 side
// proves the layout with static_asserts on both x64 and x86), so the logic
// never includes <windows.h> and builds natively on any system.
//
// Texts are UTF-16 (`char16_t`), as every Windows wide string is.
#pragma once

#include <cstddef>
#include <cstdint>

// Handle types are the very same types <windows.h> declares (pointers to these
// incomplete structs), so the Win32 side forwards handles without casts.
struct HWND__;
struct HINSTANCE__;
struct HMENU__;
struct HHOOK__;
struct HICON__;
struct HRAWINPUT__;
struct HACCEL__;
struct HDC__;
struct HFONT__;
struct HBRUSH__;
struct HMONITOR__;

namespace win {

using HWND = ::HWND__*;
using HINSTANCE = ::HINSTANCE__*;
using HMENU = ::HMENU__*;
using HHOOK = ::HHOOK__*;
using HICON = ::HICON__*;
using HCURSOR = ::HICON__*;
using HRAWINPUT = ::HRAWINPUT__*;
using HACCEL = ::HACCEL__*;
using HDC = ::HDC__*;
using HFONT = ::HFONT__*;
using HBRUSH = ::HBRUSH__*;
using HMONITOR = ::HMONITOR__*;
using HGDIOBJ = void*;
using COLORREF = std::uint32_t;
using HANDLE = void*;

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using ATOM = std::uint16_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using INT_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using UINT_PTR = std::uintptr_t;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);
using HOOKPROC = LRESULT (*)(int, WPARAM, LPARAM);
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

// MAKEINTRESOURCEW: a resource number travelling in a name pointer.
inline const char16_t* MakeIntResource(unsigned id) {
    return reinterpret_cast<const char16_t*>(static_cast<std::uintptr_t>(id));
}

struct POINT {
    LONG x;
    LONG y;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

struct STARTUPINFOW {
    DWORD cb;
    char16_t* lpReserved;
    char16_t* lpDesktop;
    char16_t* lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

// What WM_CREATE carries in lParam.
struct CREATESTRUCTW {
    void* lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    const char16_t* lpszName;
    const char16_t* lpszClass;
    DWORD dwExStyle;
};

// A monitor's whole area and the part of it left to windows (without the taskbar).
struct MONITORINFO {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
};

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};

struct WNDCLASSEXW {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    std::uintptr_t hbrBackground;  // a system colour index + 1, or a brush
    const char16_t* lpszMenuName;
    const char16_t* lpszClassName;
    HICON hIconSm;
};

struct RAWINPUTDEVICE {
    WORD usUsagePage;
    WORD usUsage;
    DWORD dwFlags;
    HWND hwndTarget;
};

struct RAWINPUTHEADER {
    DWORD dwType;
    DWORD dwSize;
    HANDLE hDevice;
    WPARAM wParam;
};

// The fixed part of a HID packet; the reports follow it.
struct RAWHID {
    DWORD dwSizeHid;
    DWORD dwCount;
};

struct RID_DEVICE_INFO_HID {
    DWORD dwVendorId;
    DWORD dwProductId;
    DWORD dwVersionNumber;
    WORD usUsagePage;
    WORD usUsage;
};

struct RAWINPUTDEVICELIST {
    HANDLE hDevice;
    DWORD dwType;
};

struct RID_DEVICE_INFO {
    DWORD cbSize;
    DWORD dwType;
    union {
        DWORD keyboardOrMouse[6];  // the larger of the other two members
        RID_DEVICE_INFO_HID hid;
    };
};

struct MOUSEINPUT {
    LONG dx;
    LONG dy;
    DWORD mouseData;
    DWORD dwFlags;
    DWORD time;
    ULONG_PTR dwExtraInfo;
};

struct KEYBDINPUT {
    WORD wVk;
    WORD wScan;
    DWORD dwFlags;
    DWORD time;
    ULONG_PTR dwExtraInfo;
};

struct INPUT {
    DWORD type;
    union {
        MOUSEINPUT mi;  // the largest member; fixes the record's size
        KEYBDINPUT ki;
    };
};

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

struct NOTIFYICONDATAW {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    char16_t szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    char16_t szInfo[256];
    UINT uTimeout;
    char16_t szInfoTitle[64];
    DWORD dwInfoFlags;
    GUID guidItem;
    HICON hBalloonIcon;
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

// Only the 64-bit view of the platform's union is used.
struct LARGE_INTEGER {
    std::int64_t QuadPart;
};

struct MENUITEMINFOW {
    UINT cbSize;
    UINT fMask;
    UINT fType;
    UINT fState;
    UINT wID;
    HMENU hSubMenu;
    HANDLE hbmpChecked;
    HANDLE hbmpUnchecked;
    ULONG_PTR dwItemData;
    char16_t* dwTypeData;
    UINT cch;
    HANDLE hbmpItem;
};

// GetOpenFileNameW's record.
struct OPENFILENAMEW {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    const char16_t* lpstrFilter;
    char16_t* lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    char16_t* lpstrFile;
    DWORD nMaxFile;
    char16_t* lpstrFileTitle;
    DWORD nMaxFileTitle;
    const char16_t* lpstrInitialDir;
    const char16_t* lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    const char16_t* lpstrDefExt;
    LPARAM lCustData;
    void* lpfnHook;
    const char16_t* lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};

struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};

// A process token's integrity level: the label's SID, whose last
// sub-authority is the level, follows the record in the same buffer.
using PSID = void*;
using TOKEN_INFORMATION_CLASS = int;  // an enumeration in the platform's headers

struct SID_AND_ATTRIBUTES {
    PSID Sid;
    DWORD Attributes;
};

struct TOKEN_MANDATORY_LABEL {
    SID_AND_ATTRIBUTES Label;
};

// hid.dll: a device's report descriptor as the system has parsed it (the
// bytes RIDI_PREPARSEDDATA gives), read only through the HidP functions.
struct HIDP_PREPARSED_DATA__;
using PHIDP_PREPARSED_DATA = HIDP_PREPARSED_DATA__*;
using NTSTATUS = LONG;
using USAGE = WORD;
using USHORT = std::uint16_t;
using ULONG = std::uint32_t;
using HIDP_REPORT_TYPE = int;  // an enumeration in the platform's headers

struct HIDP_CAPS {
    USAGE Usage;
    USAGE UsagePage;
    USHORT InputReportByteLength;
    USHORT OutputReportByteLength;
    USHORT FeatureReportByteLength;
    USHORT Reserved[17];
    USHORT NumberLinkCollectionNodes;
    USHORT NumberInputButtonCaps;
    USHORT NumberInputValueCaps;
    USHORT NumberInputDataIndices;
    USHORT NumberOutputButtonCaps;
    USHORT NumberOutputValueCaps;
    USHORT NumberOutputDataIndices;
    USHORT NumberFeatureButtonCaps;
    USHORT NumberFeatureValueCaps;
    USHORT NumberFeatureDataIndices;
};

// The platform operations, one member each, named as Windows names them.
class Platform {
public:
    virtual ~Platform() = default;

    // Windowing and messages
    virtual ATOM RegisterClassExW(const WNDCLASSEXW* wc) = 0;
    virtual HWND CreateWindowExW(DWORD exStyle, const char16_t* className, const char16_t* windowName,
                                 DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu,
                                 HINSTANCE instance, void* param) = 0;
    virtual BOOL DestroyWindow(HWND hwnd) = 0;
    virtual BOOL UpdateWindow(HWND hwnd) = 0;
    virtual LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void PostQuitMessage(int exitCode) = 0;
    virtual BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) = 0;
    virtual BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMessage) = 0;
    virtual DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds,
                                              DWORD wakeMask, DWORD flags) = 0;
    virtual int TranslateAcceleratorW(HWND hwnd, HACCEL accelerators, MSG* msg) = 0;
    virtual BOOL TranslateMessage(const MSG* msg) = 0;
    virtual LRESULT DispatchMessageW(const MSG* msg) = 0;
    virtual HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) = 0;
    virtual BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) = 0;
    virtual UINT RegisterWindowMessageW(const char16_t* name) = 0;
    virtual BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags) = 0;
    virtual BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) = 0;
    virtual BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) = 0;
    virtual HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) = 0;
    virtual BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) = 0;

    // Drawing
    virtual HDC GetDC(HWND hwnd) = 0;
    virtual int ReleaseDC(HWND hwnd, HDC dc) = 0;
    virtual HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                              DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                              DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char16_t* face) = 0;
    virtual HGDIOBJ GetStockObject(int object) = 0;
    virtual HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) = 0;
    virtual BOOL DeleteObject(HGDIOBJ object) = 0;
    virtual int SetBkMode(HDC dc, int mode) = 0;
    virtual COLORREF SetTextColor(HDC dc, COLORREF color) = 0;
    virtual int FillRect(HDC dc, const RECT* rect, HBRUSH brush) = 0;
    virtual int DrawTextW(HDC dc, const char16_t* text, int length, RECT* rect, UINT format) = 0;

    // Resources and dialogs
    virtual int LoadStringW(HINSTANCE instance, UINT id, char16_t* buffer, int capacity) = 0;
    virtual HICON LoadIconW(HINSTANCE instance, const char16_t* name) = 0;
    virtual HANDLE LoadImageW(HINSTANCE instance, const char16_t* name, UINT type, int width, int height,
                              UINT load) = 0;
    virtual int GetSystemMetrics(int index) = 0;
    virtual HCURSOR LoadCursorW(HINSTANCE instance, const char16_t* name) = 0;
    virtual HACCEL LoadAcceleratorsW(HINSTANCE instance, const char16_t* name) = 0;
    virtual INT_PTR DialogBoxParamW(HINSTANCE instance, const char16_t* templateName, HWND owner,
                                    DLGPROC dialogProc, LPARAM initParam) = 0;
    virtual BOOL EndDialog(HWND dialog, INT_PTR result) = 0;
    virtual HWND CreateDialogParamW(HINSTANCE instance, const char16_t* templateName, HWND owner,
                                    DLGPROC dialogProc, LPARAM initParam) = 0;
    virtual BOOL IsDialogMessageW(HWND dialog, MSG* msg) = 0;
    virtual std::int16_t GetKeyState(int virtualKey) = 0;
    virtual HWND GetFocus() = 0;
    virtual HWND SetFocus(HWND hwnd) = 0;
    virtual HWND GetDlgItem(HWND dialog, int id) = 0;
    virtual LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual BOOL MapDialogRect(HWND dialog, RECT* rect) = 0;
    virtual BOOL SetDlgItemTextW(HWND dialog, int id, const char16_t* text) = 0;
    virtual UINT GetDlgItemTextW(HWND dialog, int id, char16_t* buffer, int capacity) = 0;
    virtual BOOL CheckDlgButton(HWND dialog, int id, UINT check) = 0;
    virtual UINT IsDlgButtonChecked(HWND dialog, int id) = 0;
    virtual BOOL EnableWindow(HWND hwnd, BOOL enable) = 0;
    virtual BOOL ShowWindow(HWND hwnd, int command) = 0;
    virtual BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) = 0;
    virtual BOOL GetOpenFileNameW(OPENFILENAMEW* openFile) = 0;

    // Menus
    virtual HMENU LoadMenuW(HINSTANCE instance, const char16_t* name) = 0;
    virtual HMENU GetSubMenu(HMENU menu, int position) = 0;
    virtual BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOW* info) = 0;
    virtual BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info) = 0;
    virtual BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                                const RECT* rect) = 0;
    virtual HMENU CreatePopupMenu() = 0;
    virtual BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, const char16_t* text) = 0;
    virtual BOOL DestroyMenu(HMENU menu) = 0;

    // Raw input
    virtual BOOL RegisterRawInputDevices(const RAWINPUTDEVICE* devices, UINT count, UINT size) = 0;
    virtual UINT GetRawInputData(HRAWINPUT rawInput, UINT command, void* data, UINT* size,
                                 UINT headerSize) = 0;
    virtual UINT GetRawInputDeviceInfoW(HANDLE device, UINT command, void* data, UINT* size) = 0;
    virtual UINT GetRawInputDeviceList(RAWINPUTDEVICELIST* list, UINT* count, UINT size) = 0;

    // The HID parser (hid.dll), for the buttons of other consumer-control devices
    virtual NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, HIDP_CAPS* capabilities) = 0;
    virtual ULONG HidP_MaxUsageListLength(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                                          PHIDP_PREPARSED_DATA preparsedData) = 0;
    virtual NTSTATUS HidP_GetUsages(HIDP_REPORT_TYPE reportType, USAGE usagePage, USHORT linkCollection,
                                    USAGE* usageList, ULONG* usageLength, PHIDP_PREPARSED_DATA preparsedData,
                                    char* report, ULONG reportLength) = 0;

    // Window discovery
    virtual HWND GetForegroundWindow() = 0;
    virtual HWND GetParent(HWND hwnd) = 0;
    virtual HWND GetWindow(HWND hwnd, UINT command) = 0;
    virtual int GetClassNameW(HWND hwnd, char16_t* buffer, int capacity) = 0;
    virtual BOOL EnumWindows(WNDENUMPROC callback, LPARAM value) = 0;
    virtual BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM value) = 0;
    virtual BOOL IsWindow(HWND hwnd) = 0;
    virtual BOOL IsWindowVisible(HWND hwnd) = 0;
    virtual BOOL GetWindowRect(HWND hwnd, RECT* rect) = 0;
    virtual BOOL IsIconic(HWND hwnd) = 0;
    virtual BOOL IsWindowEnabled(HWND hwnd) = 0;
    virtual BOOL IsHungAppWindow(HWND hwnd) = 0;
    virtual HWND WindowFromPoint(POINT point) = 0;
    virtual HWND FindWindowW(const char16_t* className, const char16_t* windowName) = 0;
    virtual DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) = 0;

    // Input synthesis
    virtual UINT SendInput(UINT count, INPUT* inputs, int size) = 0;
    virtual void keybd_event(BYTE key, BYTE scan, DWORD flags, ULONG_PTR extraInfo) = 0;
    virtual UINT MapVirtualKeyW(UINT code, UINT mapType) = 0;

    // Activation
    virtual BOOL AttachThreadInput(DWORD attach, DWORD attachTo, BOOL doAttach) = 0;
    virtual HWND SetActiveWindow(HWND hwnd) = 0;
    virtual BOOL SetForegroundWindow(HWND hwnd) = 0;
    virtual BOOL SystemParametersInfoW(UINT action, UINT uiParam, void* pvParam, UINT winIni) = 0;

    // Hooks
    virtual HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE instance, DWORD threadId) = 0;
    virtual LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) = 0;
    virtual BOOL UnhookWindowsHookEx(HHOOK hook) = 0;
    virtual BOOL GetCursorPos(POINT* point) = 0;

    // Notification area
    virtual BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) = 0;

    // Process services
    virtual HANDLE CreateMutexW(void* attributes, BOOL initialOwner, const char16_t* name) = 0;
    virtual HANDLE CreateFileW(const char16_t* fileName, DWORD access, DWORD shareMode, void* security,
                               DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile) = 0;
    virtual BOOL CloseHandle(HANDLE handle) = 0;
    virtual HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId) = 0;
    virtual BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, char16_t* name, DWORD* size) = 0;
    virtual HANDLE GetCurrentProcess() = 0;
    virtual BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) = 0;
    virtual BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, void* information,
                                     DWORD length, DWORD* returnLength) = 0;
    virtual BYTE* GetSidSubAuthorityCount(PSID sid) = 0;
    virtual DWORD* GetSidSubAuthority(PSID sid, DWORD subAuthority) = 0;
    virtual BOOL CreateProcessW(const char16_t* applicationName, char16_t* commandLine, void* processAttributes,
                                void* threadAttributes, BOOL inheritHandles, DWORD creationFlags, void* environment,
                                const char16_t* currentDirectory, STARTUPINFOW* startupInfo,
                                PROCESS_INFORMATION* processInformation) = 0;
    virtual BOOL ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead, void* overlapped) = 0;
    virtual BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten,
                           void* overlapped) = 0;
    virtual BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) = 0;
    virtual BOOL MoveFileExW(const char16_t* existingFileName, const char16_t* newFileName, DWORD flags) = 0;
    virtual BOOL ReplaceFileW(const char16_t* replacedFileName, const char16_t* replacementFileName,
                              const char16_t* backupFileName, DWORD replaceFlags, void* exclude, void* reserved) = 0;
    virtual BOOL FlushFileBuffers(HANDLE file) = 0;
    virtual BOOL DeleteFileW(const char16_t* fileName) = 0;
    virtual DWORD GetCurrentDirectoryW(DWORD capacity, char16_t* buffer) = 0;
    virtual BOOL SetCurrentDirectoryW(const char16_t* pathName) = 0;
    virtual DWORD GetLastError() = 0;
    virtual DWORD GetModuleFileNameW(HINSTANCE module, char16_t* buffer, DWORD capacity) = 0;
    virtual int _wsplitpath_s(const char16_t* path, char16_t* drive, std::size_t driveCapacity,
                              char16_t* directory, std::size_t directoryCapacity, char16_t* fileName,
                              std::size_t fileNameCapacity, char16_t* extension,
                              std::size_t extensionCapacity) = 0;
    virtual DWORD GetPrivateProfileStringW(const char16_t* section, const char16_t* key,
                                           const char16_t* defaultValue, char16_t* buffer, DWORD capacity,
                                           const char16_t* fileName) = 0;
    virtual BOOL WritePrivateProfileStringW(const char16_t* section, const char16_t* key,
                                            const char16_t* value, const char16_t* fileName) = 0;
    virtual HANDLE FindFirstChangeNotificationW(const char16_t* pathName, BOOL watchSubtree, DWORD notifyFilter) = 0;
    virtual BOOL FindNextChangeNotification(HANDLE change) = 0;
    virtual BOOL FindCloseChangeNotification(HANDLE change) = 0;
    virtual DWORD GetPrivateProfileSectionW(const char16_t* section, char16_t* buffer, DWORD capacity,
                                            const char16_t* fileName) = 0;
    virtual DWORD GetPrivateProfileSectionNamesW(char16_t* buffer, DWORD capacity, const char16_t* fileName) = 0;
    virtual UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC timerProc) = 0;
    virtual BOOL KillTimer(HWND hwnd, UINT_PTR id) = 0;
    virtual void GetLocalTime(SYSTEMTIME* time) = 0;
    virtual void Sleep(DWORD milliseconds) = 0;
    virtual DWORD GetTickCount() = 0;

    // Text conversion
    virtual int MultiByteToWideChar(UINT codePage, DWORD flags, const char* multiByteText, int multiByteLength,
                                    char16_t* buffer, int capacity) = 0;
    virtual int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* wideText, int wideLength,
                                    char* buffer, int capacity, const char* defaultChar,
                                    BOOL* usedDefaultChar) = 0;
};

// The platform the program talks to: the real one in Korvanta.exe, a simulated
// desktop in the native tests.
extern Platform* g_platform;
inline Platform& Win() { return *g_platform; }
inline void SetPlatform(Platform* platform) { g_platform = platform; }

}  // namespace win
