#include "app/OnScreenLine.h"

#include "delivery/ViewerDiscovery.h"
#include "platform/Constants.h"

using namespace win;

namespace {

// The window procedure gets no context of its own: the one line's record,
// from the window's creation to its teardown.
OnScreenLine* s_line = nullptr;

constexpr BYTE kPanelAlpha = 200;                   // the panel lets the picture through a little
constexpr COLORREF kTextColor = 0x00F0F0F0;          // light grey on the dark panel
constexpr int kFontShareOfMonitor = 18;              // the text is 1/18 of the monitor's height
constexpr int kSmallestFont = 12;
constexpr int kGapShareOfWorkArea = 12;              // above the work area's bottom edge
// Where Meiryo UI is missing, the Japanese character set has the system
// pick another font that has the menu's characters.
constexpr const char16_t* kFontFace = u"Meiryo UI";

int HeightOf(const RECT& r) { return r.bottom - r.top; }
int WidthOf(const RECT& r) { return r.right - r.left; }

bool MakeWindow(OnScreenLine& line, HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(WNDCLASSEXW);
    wc.lpfnWndProc = OnScreenLineProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<std::uintptr_t>(Win().GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kOnScreenLineClass;
    // Registered once per run; a second registration fails harmlessly.
    Win().RegisterClassExW(&wc);
    s_line = &line;
    // Owned by nobody: an owner would come to the front with it.
    line.window = Win().CreateWindowExW(
        WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kOnScreenLineClass,
        u"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!line.window) return false;
    Win().SetLayeredWindowAttributes(line.window, 0, kPanelAlpha, LWA_ALPHA);
    return true;
}

// The font for a monitor this high, made again only when the height changes.
bool FitFont(OnScreenLine& line, int monitorHeight) {
    int height = monitorHeight / kFontShareOfMonitor;
    if (height < kSmallestFont) height = kSmallestFont;
    if (line.font && line.fontHeight == height) return true;
    if (line.font) Win().DeleteObject(line.font);
    // Antialiased, not ClearType: ClearType assumes the panel's own order of
    // subpixels, which a TV that scales the picture does not keep.
    line.font = Win().CreateFontW(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, kFontFace);
    line.fontHeight = line.font ? height : 0;
    return line.font != nullptr;
}

RECT MeasureText(const OnScreenLine& line) {
    RECT text{0, 0, 0, 0};
    const HDC dc = Win().GetDC(line.window);
    if (!dc) return text;
    const HGDIOBJ before = Win().SelectObject(dc, line.font);
    Win().DrawTextW(dc, line.text, line.length, &text, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    Win().SelectObject(dc, before);
    Win().ReleaseDC(line.window, dc);
    return text;
}

// Centred across the work area of the monitor in front, near its bottom,
// no wider than the work area.
void Place(OnScreenLine& line, const MONITORINFO& monitor) {
    const RECT text = MeasureText(line);
    const RECT& work = monitor.rcWork;
    line.width = WidthOf(text) + line.fontHeight;
    if (line.width > WidthOf(work)) line.width = WidthOf(work);
    line.height = HeightOf(text) + line.fontHeight / 2;
    const int x = work.left + (WidthOf(work) - line.width) / 2;
    const int y = work.bottom - line.height - HeightOf(work) / kGapShareOfWorkArea;
    // No copy of what the window showed before: the old line would stand for
    // a moment in the new size.
    Win().SetWindowPos(line.window, HwndTopmost(), x, y, line.width, line.height,
                       SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOCOPYBITS);
}

void Hide(OnScreenLine& line) {
    Win().KillTimer(line.window, kOnScreenLineTimer);
    // SW_HIDE is documented to activate another window; this hides it alone.
    Win().SetWindowPos(line.window, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    line.shown = false;
}

void Paint(HWND hwnd, const OnScreenLine* line) {
    PAINTSTRUCT paint{};
    const HDC dc = Win().BeginPaint(hwnd, &paint);
    if (dc && line) {
        RECT all{0, 0, line->width, line->height};
        Win().FillRect(dc, &all, static_cast<HBRUSH>(Win().GetStockObject(BLACK_BRUSH)));
        const HGDIOBJ before = Win().SelectObject(dc, line->font);
        Win().SetBkMode(dc, TRANSPARENT);
        Win().SetTextColor(dc, kTextColor);
        // A line wider than the work area ends in an ellipsis rather than
        // losing both its ends.
        Win().DrawTextW(dc, line->text, line->length, &all,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        Win().SelectObject(dc, before);
    }
    Win().EndPaint(hwnd, &paint);
}

}  // namespace

void ShowPressOnScreen(OnScreenLine& line, HINSTANCE instance, OsdShow show, const PressEvent& event) {
    if (show == kOsdNever) return;
    char16_t text[kPressNoticeCapacity];
    const std::size_t length = FormatPressNotice(instance, event, show, text, kPressNoticeCapacity);
    // Where the press went, or was refused: a viewer found below the window
    // in front may stand on another monitor (the TV) than that window.
    const HWND target = event.delivery.target ? RootAncestor(event.delivery.target) : nullptr;
    if (length > 0) ShowOnScreenLine(line, instance, text, length, target);
}

void ShowOnScreenLine(OnScreenLine& line, HINSTANCE instance, const char16_t* text, std::size_t length, HWND near) {
    if (length >= kPressNoticeCapacity) length = kPressNoticeCapacity - 1;
    // The monitor of the press's window, else of the window in front, where
    // the user is looking; the primary one when there is neither.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(MONITORINFO);
    const HWND placeBy = near ? near : Win().GetForegroundWindow();
    const HMONITOR front =
        Win().MonitorFromWindow(placeBy, placeBy ? MONITOR_DEFAULTTONEAREST : MONITOR_DEFAULTTOPRIMARY);
    if (!front || !Win().GetMonitorInfoW(front, &monitor)) return;
    if (!line.window && !MakeWindow(line, instance)) return;
    if (!FitFont(line, HeightOf(monitor.rcMonitor))) return;
    for (std::size_t i = 0; i < length; ++i) line.text[i] = text[i];
    line.text[length] = 0;
    line.length = static_cast<int>(length);
    Place(line, monitor);
    Win().InvalidateRect(line.window, nullptr, 1);
    // Painted at once, not once the queue is empty.
    Win().UpdateWindow(line.window);
    line.shown = true;
    Win().SetTimer(line.window, kOnScreenLineTimer, kOnScreenLineTime, nullptr);
}

void DestroyOnScreenLine(OnScreenLine& line) {
    if (line.window) {
        Win().KillTimer(line.window, kOnScreenLineTimer);
        Win().DestroyWindow(line.window);
    }
    if (line.font) Win().DeleteObject(line.font);
    line = OnScreenLine{};
    s_line = nullptr;
}

LRESULT OnScreenLineProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return 0;
    // Clicks go through to the window below, and none activates this one.
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_PAINT: Paint(hwnd, s_line && s_line->window == hwnd ? s_line : nullptr); return 0;
    case WM_TIMER:
        if (wParam == kOnScreenLineTimer && s_line && s_line->window == hwnd) Hide(*s_line);
        else Win().KillTimer(hwnd, wParam);
        return 0;
    default: return Win().DefWindowProcW(hwnd, message, wParam, lParam);
    }
}
