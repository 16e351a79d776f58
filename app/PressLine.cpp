#include "app/PressLine.h"

#include "remote/KeyNames.h"

using namespace win;

namespace {

constexpr int kClassNameCapacity = 100;

class LineWriter {
public:
    LineWriter(char* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

    void Put(char c) {
        if (length_ < capacity_) out_[length_++] = c;
    }
    void Text(const char* text) {
        while (*text) Put(*text++);
    }
    void Hex(std::uint32_t value, int digits) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        for (int i = digits - 1; i >= 0; --i) Put(kDigits[(value >> (4 * i)) & 0xF]);
    }
    void Decimal(std::uint32_t value, int width = 1) {
        char digits[10];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value && count < 10);
        for (int i = count; i < width; ++i) Put('0');
        while (count) Put(digits[--count]);
    }
    // UTF-8, with quotes and control characters (which would break the line
    // apart or end the quoted text) and lone surrogates shown as "?".
    void Utf16(const char16_t* text) {
        for (; *text; ++text) {
            std::uint32_t c = *text;
            if (c >= 0xD800 && c <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[1] - 0xDC00);
                ++text;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                c = '?';
            }
            if (c < 0x20 || c == '"' || c == 0x7F) c = '?';
            Code(c);
        }
    }
    std::size_t Length() const { return length_; }

private:
    void Code(std::uint32_t c) {
        // A character is written whole or not at all.
        const std::size_t bytes = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (length_ + bytes > capacity_) {
            length_ = capacity_;
            return;
        }
        if (bytes == 1) {
            Put(static_cast<char>(c));
            return;
        }
        const unsigned char lead[] = {0, 0, 0xC0, 0xE0, 0xF0};
        Put(static_cast<char>(lead[bytes] | (c >> (6 * (bytes - 1)))));
        for (std::size_t i = bytes - 1; i > 0; --i) Put(static_cast<char>(0x80 | ((c >> (6 * (i - 1))) & 0x3F)));
    }

    char* out_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

void Action(LineWriter& line, const ButtonAction& action) {
    if (action.kind == kActionBringToFront) return line.Text("BringToFront");
    if (action.chord.vk == 0) return line.Text("none");
    if (action.chord.shift == 1) line.Text("Shift+");
    if (action.chord.ctrl == 1) line.Text("Ctrl+");
    char name[16];
    if (NameOfVirtualKey(action.chord.vk, name, sizeof(name))) return line.Text(name);
    line.Text("VK_");
    line.Hex(action.chord.vk, 2);
}

const char* RouteName(std::uint8_t route) {
    switch (route) {
    case kRouteKeystrokes: return "keystrokes";
    case kRouteKeyHook: return "keyhook";
    case kRouteDirectionKey: return "direction-key";
    case kRouteBringToFront: return "front";
    default: return "none";
    }
}

const char* ReasonName(std::uint8_t reason) {
    switch (reason) {
    case kReasonNoAction: return "no-action";
    case kReasonNoViewer: return "no-viewer";
    case kReasonMagicTvInFront: return "magictv-in-front";
    case kReasonIgnoreFlag: return "ignore-flag";
    case kReasonRefused: return "refused";
    default: return "unknown";
    }
}

void Window(LineWriter& line, HWND window) {
    line.Text(" to=");
    if (!window) return line.Text("none");
    char16_t cls[kClassNameCapacity] = {};
    Win().GetClassNameW(window, cls, kClassNameCapacity);
    cls[kClassNameCapacity - 1] = 0;
    DWORD pid = 0;
    Win().GetWindowThreadProcessId(window, &pid);
    line.Put('"');
    line.Utf16(cls);
    line.Text("\" pid=");
    line.Decimal(pid);
}

void Delivery(LineWriter& line, const DeliveryReport& d) {
    line.Text(" mode=");
    line.Decimal(static_cast<std::uint32_t>(d.mode) & 0xFF);
    line.Text(d.lockedOn ? " lockon=on" : d.lockLost ? " lockon=lost" : " lockon=off");
    line.Text(d.directionKey ? " direction=yes" : " direction=no");
    line.Text(" route=");
    line.Text(RouteName(d.route));
    if (d.route != kRouteNone) return Window(line, d.target);
    line.Text(" reason=");
    line.Text(ReasonName(d.reason));
    if (d.reason != kReasonRefused) return;
    line.Text(" error=");
    line.Decimal(d.error);
    Window(line, d.target);
}

}  // namespace

std::size_t FormatPressLine(const SYSTEMTIME& time, const PressEvent& event, char* out, std::size_t capacity) {
    if (capacity < 2) return 0;
    LineWriter line(out, capacity - 2);
    line.Decimal(time.wYear, 4);
    line.Put('-');
    line.Decimal(time.wMonth, 2);
    line.Put('-');
    line.Decimal(time.wDay, 2);
    line.Put(' ');
    line.Decimal(time.wHour, 2);
    line.Put(':');
    line.Decimal(time.wMinute, 2);
    line.Put(':');
    line.Decimal(time.wSecond, 2);
    line.Put('.');
    line.Decimal(time.wMilliseconds, 3);
    line.Text(" device=");
    line.Hex(event.source.vendorId, 4);
    line.Put(':');
    line.Hex(event.source.productId, 4);
    line.Text(" code=");
    line.Hex(event.source.code, 2);
    if (!event.passed) {
        line.Text(" repeat=swallowed");
    } else {
        line.Text(" repeat=passed action=");
        Action(line, event.action);
        Delivery(line, event.delivery);
    }
    std::size_t length = line.Length();
    out[length++] = '\r';
    out[length++] = '\n';
    return length;
}
