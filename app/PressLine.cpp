#include "app/PressLine.h"

#include <charconv>

#include "platform/Constants.h"
#include "remote/CommandLine.h"
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
    // Only the low `digits` digits: the field has that width.
    void Hex(std::uint32_t value, int digits) {
        if (digits < 8) value &= (std::uint32_t{1} << (4 * digits)) - 1;
        Number(value, 16, digits);
    }
    void Decimal(std::uint32_t value, int width = 1) { Number(value, 10, width); }
    // UTF-8 written whole characters at a time: when the next one does not
    // fit, the line ends before it and nothing more is added, so a cut line
    // never ends in a broken character nor goes on after a gap.
    void Utf8(const char* text, std::size_t size) {
        if (size > capacity_ - length_) {
            size = capacity_ - length_;
            while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) --size;
            capacity_ = length_ + size;
        }
        for (std::size_t i = 0; i < size; ++i) out_[length_++] = text[i];
    }
    std::size_t Length() const { return length_; }

private:
    void Number(std::uint32_t value, int base, int width) {
        char digits[10];  // the most a 32-bit number takes, in decimal
        const char* end = std::to_chars(digits, digits + sizeof(digits), value, base).ptr;
        for (auto count = end - digits; count < width; ++count) Put('0');
        // to_chars writes the letter digits in lower case; the log's hex is upper case.
        for (const char* d = digits; d != end; ++d) Put(*d >= 'a' ? static_cast<char>(*d - 'a' + 'A') : *d);
    }

    char* out_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

void Action(LineWriter& line, const ButtonAction& action) {
    if (action.kind == kActionBringToFront) return line.Text("BringToFront");
    if (action.kind == kActionRun) return line.Text("Run");
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
    case kRouteRun: return "run";
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
    case kReasonRunTooSoon: return "run-too-soon";
    case kReasonRunFailed: return "run-failed";
    case kReasonLearning: return "learning";
    default: return "unknown";
    }
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The class name in UTF-8, with quotes and control characters (which would
// end the quoted text or break the line apart) and lone surrogates shown as
// "?". They are replaced before the conversion, as Windows would write a lone
// surrogate as U+FFFD instead. `name` ends in a NUL within kClassNameCapacity.
void ClassName(LineWriter& line, char16_t* name) {
    int length = 0;
    for (; name[length]; ++length) {
        char16_t& c = name[length];
        if (IsHighSurrogate(c) && IsLowSurrogate(name[length + 1])) {
            ++length;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c) || c < 0x20 || c == u'"' || c == 0x7F) {
            c = u'?';
        }
    }
    if (length == 0) return;  // Windows refuses to convert an empty text
    // No UTF-16 unit becomes more than three bytes (a pair of two becomes four).
    constexpr int kUtf8Capacity = 3 * kClassNameCapacity;
    char utf8[kUtf8Capacity];
    const int size = Win().WideCharToMultiByte(CP_UTF8, 0, name, length, utf8, kUtf8Capacity, nullptr, nullptr);
    if (size > 0) line.Utf8(utf8, static_cast<std::size_t>(size));
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
    ClassName(line, cls);
    line.Text("\" pid=");
    line.Decimal(pid);
}

// The program's file name, cut to a class name's length, shown as one is.
void Program(LineWriter& line, const CommandLine* program) {
    if (!program) return;
    char16_t name[kClassNameCapacity] = {};
    const std::u16string fileName = ProgramFileName(*program);
    fileName.copy(name, kClassNameCapacity - 1);
    line.Text(" program=\"");
    ClassName(line, name);
    line.Put('"');
}

// The map that decided, last on the line: a program's file name may hold
// blanks, and its value runs to the line's end.
void MapName(LineWriter& line, const std::u16string* program) {
    line.Text(" map=");
    if (!program) return line.Text("all");
    char16_t name[kClassNameCapacity] = {};
    program->copy(name, kClassNameCapacity - 1);
    ClassName(line, name);
}

void Delivery(LineWriter& line, const DeliveryReport& d) {
    line.Text(" mode=");
    line.Decimal(static_cast<std::uint32_t>(d.mode) & 0xFF);
    line.Text(d.lockedOn ? " lockon=on" : d.lockLost ? " lockon=lost" : " lockon=off");
    line.Text(d.directionKey ? " direction=yes" : " direction=no");
    line.Text(" route=");
    line.Text(RouteName(d.route));
    if (d.route == kRouteRun) {
        Program(line, d.program);
        line.Text(" pid=");
        return line.Decimal(d.processId);
    }
    if (d.route != kRouteNone) return Window(line, d.target);
    line.Text(" reason=");
    line.Text(ReasonName(d.reason));
    if (d.reason == kReasonRunFailed) {
        line.Text(" error=");
        line.Decimal(d.error);
        return Program(line, d.program);
    }
    if (d.reason != kReasonRefused) return;
    line.Text(" error=");
    line.Decimal(d.error);
    Window(line, d.target);
}

void Stamp(LineWriter& line, const SYSTEMTIME& time) {
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
}

std::size_t EndLine(LineWriter& line, char* out) {
    std::size_t length = line.Length();
    out[length++] = '\r';
    out[length++] = '\n';
    return length;
}

const char* PressName(std::uint8_t press) {
    switch (press) {
    case kPressHeld: return " press=held";
    case kPressShort: return " press=short";
    case kPressLong: return " press=long";
    default: return "";
    }
}

}  // namespace

namespace {

// A value of [Korvanta] that cannot be used, and what is used instead.
std::size_t FormatUnusableLine(const SYSTEMTIME& time, const char* key, const std::u16string& written,
                               const char* usedName, std::uint32_t used, char* out, std::size_t capacity) {
    if (capacity < 2) return 0;
    LineWriter line(out, capacity - 2);
    Stamp(line, time);
    line.Text(" setting ");
    line.Text(key);
    line.Text("=\"");
    char16_t value[kClassNameCapacity] = {};
    written.copy(value, kClassNameCapacity - 1);
    ClassName(line, value);
    line.Text("\" unusable, ");
    line.Text(usedName);
    line.Put('=');
    line.Decimal(used);
    return EndLine(line, out);
}

}  // namespace

std::size_t FormatHoldTimeLine(const SYSTEMTIME& time, const std::u16string& written, std::uint32_t used, char* out,
                               std::size_t capacity) {
    return FormatUnusableLine(time, "LongPress", written, "hold time", used, out, capacity);
}

std::size_t FormatOsdLine(const SYSTEMTIME& time, const std::u16string& written, std::uint32_t used, char* out,
                          std::size_t capacity) {
    return FormatUnusableLine(time, "Osd", written, "osd", used, out, capacity);
}

std::size_t FormatPressLine(const SYSTEMTIME& time, const PressEvent& event, char* out, std::size_t capacity) {
    if (capacity < 2) return 0;
    LineWriter line(out, capacity - 2);
    Stamp(line, time);
    line.Text(" device=");
    line.Hex(event.source.vendorId, 4);
    line.Put(':');
    line.Hex(event.source.productId, 4);
    if (event.source.usage) {
        line.Text(" usage=");
        line.Hex(event.source.usage, 4);
    } else {
        line.Text(" code=");
        line.Hex(event.source.code, 2);
    }
    if (!event.passed) {
        line.Text(" repeat=swallowed");
    } else {
        line.Text(" repeat=passed");
        line.Text(PressName(event.press));
        if (event.press != kPressHeld) {
            line.Text(" action=");
            Action(line, event.action);
            Delivery(line, event.delivery);
            if (event.settingsWindowBehind) line.Text(" settings-window=behind");
        }
        MapName(line, event.program);
    }
    return EndLine(line, out);
}
