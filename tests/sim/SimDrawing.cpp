// The simulated desktop's monitor, window placement and drawing: only what
// the on-screen line asks of them. Text has no glyphs here; each character
// is drawn as wide as the font is high, so sizes follow the text.
#include <algorithm>

#include "tests/sim/SimDesktop.h"

namespace sim {

namespace {

constexpr std::uintptr_t kMonitor = 0xB0001;
constexpr std::uintptr_t kDc = 0xB1001;
constexpr std::uintptr_t kFontBase = 0xB2000;
constexpr std::uintptr_t kStockBase = 0xB3000;
constexpr int kFontSlots = 16;

bool IsFont(HGDIOBJ object) {
    const auto value = reinterpret_cast<std::uintptr_t>(object);
    return value > kFontBase && value < kStockBase;
}

}  // namespace

BOOL SimDesktop::SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    if (recording)
        Record("SetWindowPos(" + Name(hwnd) + ", " + (insertAfter == HwndTopmost() ? "topmost" : Name(insertAfter)) +
               ", " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
               std::to_string(height) + ", flags " + Hex(flags) + ")");
    Window* w = Find(hwnd);
    if (!w) return 0;
    w->rect = RECT{x, y, x + width, y + height};
    if (flags & SWP_SHOWWINDOW) w->visible = true;
    if (flags & SWP_HIDEWINDOW) w->visible = false;
    return 1;
}

BOOL SimDesktop::SetLayeredWindowAttributes(HWND hwnd, COLORREF, BYTE alpha, DWORD flags) {
    if (recording) Record("SetLayeredWindowAttributes(" + Name(hwnd) + ", alpha " + std::to_string(alpha) + ")");
    Window* w = Find(hwnd);
    if (!w || !(w->exStyle & WS_EX_LAYERED)) return 0;
    if (flags & LWA_ALPHA) w->alpha = alpha;
    return 1;
}

BOOL SimDesktop::InvalidateRect(HWND hwnd, const RECT*, BOOL) {
    if (recording) Record("InvalidateRect(" + Name(hwnd) + ")");
    return Find(hwnd) ? 1 : 0;
}

HMONITOR SimDesktop::MonitorFromWindow(HWND hwnd, DWORD) {
    if (recording) Record("MonitorFromWindow(" + Name(hwnd) + ")");
    return reinterpret_cast<HMONITOR>(kMonitor);
}

BOOL SimDesktop::GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) {
    if (reinterpret_cast<std::uintptr_t>(monitor) != kMonitor || !info || info->cbSize != sizeof(MONITORINFO))
        return 0;
    info->rcMonitor = monitorRect;
    info->rcWork = workRect;
    info->dwFlags = 1;  // MONITORINFOF_PRIMARY
    return 1;
}

HDC SimDesktop::GetDC(HWND hwnd) {
    if (hwnd && !Find(hwnd)) return nullptr;
    ++openDCs;
    return reinterpret_cast<HDC>(kDc);
}

int SimDesktop::ReleaseDC(HWND, HDC dc) {
    if (reinterpret_cast<std::uintptr_t>(dc) != kDc) return 0;
    --openDCs;
    return 1;
}

HFONT SimDesktop::CreateFontW(int height, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                              DWORD, const char16_t* face) {
    if (recording) Record("CreateFontW(" + std::to_string(height) + ", " + Narrow(Text(face)) + ")");
    ++liveFonts;
    ++fontsMade;
    fontHeights_[fontsMade % kFontSlots] = height < 0 ? -height : height;
    return reinterpret_cast<HFONT>(kFontBase + static_cast<std::uintptr_t>(fontsMade % kFontSlots) + 1);
}

HGDIOBJ SimDesktop::GetStockObject(int object) {
    return reinterpret_cast<HGDIOBJ>(kStockBase + static_cast<std::uintptr_t>(object));
}

HGDIOBJ SimDesktop::SelectObject(HDC, HGDIOBJ object) {
    const HGDIOBJ before = selectedFont_;
    if (IsFont(object)) selectedFont_ = object;
    return before ? before : reinterpret_cast<HGDIOBJ>(kStockBase + 17);  // DEFAULT_GUI_FONT
}

BOOL SimDesktop::DeleteObject(HGDIOBJ object) {
    if (recording) Record("DeleteObject");
    if (!IsFont(object)) return 0;
    if (selectedFont_ == object) selectedFont_ = nullptr;
    --liveFonts;
    return 1;
}

int SimDesktop::SetBkMode(HDC, int) { return 2; }  // OPAQUE before
COLORREF SimDesktop::SetTextColor(HDC, COLORREF) { return 0; }
int SimDesktop::FillRect(HDC, const RECT*, HBRUSH) { return 1; }

int SimDesktop::DrawTextW(HDC, const char16_t* text, int length, RECT* rect, UINT format) {
    if (!text || !rect) return 0;
    const std::size_t units = length < 0 ? Text(text).size() : static_cast<std::size_t>(length);
    if (recording) lastDrawnText.assign(text, units);
    const auto slot = reinterpret_cast<std::uintptr_t>(selectedFont_);
    const int height = selectedFont_ ? fontHeights_[slot - kFontBase - 1] : 16;
    if (format & DT_CALCRECT) {
        rect->right = rect->left + height * static_cast<int>(units);
        rect->bottom = rect->top + height;
    }
    return height;
}

}  // namespace sim
