#include "app/MessageText.h"


using namespace win;

namespace {
// A balloon's text holds 256 units; a pattern longer than that is cut anyway.
constexpr int kPatternCapacity = 256;
}  // namespace

void FillPlaces(const char16_t* pattern, const char16_t* const* args, std::size_t argCount, char16_t* out,
                std::size_t capacity) {
    if (capacity == 0) return;
    std::size_t at = 0;
    auto put = [&](char16_t c) {
        if (at + 1 < capacity) out[at++] = c;
    };
    for (const char16_t* p = pattern; *p; ++p) {
        if (p[0] == u'%' && p[1] == u'%') {
            put(u'%');
            ++p;
            continue;
        }
        if (p[0] == u'%' && p[1] >= u'1' && p[1] <= u'9' && static_cast<std::size_t>(p[1] - u'1') < argCount) {
            for (const char16_t* a = args[p[1] - u'1']; a && *a; ++a) put(*a);
            ++p;
            continue;
        }
        put(*p);
    }
    out[at] = 0;
}

void FormatStringResource(HINSTANCE instance, UINT id, const char16_t* const* args, std::size_t argCount,
                          char16_t* out, std::size_t capacity) {
    char16_t pattern[kPatternCapacity] = {};
    Win().LoadStringW(instance, id, pattern, kPatternCapacity);
    pattern[kPatternCapacity - 1] = 0;
    FillPlaces(pattern, args, argCount, out, capacity);
}

DecimalText FormatDecimal(std::uint32_t value) {
    char16_t reversed[10];
    int count = 0;
    do {
        reversed[count++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    DecimalText decimal{};
    for (int i = 0; i < count; ++i) decimal.text[i] = reversed[count - 1 - i];
    return decimal;
}
