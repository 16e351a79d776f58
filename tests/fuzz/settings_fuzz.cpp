// The settings values: arbitrary UTF-16 texts read back through the settings
// file and parsed, and every number written and read again.
//
// The parse is compared with a reference of the value format: the leading run
// of hexadecimal digits of either case, of which only the last eight count
// (unsigned 32-bit arithmetic wraps), anything else ending the run.
#include <string>

#include "settings/SettingsFile.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace win;

namespace {

// The value of the leading hexadecimal digits of `text`.
std::uint32_t ReferenceParse(const std::u16string& text) {
    static const std::u16string kLower = u"0123456789abcdef";
    static const std::u16string kUpper = u"0123456789ABCDEF";
    std::u16string digits;
    for (char16_t c : text) {
        if (kLower.find(c) == std::u16string::npos && kUpper.find(c) == std::u16string::npos) break;
        digits += c;
    }
    if (digits.size() > 8) digits.erase(0, digits.size() - 8);
    std::uint64_t value = 0;
    std::uint64_t weight = 1;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, weight *= 16) {
        const auto lower = kLower.find(*it);
        value += weight * (lower != std::u16string::npos ? lower : kUpper.find(*it));
    }
    return static_cast<std::uint32_t>(value);
}

std::u16string Units(FuzzedDataProvider& in, std::size_t count) {
    std::u16string text;
    for (std::size_t i = 0; i < count && in.remaining_bytes() > 0; ++i) {
        // Mostly digits, letters near them and terminators; sometimes any unit.
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: text += static_cast<char16_t>(in.ConsumeIntegral<std::uint16_t>()); break;
        case 1: text += u"0123456789abcdefABCDEFgG/:@`x \t\0-+\"'"[in.ConsumeIntegralInRange<int>(0, 36)]; break;
        default: text += u"0123456789ABCDEFabcdef"[in.ConsumeIntegralInRange<int>(0, 21)]; break;
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    sim::SimDesktop desk;
    desk.recording = false;
    SetPlatform(&desk);
    SettingsFile settings{u"C:\\Korvanta\\Korvanta.ini"};

    // Any text as the file's value: the platform drops quotes around the
    // whole of it, and the read cuts it to 32 units.
    const std::u16string value = Units(in, in.ConsumeIntegralInRange<std::size_t>(0, 48));
    desk.SetProfileString(settings.path, kSettingsSection, kModeKey, value);
    const bool quoted =
        value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front();
    const std::u16string cut = (quoted ? value.substr(1, value.size() - 2) : value).substr(0, 32);
    const std::uint32_t read = ReadSetting(settings, kModeKey);
    const std::uint32_t expected = ReferenceParse(cut);
    FUZZ_CHECK(read == expected, "value read as 0x%X, reference 0x%X", read, expected);

    // Any text, however long, straight into the parse.
    const std::u16string text = Units(in, in.ConsumeIntegralInRange<std::size_t>(0, 4096));
    const std::uint32_t parsed = ParseHex(text.c_str());
    FUZZ_CHECK(parsed == ReferenceParse(text), "text parsed as 0x%X, reference 0x%X", parsed, ReferenceParse(text));

    // Any number: eight capital digits that read back as the number, through
    // the parse and through the file.
    const std::uint32_t number = in.ConsumeIntegral<std::uint32_t>();
    const Hex8 hex = FormatHex8(number);
    char printed[16];
    std::snprintf(printed, sizeof(printed), "%08X", number);
    for (int i = 0; i < 8; ++i)
        FUZZ_CHECK(hex.text[i] == static_cast<char16_t>(printed[i]), "digit %d of 0x%X is %u", i, number, hex.text[i]);
    FUZZ_CHECK(hex.text[8] == 0, "0x%X is not eight digits", number);
    FUZZ_CHECK(ParseHex(hex.text) == number, "0x%X does not parse back", number);
    WriteSetting(settings, kIgnoreCursorKey, number);
    FUZZ_CHECK(desk.ProfileValue(settings.path, kIgnoreCursorKey) == std::u16string(hex.text),
               "0x%X was not written as its eight digits", number);
    FUZZ_CHECK(ReadSetting(settings, kIgnoreCursorKey) == number, "0x%X does not read back from the file", number);

    SetPlatform(nullptr);
    return 0;
}
