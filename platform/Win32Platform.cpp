// The real side of the platform seam: every member forwards to the Windows
// function of the same name. This is the only file that sees <windows.h>.
//
// The logic's records mirror the platform's; the static_asserts below prove
// each mirror has the real record's size and field offsets on the target
// being built (x64 and x86 alike), and only then are pointers to them passed
// to Windows as pointers to the real records.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
#include <commdlg.h>
// MinGW-w64's HID headers declare the functions without C linkage.
extern "C" {
#include <hidusage.h>
#include <hidpi.h>
}

#include <cstddef>
#include <cstdlib>

#include "platform/Win32Platform.h"

// ---------------------------------------------------------------------------
// Layout proofs

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide strings are UTF-16 on Windows");
static_assert(sizeof(::DWORD) == sizeof(win::DWORD) && sizeof(::UINT) == sizeof(win::UINT) &&
                  sizeof(::LONG) == sizeof(win::LONG) && sizeof(::WPARAM) == sizeof(win::WPARAM) &&
                  sizeof(::LPARAM) == sizeof(win::LPARAM) && sizeof(::LRESULT) == sizeof(win::LRESULT) &&
                  sizeof(::INT_PTR) == sizeof(win::INT_PTR) && sizeof(::ULONG_PTR) == sizeof(win::ULONG_PTR) &&
                  sizeof(::BOOL) == sizeof(win::BOOL) && sizeof(::ATOM) == sizeof(win::ATOM),
              "scalar types");

// The shell packs its records to 1 byte on x86, so a mirror may be more
// strictly aligned than the real record, never less.
#define KV_SAME_RECORD(record) \
    static_assert(sizeof(win::record) == sizeof(::record) && alignof(win::record) >= alignof(::record), #record)
#define KV_SAME_FIELD(record, field)                                           \
    static_assert(offsetof(win::record, field) == offsetof(::record, field) && \
                      sizeof(win::record::field) == sizeof(::record::field),   \
                  #record "::" #field)

KV_SAME_RECORD(POINT);
KV_SAME_FIELD(POINT, x);
KV_SAME_FIELD(POINT, y);

KV_SAME_RECORD(RECT);
KV_SAME_FIELD(RECT, left);
KV_SAME_FIELD(RECT, top);
KV_SAME_FIELD(RECT, right);
KV_SAME_FIELD(RECT, bottom);

KV_SAME_RECORD(MSG);
KV_SAME_FIELD(MSG, hwnd);
KV_SAME_FIELD(MSG, message);
KV_SAME_FIELD(MSG, wParam);
KV_SAME_FIELD(MSG, lParam);
KV_SAME_FIELD(MSG, time);
KV_SAME_FIELD(MSG, pt);

KV_SAME_RECORD(STARTUPINFOW);
KV_SAME_FIELD(STARTUPINFOW, cb);
KV_SAME_FIELD(STARTUPINFOW, lpReserved);
KV_SAME_FIELD(STARTUPINFOW, lpDesktop);
KV_SAME_FIELD(STARTUPINFOW, lpTitle);
KV_SAME_FIELD(STARTUPINFOW, dwX);
KV_SAME_FIELD(STARTUPINFOW, dwYCountChars);
KV_SAME_FIELD(STARTUPINFOW, dwFlags);
KV_SAME_FIELD(STARTUPINFOW, wShowWindow);
KV_SAME_FIELD(STARTUPINFOW, cbReserved2);
KV_SAME_FIELD(STARTUPINFOW, lpReserved2);
KV_SAME_FIELD(STARTUPINFOW, hStdInput);
KV_SAME_FIELD(STARTUPINFOW, hStdError);

KV_SAME_RECORD(PROCESS_INFORMATION);
KV_SAME_FIELD(PROCESS_INFORMATION, hProcess);
KV_SAME_FIELD(PROCESS_INFORMATION, hThread);
KV_SAME_FIELD(PROCESS_INFORMATION, dwProcessId);
KV_SAME_FIELD(PROCESS_INFORMATION, dwThreadId);

KV_SAME_RECORD(RAWINPUTDEVICELIST);
KV_SAME_FIELD(RAWINPUTDEVICELIST, hDevice);
KV_SAME_FIELD(RAWINPUTDEVICELIST, dwType);

KV_SAME_RECORD(CREATESTRUCTW);
KV_SAME_FIELD(CREATESTRUCTW, lpCreateParams);
KV_SAME_FIELD(CREATESTRUCTW, hInstance);
KV_SAME_FIELD(CREATESTRUCTW, hMenu);
KV_SAME_FIELD(CREATESTRUCTW, hwndParent);
KV_SAME_FIELD(CREATESTRUCTW, cy);
KV_SAME_FIELD(CREATESTRUCTW, cx);
KV_SAME_FIELD(CREATESTRUCTW, y);
KV_SAME_FIELD(CREATESTRUCTW, x);
KV_SAME_FIELD(CREATESTRUCTW, style);
KV_SAME_FIELD(CREATESTRUCTW, lpszName);
KV_SAME_FIELD(CREATESTRUCTW, lpszClass);
KV_SAME_FIELD(CREATESTRUCTW, dwExStyle);

KV_SAME_RECORD(MONITORINFO);
KV_SAME_FIELD(MONITORINFO, cbSize);
KV_SAME_FIELD(MONITORINFO, rcMonitor);
KV_SAME_FIELD(MONITORINFO, rcWork);
KV_SAME_FIELD(MONITORINFO, dwFlags);

KV_SAME_RECORD(PAINTSTRUCT);
KV_SAME_FIELD(PAINTSTRUCT, hdc);
KV_SAME_FIELD(PAINTSTRUCT, fErase);
KV_SAME_FIELD(PAINTSTRUCT, rcPaint);
KV_SAME_FIELD(PAINTSTRUCT, fRestore);
KV_SAME_FIELD(PAINTSTRUCT, fIncUpdate);
KV_SAME_FIELD(PAINTSTRUCT, rgbReserved);

KV_SAME_RECORD(WNDCLASSEXW);
KV_SAME_FIELD(WNDCLASSEXW, cbSize);
KV_SAME_FIELD(WNDCLASSEXW, style);
KV_SAME_FIELD(WNDCLASSEXW, lpfnWndProc);
KV_SAME_FIELD(WNDCLASSEXW, cbClsExtra);
KV_SAME_FIELD(WNDCLASSEXW, cbWndExtra);
KV_SAME_FIELD(WNDCLASSEXW, hInstance);
KV_SAME_FIELD(WNDCLASSEXW, hIcon);
KV_SAME_FIELD(WNDCLASSEXW, hCursor);
KV_SAME_FIELD(WNDCLASSEXW, hbrBackground);
KV_SAME_FIELD(WNDCLASSEXW, lpszMenuName);
KV_SAME_FIELD(WNDCLASSEXW, lpszClassName);
KV_SAME_FIELD(WNDCLASSEXW, hIconSm);

KV_SAME_RECORD(RAWINPUTDEVICE);
KV_SAME_FIELD(RAWINPUTDEVICE, usUsagePage);
KV_SAME_FIELD(RAWINPUTDEVICE, usUsage);
KV_SAME_FIELD(RAWINPUTDEVICE, dwFlags);
KV_SAME_FIELD(RAWINPUTDEVICE, hwndTarget);

KV_SAME_RECORD(RAWINPUTHEADER);
KV_SAME_FIELD(RAWINPUTHEADER, dwType);
KV_SAME_FIELD(RAWINPUTHEADER, dwSize);
KV_SAME_FIELD(RAWINPUTHEADER, hDevice);
KV_SAME_FIELD(RAWINPUTHEADER, wParam);

// The real RAWHID ends in a one-byte array standing for the reports, so only
// the fixed part is compared; the reports follow it in both.
KV_SAME_FIELD(RAWHID, dwSizeHid);
KV_SAME_FIELD(RAWHID, dwCount);
static_assert(offsetof(::RAWHID, bRawData) == sizeof(win::RAWHID), "RAWHID reports");
static_assert(offsetof(::RAWINPUT, data) == sizeof(win::RAWINPUTHEADER), "RAWINPUT packet body");

KV_SAME_RECORD(RID_DEVICE_INFO_HID);
KV_SAME_FIELD(RID_DEVICE_INFO_HID, dwVendorId);
KV_SAME_FIELD(RID_DEVICE_INFO_HID, dwProductId);
KV_SAME_FIELD(RID_DEVICE_INFO_HID, dwVersionNumber);
KV_SAME_FIELD(RID_DEVICE_INFO_HID, usUsagePage);
KV_SAME_FIELD(RID_DEVICE_INFO_HID, usUsage);

KV_SAME_RECORD(RID_DEVICE_INFO);
KV_SAME_FIELD(RID_DEVICE_INFO, cbSize);
KV_SAME_FIELD(RID_DEVICE_INFO, dwType);
KV_SAME_FIELD(RID_DEVICE_INFO, hid);

KV_SAME_RECORD(MOUSEINPUT);
KV_SAME_FIELD(MOUSEINPUT, dx);
KV_SAME_FIELD(MOUSEINPUT, dy);
KV_SAME_FIELD(MOUSEINPUT, mouseData);
KV_SAME_FIELD(MOUSEINPUT, dwFlags);
KV_SAME_FIELD(MOUSEINPUT, time);
KV_SAME_FIELD(MOUSEINPUT, dwExtraInfo);

KV_SAME_RECORD(KEYBDINPUT);
KV_SAME_FIELD(KEYBDINPUT, wVk);
KV_SAME_FIELD(KEYBDINPUT, wScan);
KV_SAME_FIELD(KEYBDINPUT, dwFlags);
KV_SAME_FIELD(KEYBDINPUT, time);
KV_SAME_FIELD(KEYBDINPUT, dwExtraInfo);

KV_SAME_RECORD(INPUT);
KV_SAME_FIELD(INPUT, type);
KV_SAME_FIELD(INPUT, mi);
KV_SAME_FIELD(INPUT, ki);

KV_SAME_RECORD(GUID);
KV_SAME_FIELD(GUID, Data1);
KV_SAME_FIELD(GUID, Data2);
KV_SAME_FIELD(GUID, Data3);
KV_SAME_FIELD(GUID, Data4);

KV_SAME_RECORD(NOTIFYICONDATAW);
KV_SAME_FIELD(NOTIFYICONDATAW, cbSize);
KV_SAME_FIELD(NOTIFYICONDATAW, hWnd);
KV_SAME_FIELD(NOTIFYICONDATAW, uID);
KV_SAME_FIELD(NOTIFYICONDATAW, uFlags);
KV_SAME_FIELD(NOTIFYICONDATAW, uCallbackMessage);
KV_SAME_FIELD(NOTIFYICONDATAW, hIcon);
KV_SAME_FIELD(NOTIFYICONDATAW, szTip);
KV_SAME_FIELD(NOTIFYICONDATAW, dwState);
KV_SAME_FIELD(NOTIFYICONDATAW, dwStateMask);
KV_SAME_FIELD(NOTIFYICONDATAW, szInfo);
KV_SAME_FIELD(NOTIFYICONDATAW, uTimeout);
KV_SAME_FIELD(NOTIFYICONDATAW, szInfoTitle);
KV_SAME_FIELD(NOTIFYICONDATAW, dwInfoFlags);
KV_SAME_FIELD(NOTIFYICONDATAW, guidItem);
KV_SAME_FIELD(NOTIFYICONDATAW, hBalloonIcon);

KV_SAME_RECORD(SYSTEMTIME);
KV_SAME_FIELD(SYSTEMTIME, wYear);
KV_SAME_FIELD(SYSTEMTIME, wMonth);
KV_SAME_FIELD(SYSTEMTIME, wDayOfWeek);
KV_SAME_FIELD(SYSTEMTIME, wDay);
KV_SAME_FIELD(SYSTEMTIME, wHour);
KV_SAME_FIELD(SYSTEMTIME, wMinute);
KV_SAME_FIELD(SYSTEMTIME, wSecond);
KV_SAME_FIELD(SYSTEMTIME, wMilliseconds);

KV_SAME_RECORD(LARGE_INTEGER);
KV_SAME_FIELD(LARGE_INTEGER, QuadPart);

KV_SAME_RECORD(MENUITEMINFOW);
KV_SAME_FIELD(MENUITEMINFOW, cbSize);
KV_SAME_FIELD(MENUITEMINFOW, fMask);
KV_SAME_FIELD(MENUITEMINFOW, fType);
KV_SAME_FIELD(MENUITEMINFOW, fState);
KV_SAME_FIELD(MENUITEMINFOW, wID);
KV_SAME_FIELD(MENUITEMINFOW, hSubMenu);
KV_SAME_FIELD(MENUITEMINFOW, hbmpChecked);
KV_SAME_FIELD(MENUITEMINFOW, hbmpUnchecked);
KV_SAME_FIELD(MENUITEMINFOW, dwItemData);
KV_SAME_FIELD(MENUITEMINFOW, dwTypeData);
KV_SAME_FIELD(MENUITEMINFOW, cch);
KV_SAME_FIELD(MENUITEMINFOW, hbmpItem);

KV_SAME_RECORD(OPENFILENAMEW);
KV_SAME_FIELD(OPENFILENAMEW, lStructSize);
KV_SAME_FIELD(OPENFILENAMEW, hwndOwner);
KV_SAME_FIELD(OPENFILENAMEW, hInstance);
KV_SAME_FIELD(OPENFILENAMEW, lpstrFilter);
KV_SAME_FIELD(OPENFILENAMEW, lpstrCustomFilter);
KV_SAME_FIELD(OPENFILENAMEW, nMaxCustFilter);
KV_SAME_FIELD(OPENFILENAMEW, nFilterIndex);
KV_SAME_FIELD(OPENFILENAMEW, lpstrFile);
KV_SAME_FIELD(OPENFILENAMEW, nMaxFile);
KV_SAME_FIELD(OPENFILENAMEW, lpstrFileTitle);
KV_SAME_FIELD(OPENFILENAMEW, nMaxFileTitle);
KV_SAME_FIELD(OPENFILENAMEW, lpstrInitialDir);
KV_SAME_FIELD(OPENFILENAMEW, lpstrTitle);
KV_SAME_FIELD(OPENFILENAMEW, Flags);
KV_SAME_FIELD(OPENFILENAMEW, nFileOffset);
KV_SAME_FIELD(OPENFILENAMEW, nFileExtension);
KV_SAME_FIELD(OPENFILENAMEW, lpstrDefExt);
KV_SAME_FIELD(OPENFILENAMEW, lCustData);
KV_SAME_FIELD(OPENFILENAMEW, lpfnHook);
KV_SAME_FIELD(OPENFILENAMEW, lpTemplateName);
KV_SAME_FIELD(OPENFILENAMEW, pvReserved);
KV_SAME_FIELD(OPENFILENAMEW, dwReserved);
KV_SAME_FIELD(OPENFILENAMEW, FlagsEx);

KV_SAME_RECORD(INITCOMMONCONTROLSEX);
KV_SAME_FIELD(INITCOMMONCONTROLSEX, dwSize);
KV_SAME_FIELD(INITCOMMONCONTROLSEX, dwICC);

KV_SAME_RECORD(SID_AND_ATTRIBUTES);
KV_SAME_FIELD(SID_AND_ATTRIBUTES, Sid);
KV_SAME_FIELD(SID_AND_ATTRIBUTES, Attributes);

KV_SAME_RECORD(TOKEN_MANDATORY_LABEL);
KV_SAME_FIELD(TOKEN_MANDATORY_LABEL, Label);

#undef KV_SAME_FIELD
#undef KV_SAME_RECORD

// The 32-bit sizes the shell and user32 check cbSize against; a wrong
// _WIN32_WINNT/NTDDI_VERSION would silently drop hBalloonIcon.
static_assert(sizeof(void*) != 4 || sizeof(::NOTIFYICONDATAW) == 956, "NOTIFYICONDATAW, x86");
static_assert(sizeof(void*) != 4 || sizeof(::MENUITEMINFOW) == 48, "MENUITEMINFOW, x86");
static_assert(sizeof(void*) != 4 || sizeof(::INPUT) == 28, "INPUT, x86");
static_assert(sizeof(void*) != 4 || sizeof(::RAWINPUTHEADER) == 16, "RAWINPUTHEADER, x86");
static_assert(sizeof(void*) != 8 || sizeof(::NOTIFYICONDATAW) == 976, "NOTIFYICONDATAW, x64");
static_assert(sizeof(void*) != 8 || sizeof(::MENUITEMINFOW) == 80, "MENUITEMINFOW, x64");
static_assert(sizeof(void*) != 8 || sizeof(::INPUT) == 40, "INPUT, x64");
static_assert(sizeof(void*) != 8 || sizeof(::RAWINPUTHEADER) == 24, "RAWINPUTHEADER, x64");
static_assert(sizeof(::COLORREF) == sizeof(win::COLORREF), "COLORREF");
static_assert(sizeof(::HGDIOBJ) == sizeof(win::HGDIOBJ), "HGDIOBJ");
static_assert(sizeof(::RID_DEVICE_INFO) == 32, "RID_DEVICE_INFO");
static_assert(sizeof(::HIDP_CAPS) == sizeof(win::HIDP_CAPS) && sizeof(::HIDP_CAPS) == 64 &&
                  offsetof(::HIDP_CAPS, InputReportByteLength) == offsetof(win::HIDP_CAPS, InputReportByteLength),
              "HIDP_CAPS");
static_assert(sizeof(::USAGE) == sizeof(win::USAGE) && sizeof(::NTSTATUS) == sizeof(win::NTSTATUS) &&
                  sizeof(::ULONG) == sizeof(win::ULONG),
              "HID parser types");
static_assert(sizeof(::SYSTEMTIME) == 16 && sizeof(::LARGE_INTEGER) == 8, "SYSTEMTIME, LARGE_INTEGER");
static_assert(sizeof(void*) != 4 || sizeof(::RAWINPUTDEVICE) == 12, "RAWINPUTDEVICE, x86");

namespace {

// ---------------------------------------------------------------------------
// Forward declarations

const wchar_t* Wide(const char16_t* text);
wchar_t* Wide(char16_t* text);
INT_PTR CALLBACK DialogProcThunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ModelessDialogProcThunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

LRESULT CALLBACK HookProcThunk(int code, WPARAM wParam, LPARAM lParam);
BOOL CALLBACK EnumProcThunk(HWND hwnd, LPARAM value);

// ---------------------------------------------------------------------------
// Callback slots
//
// The logic's callbacks are plain functions in the default calling
// convention, which on x86 is not the __stdcall that Windows calls. Each kind
// gets one slot and one thunk: the program registers one window class, runs
// one dialog at a time and installs one hook at a time.

// The window classes: the hidden main window's and the on-screen line's,
// each its procedure in a slot of its own, in the order they are registered.
constexpr int kWindowClassSlots = 2;
win::WNDPROC g_windowProcs[kWindowClassSlots] = {};
win::DLGPROC g_dialogProc = nullptr;
win::DLGPROC g_modelessDialogProc = nullptr;  // the one modeless window, beside a modal box
win::HOOKPROC g_hookProc = nullptr;

// Enumeration carries its callback with it, so nested or repeated walks
// need no shared slot.
struct EnumCall {
    win::WNDENUMPROC callback;
    win::LPARAM value;
};

// comctl32 and comdlg32 serve the settings window only: they are loaded the
// first time it needs them, so that Korvanta does not carry them at idle
// (about 0.8 MB of private memory under Wine). Once loaded they stay.
template <typename Function>
Function LoadedProc(const wchar_t* dll, const char* name) {
    const HMODULE module = ::LoadLibraryW(dll);
    if (!module) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

template <int Slot>
LRESULT CALLBACK WindowProcThunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!g_windowProcs[Slot]) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    return g_windowProcs[Slot](hwnd, message, wParam, lParam);
}

constexpr WNDPROC kWindowProcThunks[kWindowClassSlots] = {WindowProcThunk<0>, WindowProcThunk<1>};

// The slot of a procedure already registered, or the first free one; -1 when none is left.
int WindowProcSlot(win::WNDPROC proc) {
    for (int slot = 0; slot < kWindowClassSlots; ++slot)
        if (g_windowProcs[slot] == proc || !g_windowProcs[slot]) return slot;
    return -1;
}

INT_PTR CALLBACK DialogProcThunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!g_dialogProc) return FALSE;
    return g_dialogProc(dialog, message, wParam, lParam);
}

INT_PTR CALLBACK ModelessDialogProcThunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!g_modelessDialogProc) return FALSE;
    return g_modelessDialogProc(dialog, message, wParam, lParam);
}

LRESULT CALLBACK HookProcThunk(int code, WPARAM wParam, LPARAM lParam) {
    if (!g_hookProc) return ::CallNextHookEx(nullptr, code, wParam, lParam);
    return g_hookProc(code, wParam, lParam);
}

BOOL CALLBACK EnumProcThunk(HWND hwnd, LPARAM value) {
    const EnumCall* call = reinterpret_cast<const EnumCall*>(value);
    return call->callback(hwnd, call->value);
}

// ---------------------------------------------------------------------------
// The forwarding layer

class RealPlatform final : public win::Platform {
public:
    // Windowing and messages
    win::ATOM RegisterClassExW(const win::WNDCLASSEXW* wc) override {
        ::WNDCLASSEXW real = *reinterpret_cast<const ::WNDCLASSEXW*>(wc);
        const int slot = WindowProcSlot(wc->lpfnWndProc);
        if (slot < 0) return 0;
        g_windowProcs[slot] = wc->lpfnWndProc;
        real.lpfnWndProc = kWindowProcThunks[slot];
        return ::RegisterClassExW(&real);
    }
    win::HWND CreateWindowExW(win::DWORD exStyle, const char16_t* className, const char16_t* windowName,
                              win::DWORD style, int x, int y, int width, int height, win::HWND parent,
                              win::HMENU menu, win::HINSTANCE instance, void* param) override {
        return ::CreateWindowExW(exStyle, Wide(className), Wide(windowName), style, x, y, width, height, parent,
                                 menu, instance, param);
    }
    win::BOOL DestroyWindow(win::HWND hwnd) override { return ::DestroyWindow(hwnd); }
    win::BOOL UpdateWindow(win::HWND hwnd) override { return ::UpdateWindow(hwnd); }
    win::LRESULT DefWindowProcW(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                                win::LPARAM lParam) override {
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    win::BOOL PostMessageW(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) override {
        return ::PostMessageW(hwnd, message, wParam, lParam);
    }
    win::LRESULT SendMessageW(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                              win::LPARAM lParam) override {
        return ::SendMessageW(hwnd, message, wParam, lParam);
    }
    void PostQuitMessage(int exitCode) override { ::PostQuitMessage(exitCode); }
    win::BOOL GetMessageW(win::MSG* msg, win::HWND hwnd, win::UINT filterMin, win::UINT filterMax) override {
        return ::GetMessageW(reinterpret_cast<::MSG*>(msg), hwnd, filterMin, filterMax);
    }
    win::BOOL PeekMessageW(win::MSG* msg, win::HWND hwnd, win::UINT filterMin, win::UINT filterMax,
                           win::UINT removeMessage) override {
        return ::PeekMessageW(reinterpret_cast<::MSG*>(msg), hwnd, filterMin, filterMax, removeMessage);
    }
    win::DWORD MsgWaitForMultipleObjectsEx(win::DWORD count, const win::HANDLE* handles, win::DWORD milliseconds,
                                           win::DWORD wakeMask, win::DWORD flags) override {
        return ::MsgWaitForMultipleObjectsEx(count, handles, milliseconds, wakeMask, flags);
    }
    int TranslateAcceleratorW(win::HWND hwnd, win::HACCEL accelerators, win::MSG* msg) override {
        return ::TranslateAcceleratorW(hwnd, accelerators, reinterpret_cast<::MSG*>(msg));
    }
    win::BOOL TranslateMessage(const win::MSG* msg) override {
        return ::TranslateMessage(reinterpret_cast<const ::MSG*>(msg));
    }
    win::LRESULT DispatchMessageW(const win::MSG* msg) override {
        return ::DispatchMessageW(reinterpret_cast<const ::MSG*>(msg));
    }
    win::BOOL SetWindowPos(win::HWND hwnd, win::HWND insertAfter, int x, int y, int width, int height,
                           win::UINT flags) override {
        return ::SetWindowPos(hwnd, insertAfter, x, y, width, height, flags);
    }
    win::BOOL SetLayeredWindowAttributes(win::HWND hwnd, win::COLORREF key, win::BYTE alpha,
                                         win::DWORD flags) override {
        return ::SetLayeredWindowAttributes(hwnd, key, alpha, flags);
    }
    win::BOOL InvalidateRect(win::HWND hwnd, const win::RECT* rect, win::BOOL erase) override {
        return ::InvalidateRect(hwnd, reinterpret_cast<const ::RECT*>(rect), erase);
    }
    win::HMONITOR MonitorFromWindow(win::HWND hwnd, win::DWORD flags) override {
        return ::MonitorFromWindow(hwnd, flags);
    }
    win::BOOL GetMonitorInfoW(win::HMONITOR monitor, win::MONITORINFO* info) override {
        return ::GetMonitorInfoW(monitor, reinterpret_cast<::MONITORINFO*>(info));
    }

    // Drawing
    win::HDC GetDC(win::HWND hwnd) override { return ::GetDC(hwnd); }
    int ReleaseDC(win::HWND hwnd, win::HDC dc) override { return ::ReleaseDC(hwnd, dc); }
    win::HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, win::DWORD italic,
                           win::DWORD underline, win::DWORD strikeOut, win::DWORD charSet, win::DWORD outPrecision,
                           win::DWORD clipPrecision, win::DWORD quality, win::DWORD pitchAndFamily,
                           const char16_t* face) override {
        return ::CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                             outPrecision, clipPrecision, quality, pitchAndFamily, Wide(face));
    }
    win::HGDIOBJ GetStockObject(int object) override { return ::GetStockObject(object); }
    win::HGDIOBJ SelectObject(win::HDC dc, win::HGDIOBJ object) override { return ::SelectObject(dc, object); }
    win::BOOL DeleteObject(win::HGDIOBJ object) override { return ::DeleteObject(object); }
    int SetBkMode(win::HDC dc, int mode) override { return ::SetBkMode(dc, mode); }
    win::COLORREF SetTextColor(win::HDC dc, win::COLORREF color) override { return ::SetTextColor(dc, color); }
    int FillRect(win::HDC dc, const win::RECT* rect, win::HBRUSH brush) override {
        return ::FillRect(dc, reinterpret_cast<const ::RECT*>(rect), brush);
    }
    int DrawTextW(win::HDC dc, const char16_t* text, int length, win::RECT* rect, win::UINT format) override {
        return ::DrawTextW(dc, Wide(text), length, reinterpret_cast<::RECT*>(rect), format);
    }

    win::HDC BeginPaint(win::HWND hwnd, win::PAINTSTRUCT* paint) override {
        return ::BeginPaint(hwnd, reinterpret_cast<::PAINTSTRUCT*>(paint));
    }
    win::BOOL EndPaint(win::HWND hwnd, const win::PAINTSTRUCT* paint) override {
        return ::EndPaint(hwnd, reinterpret_cast<const ::PAINTSTRUCT*>(paint));
    }
    win::UINT RegisterWindowMessageW(const char16_t* name) override { return ::RegisterWindowMessageW(Wide(name)); }

    // Resources and dialogs
    int LoadStringW(win::HINSTANCE instance, win::UINT id, char16_t* buffer, int capacity) override {
        return ::LoadStringW(instance, id, Wide(buffer), capacity);
    }
    win::HICON LoadIconW(win::HINSTANCE instance, const char16_t* name) override {
        return ::LoadIconW(instance, Wide(name));
    }
    win::HANDLE LoadImageW(win::HINSTANCE instance, const char16_t* name, win::UINT type, int width, int height,
                           win::UINT load) override {
        return ::LoadImageW(instance, Wide(name), type, width, height, load);
    }
    int GetSystemMetrics(int index) override { return ::GetSystemMetrics(index); }
    win::HCURSOR LoadCursorW(win::HINSTANCE instance, const char16_t* name) override {
        return ::LoadCursorW(instance, Wide(name));
    }
    win::HACCEL LoadAcceleratorsW(win::HINSTANCE instance, const char16_t* name) override {
        return ::LoadAcceleratorsW(instance, Wide(name));
    }
    win::INT_PTR DialogBoxParamW(win::HINSTANCE instance, const char16_t* templateName, win::HWND owner,
                                 win::DLGPROC dialogProc, win::LPARAM initParam) override {
        g_dialogProc = dialogProc;
        return ::DialogBoxParamW(instance, Wide(templateName), owner, DialogProcThunk, initParam);
    }
    win::BOOL EndDialog(win::HWND dialog, win::INT_PTR result) override { return ::EndDialog(dialog, result); }

    // Menus
    win::HMENU LoadMenuW(win::HINSTANCE instance, const char16_t* name) override {
        return ::LoadMenuW(instance, Wide(name));
    }
    win::HWND CreateDialogParamW(win::HINSTANCE instance, const char16_t* templateName, win::HWND owner,
                                 win::DLGPROC dialogProc, win::LPARAM initParam) override {
        g_modelessDialogProc = dialogProc;
        return ::CreateDialogParamW(instance, Wide(templateName), owner, ModelessDialogProcThunk, initParam);
    }
    std::int16_t GetKeyState(int virtualKey) override { return ::GetKeyState(virtualKey); }
    win::HWND GetFocus() override { return ::GetFocus(); }
    win::HWND SetFocus(win::HWND hwnd) override { return ::SetFocus(hwnd); }
    win::BOOL IsDialogMessageW(win::HWND dialog, win::MSG* msg) override {
        return ::IsDialogMessageW(dialog, reinterpret_cast<::MSG*>(msg));
    }
    win::HWND GetDlgItem(win::HWND dialog, int id) override { return ::GetDlgItem(dialog, id); }
    win::LRESULT SendDlgItemMessageW(win::HWND dialog, int id, win::UINT message, win::WPARAM wParam,
                                     win::LPARAM lParam) override {
        return ::SendDlgItemMessageW(dialog, id, message, wParam, lParam);
    }
    win::BOOL MapDialogRect(win::HWND dialog, win::RECT* rect) override {
        return ::MapDialogRect(dialog, reinterpret_cast<::RECT*>(rect));
    }
    win::BOOL SetDlgItemTextW(win::HWND dialog, int id, const char16_t* text) override {
        return ::SetDlgItemTextW(dialog, id, Wide(text));
    }
    win::UINT GetDlgItemTextW(win::HWND dialog, int id, char16_t* buffer, int capacity) override {
        return ::GetDlgItemTextW(dialog, id, Wide(buffer), capacity);
    }
    win::BOOL CheckDlgButton(win::HWND dialog, int id, win::UINT check) override {
        return ::CheckDlgButton(dialog, id, check);
    }
    win::UINT IsDlgButtonChecked(win::HWND dialog, int id) override { return ::IsDlgButtonChecked(dialog, id); }
    win::BOOL EnableWindow(win::HWND hwnd, win::BOOL enable) override { return ::EnableWindow(hwnd, enable); }
    win::BOOL ShowWindow(win::HWND hwnd, int command) override { return ::ShowWindow(hwnd, command); }
    win::BOOL InitCommonControlsEx(const win::INITCOMMONCONTROLSEX* init) override {
        static const auto function =
            LoadedProc<decltype(&::InitCommonControlsEx)>(L"comctl32.dll", "InitCommonControlsEx");
        return function ? function(reinterpret_cast<const ::INITCOMMONCONTROLSEX*>(init)) : FALSE;
    }
    win::BOOL GetOpenFileNameW(win::OPENFILENAMEW* openFile) override {
        static const auto function = LoadedProc<decltype(&::GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
        return function ? function(reinterpret_cast<::OPENFILENAMEW*>(openFile)) : FALSE;
    }

    win::HMENU GetSubMenu(win::HMENU menu, int position) override { return ::GetSubMenu(menu, position); }
    win::BOOL GetMenuItemInfoW(win::HMENU menu, win::UINT item, win::BOOL byPosition,
                               win::MENUITEMINFOW* info) override {
        return ::GetMenuItemInfoW(menu, item, byPosition, reinterpret_cast<::MENUITEMINFOW*>(info));
    }
    win::BOOL SetMenuItemInfoW(win::HMENU menu, win::UINT item, win::BOOL byPosition,
                               const win::MENUITEMINFOW* info) override {
        return ::SetMenuItemInfoW(menu, item, byPosition, reinterpret_cast<const ::MENUITEMINFOW*>(info));
    }
    win::BOOL TrackPopupMenu(win::HMENU menu, win::UINT flags, int x, int y, int reserved, win::HWND owner,
                             const win::RECT* rect) override {
        return ::TrackPopupMenu(menu, flags, x, y, reserved, owner, reinterpret_cast<const ::RECT*>(rect));
    }
    win::HMENU CreatePopupMenu() override { return ::CreatePopupMenu(); }
    win::BOOL AppendMenuW(win::HMENU menu, win::UINT flags, win::UINT_PTR id, const char16_t* text) override {
        return ::AppendMenuW(menu, flags, id, Wide(text));
    }
    win::BOOL DestroyMenu(win::HMENU menu) override { return ::DestroyMenu(menu); }

    // Raw input
    win::BOOL RegisterRawInputDevices(const win::RAWINPUTDEVICE* devices, win::UINT count,
                                      win::UINT size) override {
        return ::RegisterRawInputDevices(reinterpret_cast<const ::RAWINPUTDEVICE*>(devices), count, size);
    }
    win::UINT GetRawInputData(win::HRAWINPUT rawInput, win::UINT command, void* data, win::UINT* size,
                              win::UINT headerSize) override {
        return ::GetRawInputData(rawInput, command, data, size, headerSize);
    }
    win::UINT GetRawInputDeviceInfoW(win::HANDLE device, win::UINT command, void* data, win::UINT* size) override {
        return ::GetRawInputDeviceInfoW(device, command, data, size);
    }
    win::UINT GetRawInputDeviceList(win::RAWINPUTDEVICELIST* list, win::UINT* count, win::UINT size) override {
        return ::GetRawInputDeviceList(reinterpret_cast<::RAWINPUTDEVICELIST*>(list), count, size);
    }

    win::NTSTATUS HidP_GetCaps(win::PHIDP_PREPARSED_DATA preparsedData, win::HIDP_CAPS* capabilities) override {
        return ::HidP_GetCaps(reinterpret_cast<::PHIDP_PREPARSED_DATA>(preparsedData),
                              reinterpret_cast<::HIDP_CAPS*>(capabilities));
    }
    win::ULONG HidP_MaxUsageListLength(win::HIDP_REPORT_TYPE reportType, win::USAGE usagePage,
                                       win::PHIDP_PREPARSED_DATA preparsedData) override {
        return ::HidP_MaxUsageListLength(static_cast<::HIDP_REPORT_TYPE>(reportType), usagePage,
                                         reinterpret_cast<::PHIDP_PREPARSED_DATA>(preparsedData));
    }
    win::NTSTATUS HidP_GetUsages(win::HIDP_REPORT_TYPE reportType, win::USAGE usagePage, win::USHORT linkCollection,
                                 win::USAGE* usageList, win::ULONG* usageLength,
                                 win::PHIDP_PREPARSED_DATA preparsedData, char* report,
                                 win::ULONG reportLength) override {
        return ::HidP_GetUsages(static_cast<::HIDP_REPORT_TYPE>(reportType), usagePage, linkCollection, usageList,
                                reinterpret_cast<::ULONG*>(usageLength),
                                reinterpret_cast<::PHIDP_PREPARSED_DATA>(preparsedData), report, reportLength);
    }

    // Window discovery
    win::HWND GetForegroundWindow() override { return ::GetForegroundWindow(); }
    win::HWND GetParent(win::HWND hwnd) override { return ::GetParent(hwnd); }
    win::HWND GetWindow(win::HWND hwnd, win::UINT command) override { return ::GetWindow(hwnd, command); }
    int GetClassNameW(win::HWND hwnd, char16_t* buffer, int capacity) override {
        return ::GetClassNameW(hwnd, Wide(buffer), capacity);
    }
    win::BOOL EnumWindows(win::WNDENUMPROC callback, win::LPARAM value) override {
        EnumCall call{callback, value};
        return ::EnumWindows(EnumProcThunk, reinterpret_cast<LPARAM>(&call));
    }
    win::BOOL EnumChildWindows(win::HWND parent, win::WNDENUMPROC callback, win::LPARAM value) override {
        EnumCall call{callback, value};
        return ::EnumChildWindows(parent, EnumProcThunk, reinterpret_cast<LPARAM>(&call));
    }
    win::BOOL IsWindow(win::HWND hwnd) override { return ::IsWindow(hwnd); }
    win::BOOL IsWindowVisible(win::HWND hwnd) override { return ::IsWindowVisible(hwnd); }
    win::BOOL GetWindowRect(win::HWND hwnd, win::RECT* rect) override {
        return ::GetWindowRect(hwnd, reinterpret_cast<::RECT*>(rect));
    }
    win::BOOL IsIconic(win::HWND hwnd) override { return ::IsIconic(hwnd); }
    win::BOOL IsHungAppWindow(win::HWND hwnd) override { return ::IsHungAppWindow(hwnd); }
    win::HWND WindowFromPoint(win::POINT point) override { return ::WindowFromPoint(::POINT{point.x, point.y}); }
    win::HWND FindWindowW(const char16_t* className, const char16_t* windowName) override {
        return ::FindWindowW(Wide(className), Wide(windowName));
    }
    win::BOOL IsWindowEnabled(win::HWND hwnd) override { return ::IsWindowEnabled(hwnd); }
    win::DWORD GetWindowThreadProcessId(win::HWND hwnd, win::DWORD* processId) override {
        return ::GetWindowThreadProcessId(hwnd, reinterpret_cast<::DWORD*>(processId));
    }

    // Input synthesis
    win::UINT SendInput(win::UINT count, win::INPUT* inputs, int size) override {
        return ::SendInput(count, reinterpret_cast<::INPUT*>(inputs), size);
    }
    void keybd_event(win::BYTE key, win::BYTE scan, win::DWORD flags, win::ULONG_PTR extraInfo) override {
        ::keybd_event(key, scan, flags, extraInfo);
    }
    win::UINT MapVirtualKeyW(win::UINT code, win::UINT mapType) override { return ::MapVirtualKeyW(code, mapType); }

    // Activation
    win::BOOL AttachThreadInput(win::DWORD attach, win::DWORD attachTo, win::BOOL doAttach) override {
        return ::AttachThreadInput(attach, attachTo, doAttach);
    }
    win::HWND SetActiveWindow(win::HWND hwnd) override { return ::SetActiveWindow(hwnd); }
    win::BOOL SetForegroundWindow(win::HWND hwnd) override { return ::SetForegroundWindow(hwnd); }
    win::BOOL SystemParametersInfoW(win::UINT action, win::UINT uiParam, void* pvParam, win::UINT winIni) override {
        return ::SystemParametersInfoW(action, uiParam, pvParam, winIni);
    }

    // Hooks
    win::HHOOK SetWindowsHookExW(int idHook, win::HOOKPROC proc, win::HINSTANCE instance,
                                 win::DWORD threadId) override {
        g_hookProc = proc;
        return ::SetWindowsHookExW(idHook, HookProcThunk, instance, threadId);
    }
    win::LRESULT CallNextHookEx(win::HHOOK hook, int code, win::WPARAM wParam, win::LPARAM lParam) override {
        return ::CallNextHookEx(hook, code, wParam, lParam);
    }
    win::BOOL UnhookWindowsHookEx(win::HHOOK hook) override { return ::UnhookWindowsHookEx(hook); }
    win::BOOL GetCursorPos(win::POINT* point) override { return ::GetCursorPos(reinterpret_cast<::POINT*>(point)); }

    // Notification area
    win::BOOL Shell_NotifyIconW(win::DWORD message, win::NOTIFYICONDATAW* data) override {
        return ::Shell_NotifyIconW(message, reinterpret_cast<::NOTIFYICONDATAW*>(data));
    }

    // Process services
    win::HANDLE CreateMutexW(void* attributes, win::BOOL initialOwner, const char16_t* name) override {
        return ::CreateMutexW(static_cast<SECURITY_ATTRIBUTES*>(attributes), initialOwner, Wide(name));
    }
    win::HANDLE CreateFileW(const char16_t* fileName, win::DWORD access, win::DWORD shareMode, void* security,
                            win::DWORD creationDisposition, win::DWORD flagsAndAttributes,
                            win::HANDLE templateFile) override {
        return ::CreateFileW(Wide(fileName), access, shareMode, static_cast<SECURITY_ATTRIBUTES*>(security),
                             creationDisposition, flagsAndAttributes, templateFile);
    }
    win::BOOL CloseHandle(win::HANDLE handle) override { return ::CloseHandle(handle); }
    win::HANDLE OpenProcess(win::DWORD access, win::BOOL inheritHandle, win::DWORD processId) override {
        return ::OpenProcess(access, inheritHandle, processId);
    }
    win::BOOL QueryFullProcessImageNameW(win::HANDLE process, win::DWORD flags, char16_t* name,
                                         win::DWORD* size) override {
        return ::QueryFullProcessImageNameW(process, flags, Wide(name), reinterpret_cast<::DWORD*>(size));
    }
    win::HANDLE GetCurrentProcess() override { return ::GetCurrentProcess(); }
    win::BOOL OpenProcessToken(win::HANDLE process, win::DWORD desiredAccess, win::HANDLE* token) override {
        return ::OpenProcessToken(process, desiredAccess, token);
    }
    win::BOOL GetTokenInformation(win::HANDLE token, win::TOKEN_INFORMATION_CLASS informationClass, void* information,
                                  win::DWORD length, win::DWORD* returnLength) override {
        return ::GetTokenInformation(token, static_cast<::TOKEN_INFORMATION_CLASS>(informationClass), information,
                                     length, reinterpret_cast<::DWORD*>(returnLength));
    }
    win::BYTE* GetSidSubAuthorityCount(win::PSID sid) override { return ::GetSidSubAuthorityCount(sid); }
    win::DWORD* GetSidSubAuthority(win::PSID sid, win::DWORD subAuthority) override {
        return reinterpret_cast<win::DWORD*>(::GetSidSubAuthority(sid, subAuthority));
    }
    win::BOOL CreateProcessW(const char16_t* applicationName, char16_t* commandLine, void* processAttributes,
                             void* threadAttributes, win::BOOL inheritHandles, win::DWORD creationFlags,
                             void* environment, const char16_t* currentDirectory, win::STARTUPINFOW* startupInfo,
                             win::PROCESS_INFORMATION* processInformation) override {
        return ::CreateProcessW(Wide(applicationName), Wide(commandLine),
                                static_cast<::SECURITY_ATTRIBUTES*>(processAttributes),
                                static_cast<::SECURITY_ATTRIBUTES*>(threadAttributes), inheritHandles, creationFlags,
                                environment, Wide(currentDirectory), reinterpret_cast<::STARTUPINFOW*>(startupInfo),
                                reinterpret_cast<::PROCESS_INFORMATION*>(processInformation));
    }
    win::BOOL ReadFile(win::HANDLE file, void* buffer, win::DWORD bytesToRead, win::DWORD* bytesRead,
                       void* overlapped) override {
        return ::ReadFile(file, buffer, bytesToRead, reinterpret_cast<::DWORD*>(bytesRead),
                          static_cast<OVERLAPPED*>(overlapped));
    }
    win::BOOL WriteFile(win::HANDLE file, const void* buffer, win::DWORD bytesToWrite, win::DWORD* bytesWritten,
                        void* overlapped) override {
        return ::WriteFile(file, buffer, bytesToWrite, reinterpret_cast<::DWORD*>(bytesWritten),
                           static_cast<OVERLAPPED*>(overlapped));
    }
    win::BOOL GetFileSizeEx(win::HANDLE file, win::LARGE_INTEGER* size) override {
        return ::GetFileSizeEx(file, reinterpret_cast<::LARGE_INTEGER*>(size));
    }
    win::BOOL MoveFileExW(const char16_t* existingFileName, const char16_t* newFileName, win::DWORD flags) override {
        return ::MoveFileExW(Wide(existingFileName), Wide(newFileName), flags);
    }
    win::BOOL DeleteFileW(const char16_t* fileName) override { return ::DeleteFileW(Wide(fileName)); }
    win::BOOL ReplaceFileW(const char16_t* replacedFileName, const char16_t* replacementFileName,
                           const char16_t* backupFileName, win::DWORD replaceFlags, void* exclude,
                           void* reserved) override {
        return ::ReplaceFileW(Wide(replacedFileName), Wide(replacementFileName), Wide(backupFileName), replaceFlags,
                              exclude, reserved);
    }
    win::BOOL FlushFileBuffers(win::HANDLE file) override { return ::FlushFileBuffers(file); }
    win::DWORD GetCurrentDirectoryW(win::DWORD capacity, char16_t* buffer) override {
        return ::GetCurrentDirectoryW(capacity, Wide(buffer));
    }
    win::BOOL SetCurrentDirectoryW(const char16_t* pathName) override {
        return ::SetCurrentDirectoryW(Wide(pathName));
    }
    win::HANDLE FindFirstChangeNotificationW(const char16_t* pathName, win::BOOL watchSubtree,
                                             win::DWORD notifyFilter) override {
        return ::FindFirstChangeNotificationW(Wide(pathName), watchSubtree, notifyFilter);
    }
    win::BOOL FindNextChangeNotification(win::HANDLE change) override { return ::FindNextChangeNotification(change); }
    win::BOOL FindCloseChangeNotification(win::HANDLE change) override {
        return ::FindCloseChangeNotification(change);
    }
    win::DWORD GetLastError() override { return ::GetLastError(); }
    win::DWORD GetModuleFileNameW(win::HINSTANCE module, char16_t* buffer, win::DWORD capacity) override {
        return ::GetModuleFileNameW(module, Wide(buffer), capacity);
    }
    int _wsplitpath_s(const char16_t* path, char16_t* drive, std::size_t driveCapacity, char16_t* directory,
                      std::size_t directoryCapacity, char16_t* fileName, std::size_t fileNameCapacity,
                      char16_t* extension, std::size_t extensionCapacity) override {
        return ::_wsplitpath_s(Wide(path), Wide(drive), driveCapacity, Wide(directory), directoryCapacity,
                               Wide(fileName), fileNameCapacity, Wide(extension), extensionCapacity);
    }
    win::DWORD GetPrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* defaultValue,
                                        char16_t* buffer, win::DWORD capacity, const char16_t* fileName) override {
        return ::GetPrivateProfileStringW(Wide(section), Wide(key), Wide(defaultValue), Wide(buffer), capacity,
                                          Wide(fileName));
    }
    win::BOOL WritePrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* value,
                                         const char16_t* fileName) override {
        return ::WritePrivateProfileStringW(Wide(section), Wide(key), Wide(value), Wide(fileName));
    }
    win::DWORD GetPrivateProfileSectionW(const char16_t* section, char16_t* buffer, win::DWORD capacity,
                                         const char16_t* fileName) override {
        return ::GetPrivateProfileSectionW(Wide(section), Wide(buffer), capacity, Wide(fileName));
    }
    win::DWORD GetPrivateProfileSectionNamesW(char16_t* buffer, win::DWORD capacity,
                                              const char16_t* fileName) override {
        return ::GetPrivateProfileSectionNamesW(Wide(buffer), capacity, Wide(fileName));
    }
    win::UINT_PTR SetTimer(win::HWND hwnd, win::UINT_PTR id, win::UINT elapse, win::TIMERPROC timerProc) override {
        return ::SetTimer(hwnd, id, elapse, reinterpret_cast<::TIMERPROC>(timerProc));
    }
    win::BOOL KillTimer(win::HWND hwnd, win::UINT_PTR id) override { return ::KillTimer(hwnd, id); }
    void GetLocalTime(win::SYSTEMTIME* time) override { ::GetLocalTime(reinterpret_cast<::SYSTEMTIME*>(time)); }
    void Sleep(win::DWORD milliseconds) override { ::Sleep(milliseconds); }
    win::DWORD GetTickCount() override { return ::GetTickCount(); }

    // Text conversion
    int MultiByteToWideChar(win::UINT codePage, win::DWORD flags, const char* multiByteText, int multiByteLength,
                            char16_t* buffer, int capacity) override {
        return ::MultiByteToWideChar(codePage, flags, multiByteText, multiByteLength, Wide(buffer), capacity);
    }
    int WideCharToMultiByte(win::UINT codePage, win::DWORD flags, const char16_t* wideText, int wideLength,
                            char* buffer, int capacity, const char* defaultChar,
                            win::BOOL* usedDefaultChar) override {
        return ::WideCharToMultiByte(codePage, flags, Wide(wideText), wideLength, buffer, capacity, defaultChar,
                                     usedDefaultChar);
    }
};

}  // namespace

namespace {
RealPlatform g_realPlatform;
}  // namespace

win::Platform& Win32Platform() { return g_realPlatform; }
