// A small console helper for the Wine smoke test: finds windows, posts
// messages and reads a module's resources, printing UTF-8 so that the shell
// can compare texts byte for byte.
//
//   wintool find CLASS             hwnd, visibility and count of top-level windows of CLASS
//   wintool wait CLASS             the same, once a window of CLASS exists
//   wintool post HWND MSG WPARAM LPARAM
//   wintool wait-gone HWND         returns once HWND no longer exists
//   wintool dialog                 once a dialog box is shown: it and its controls
//   wintool resources EXE          strings, menu, accelerators, icon groups, version of EXE
//   wintool manifest EXE           the manifest of EXE, as stored
//
// Waiting is bounded by a generous number of polls only so that a broken
// program cannot keep the helper alive; the caller's timeout is the real
// limit. Exit code 0 on success, 1 when the thing looked for is not there,
// 2 on bad usage.
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr int kPollLimit = 600;  // polls of 100 ms
constexpr DWORD kPollMilliseconds = 100;

// ---------------------------------------------------------------------------
// Output

std::string Utf8(const wchar_t* text, int length = -1) {
    if (length == 0) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], size, nullptr, nullptr);
    if (length < 0 && !out.empty() && out.back() == '\0') out.pop_back();
    return out;
}

void Print(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string Hex(unsigned long long value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%llx", value);
    return buffer;
}

std::string Number(long long value) { return std::to_string(value); }

unsigned long long ParseNumber(const wchar_t* text) { return std::wcstoull(text, nullptr, 0); }

// ---------------------------------------------------------------------------
// Windows

struct ClassCount {
    const wchar_t* className;
    int count;
};

BOOL CALLBACK CountClass(HWND hwnd, LPARAM value) {
    ClassCount* counting = reinterpret_cast<ClassCount*>(value);
    wchar_t name[256];
    if (GetClassNameW(hwnd, name, 256) && std::wcscmp(name, counting->className) == 0) ++counting->count;
    return TRUE;
}

int CountTopLevel(const wchar_t* className) {
    ClassCount counting{className, 0};
    EnumWindows(CountClass, reinterpret_cast<LPARAM>(&counting));
    return counting.count;
}

void PrintWindow(HWND hwnd, const wchar_t* className) {
    Print("hwnd=" + Hex(reinterpret_cast<ULONG_PTR>(hwnd)) + " visible=" + Number(IsWindowVisible(hwnd) ? 1 : 0) +
          " count=" + Number(CountTopLevel(className)));
}

int Find(const wchar_t* className, bool wait) {
    for (int poll = 0; poll < kPollLimit; ++poll) {
        if (HWND hwnd = FindWindowW(className, nullptr)) {
            PrintWindow(hwnd, className);
            return 0;
        }
        if (!wait) break;
        Sleep(kPollMilliseconds);
    }
    Print("none");
    return 1;
}

int Post(const wchar_t* hwnd, const wchar_t* message, const wchar_t* wParam, const wchar_t* lParam) {
    const BOOL posted = PostMessageW(reinterpret_cast<HWND>(ParseNumber(hwnd)), static_cast<UINT>(ParseNumber(message)),
                                     static_cast<WPARAM>(ParseNumber(wParam)), static_cast<LPARAM>(ParseNumber(lParam)));
    return posted ? 0 : 1;
}

int WaitGone(const wchar_t* hwndText) {
    const HWND hwnd = reinterpret_cast<HWND>(ParseNumber(hwndText));
    for (int poll = 0; poll < kPollLimit; ++poll) {
        if (!IsWindow(hwnd)) return 0;
        Sleep(kPollMilliseconds);
    }
    Print("still there");
    return 1;
}

// A control created from a resource number (an icon static) carries the
// number as its text: 0xFFFF, then the number.
std::string WindowText(HWND hwnd) {
    wchar_t text[512];
    const int length = GetWindowTextW(hwnd, text, 512);
    if (length >= 1 && text[0] == 0xFFFF) return "#" + (length >= 2 ? Number(text[1]) : std::string("?"));
    return Utf8(text, length);
}

BOOL CALLBACK PrintControl(HWND hwnd, LPARAM) {
    wchar_t className[256];
    GetClassNameW(hwnd, className, 256);
    Print("control id=" + Number(static_cast<int>(GetDlgCtrlID(hwnd))) + " class=" + Utf8(className) +
          " style=" + Hex(static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE))) + " text=" + WindowText(hwnd));
    return TRUE;
}

void PrintDialog(HWND dialog) {
    Print("dialog hwnd=" + Hex(reinterpret_cast<ULONG_PTR>(dialog)) +
          " visible=" + Number(IsWindowVisible(dialog) ? 1 : 0) +
          " style=" + Hex(static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE))) +
          " caption=" + WindowText(dialog));
    EnumChildWindows(dialog, PrintControl, 0);
}

// A dialog box exists from the moment its window is created, before its
// controls are and before it is shown; it is open once it is visible. Waits
// for that, and prints the box as it is should it never come.
int Dialog() {
    HWND dialog = nullptr;
    for (int poll = 0; poll < kPollLimit; ++poll) {
        dialog = FindWindowW(L"#32770", nullptr);
        if (dialog && IsWindowVisible(dialog)) {
            PrintDialog(dialog);
            return 0;
        }
        Sleep(kPollMilliseconds);
    }
    if (dialog) {
        PrintDialog(dialog);
        return 0;
    }
    Print("none");
    return 1;
}

// ---------------------------------------------------------------------------
// Resources

HMODULE LoadAsData(const wchar_t* path) {
    HMODULE module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) Print("cannot load " + Utf8(path));
    return module;
}

const BYTE* ResourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type, DWORD* size) {
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) return nullptr;
    *size = SizeofResource(module, found);
    return static_cast<const BYTE*>(LockResource(loaded));
}

void PrintString(HMODULE module, UINT id) {
    wchar_t text[256];
    const int length = LoadStringW(module, id, text, 256);
    Print("string " + Number(id) + " " + Utf8(text, length));
}

void PrintMenu(HMENU menu, const std::string& indent) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
        item.dwTypeData = text;
        item.cch = 256;
        GetMenuItemInfoW(menu, i, TRUE, &item);
        if (item.fType & MFT_SEPARATOR) {
            Print(indent + "separator");
        } else if (item.hSubMenu) {
            Print(indent + "popup state=" + Number(item.fState) + " " + Utf8(text));
            PrintMenu(item.hSubMenu, indent + "  ");
        } else {
            Print(indent + "item " + Number(item.wID) + " state=" + Number(item.fState) + " " + Utf8(text));
        }
    }
}

void PrintAccelerators(HMODULE module, UINT id) {
    HACCEL table = LoadAcceleratorsW(module, MAKEINTRESOURCEW(id));
    ACCEL entries[16];
    const int count = table ? CopyAcceleratorTableW(table, entries, 16) : 0;
    for (int i = 0; i < count; ++i)
        Print("accel flags=" + Hex(entries[i].fVirt) + " key=" + Hex(entries[i].key) + " cmd=" + Number(entries[i].cmd));
}

// GRPICONDIR: three WORDs, then 14-byte entries: width, height, colours,
// reserved, planes, bit count, bytes in resource, icon id.
void PrintIconGroup(HMODULE module, UINT id) {
    DWORD size = 0;
    const BYTE* group = ResourceBytes(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, &size);
    if (!group || size < 6) {
        Print("icon-group " + Number(id) + " none");
        return;
    }
    WORD count;
    std::memcpy(&count, group + 4, 2);
    for (WORD i = 0; i < count && 6u + 14u * (i + 1) <= size; ++i) {
        const BYTE* entry = group + 6 + 14 * i;
        WORD bits, iconId;
        std::memcpy(&bits, entry + 6, 2);
        std::memcpy(&iconId, entry + 12, 2);
        DWORD imageSize = 0;
        const BYTE* image = ResourceBytes(module, MAKEINTRESOURCEW(iconId), MAKEINTRESOURCEW(3) /* RT_ICON */, &imageSize);
        const bool png = image && imageSize >= 8 && std::memcmp(image, "\x89PNG\r\n\x1a\n", 8) == 0;
        const int width = entry[0] ? entry[0] : 256, height = entry[1] ? entry[1] : 256;
        Print("icon-group " + Number(id) + " " + Number(width) + "x" + Number(height) + " bits=" + Number(bits) +
              (png ? " png" : " dib"));
    }
}

void PrintVersion(HMODULE module) {
    DWORD size = 0;
    const BYTE* data = ResourceBytes(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16) /* RT_VERSION */, &size);
    for (DWORD at = 0; data && at + 16 <= size; at += 4) {
        DWORD signature;
        std::memcpy(&signature, data + at, 4);
        if (signature != 0xFEEF04BD) continue;
        DWORD ms, ls;
        std::memcpy(&ms, data + at + 8, 4);
        std::memcpy(&ls, data + at + 12, 4);
        Print("version " + Number(HIWORD(ms)) + "." + Number(LOWORD(ms)) + "." + Number(HIWORD(ls)) + "." +
              Number(LOWORD(ls)));
        return;
    }
    Print("version none");
}

int Resources(const wchar_t* path) {
    HMODULE module = LoadAsData(path);
    if (!module) return 1;
    PrintString(module, 103);
    PrintString(module, 109);
    PrintString(module, 116);
    PrintString(module, 117);
    HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(109));
    if (menu) PrintMenu(menu, "menu ");
    else Print("menu none");
    PrintAccelerators(module, 109);
    PrintIconGroup(module, 107);
    PrintIconGroup(module, 108);
    PrintIconGroup(module, 115);
    PrintVersion(module);
    return 0;
}

int Manifest(const wchar_t* path) {
    HMODULE module = LoadAsData(path);
    if (!module) return 1;
    DWORD size = 0;
    const BYTE* data = ResourceBytes(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */, &size);
    if (!data) {
        Print("manifest none");
        return 1;
    }
    std::fwrite(data, 1, size, stdout);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Bytes as written: no CR before each LF, no code page conversion.
    _setmode(_fileno(stdout), _O_BINARY);
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"find" && argc == 3) return Find(argv[2], false);
    if (command == L"wait" && argc == 3) return Find(argv[2], true);
    if (command == L"post" && argc == 6) return Post(argv[2], argv[3], argv[4], argv[5]);
    if (command == L"wait-gone" && argc == 3) return WaitGone(argv[2]);
    if (command == L"dialog" && argc == 2) return Dialog();
    if (command == L"resources" && argc == 3) return Resources(argv[2]);
    if (command == L"manifest" && argc == 3) return Manifest(argv[2]);
    std::fputs("usage: wintool find|wait CLASS | post HWND MSG WPARAM LPARAM | wait-gone HWND | dialog |"
               " resources EXE | manifest EXE\n",
               stderr);
    return 2;
}
