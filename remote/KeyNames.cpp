#include "remote/KeyNames.h"

namespace {

struct NamedKey {
    const char* name;
    std::uint8_t vk;
};

// Keys beyond the function keys, letters and digits, which follow their own rule.
constexpr NamedKey kNamedKeys[] = {
    {"Up", 0x26},          {"Down", 0x28},          {"Left", 0x25},          {"Right", 0x27},
    {"Enter", 0x0D},       {"Space", 0x20},         {"Escape", 0x1B},        {"Tab", 0x09},
    {"Backspace", 0x08},   {"Insert", 0x2D},        {"Delete", 0x2E},        {"Home", 0x24},
    {"End", 0x23},         {"PageUp", 0x21},        {"PageDown", 0x22},      {"VolumeUp", 0xAF},
    {"VolumeDown", 0xAE},  {"VolumeMute", 0xAD},    {"MediaPlayPause", 0xB3}, {"MediaStop", 0xB2},
    {"MediaNext", 0xB0},   {"MediaPrev", 0xB1},
};

constexpr std::uint8_t kVkF1 = 0x70;
constexpr int kFunctionKeys = 24;

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// F1 to F24: "F" and one or two decimal digits without a leading zero.
std::uint8_t FunctionKey(const char16_t* text, std::size_t length) {
    if (length < 2 || length > 3 || Lower(text[0]) != u'f') return 0;
    int number = 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (text[i] < u'0' || text[i] > u'9') return 0;
        number = number * 10 + (text[i] - u'0');
    }
    if (text[1] == u'0' || number < 1 || number > kFunctionKeys) return 0;
    return static_cast<std::uint8_t>(kVkF1 + number - 1);
}

}  // namespace

bool IsWordIgnoringCase(const char16_t* text, std::size_t length, const char* word) {
    std::size_t i = 0;
    for (; i < length && word[i]; ++i)
        if (Lower(text[i]) != Lower(static_cast<char16_t>(word[i]))) return false;
    return i == length && word[i] == 0;
}

std::uint8_t VirtualKeyOfName(const char16_t* name, std::size_t length) {
    if (length == 1) {
        const char16_t c = Lower(name[0]);
        if (c >= u'a' && c <= u'z') return static_cast<std::uint8_t>(0x41 + (c - u'a'));
        if (c >= u'0' && c <= u'9') return static_cast<std::uint8_t>(0x30 + (c - u'0'));
        return 0;
    }
    if (const std::uint8_t vk = FunctionKey(name, length)) return vk;
    for (const NamedKey& key : kNamedKeys)
        if (IsWordIgnoringCase(name, length, key.name)) return key.vk;
    return 0;
}

bool NameOfVirtualKey(std::uint8_t vk, char* out, std::size_t capacity) {
    if (capacity < 4) return false;
    if ((vk >= 0x41 && vk <= 0x5A) || (vk >= 0x30 && vk <= 0x39)) {
        out[0] = static_cast<char>(vk);
        out[1] = 0;
        return true;
    }
    if (vk >= kVkF1 && vk < kVkF1 + kFunctionKeys) {
        const int number = vk - kVkF1 + 1;
        std::size_t at = 0;
        out[at++] = 'F';
        if (number >= 10) out[at++] = static_cast<char>('0' + number / 10);
        out[at++] = static_cast<char>('0' + number % 10);
        out[at] = 0;
        return true;
    }
    for (const NamedKey& key : kNamedKeys) {
        if (key.vk != vk) continue;
        std::size_t i = 0;
        for (; key.name[i] && i + 1 < capacity; ++i) out[i] = key.name[i];
        out[i] = 0;
        return key.name[i] == 0;
    }
    return false;
}

std::u16string VirtualKeyName(std::uint8_t vk) {
    char name[24];
    std::u16string text;
    if (!NameOfVirtualKey(vk, name, sizeof(name))) return text;
    for (const char* c = name; *c; ++c) text += static_cast<char16_t>(*c);
    return text;
}
