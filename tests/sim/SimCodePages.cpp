#include "tests/sim/SimCodePages.h"

#include <stdexcept>

namespace sim {

namespace {

// 0x80 to 0x9F of code page 1252; the five bytes it leaves undefined map to
// the control characters of the same number, as Windows maps them.
constexpr char16_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Double-byte characters of 932 that no rule below covers.
struct Pair {
    std::uint16_t code;
    char16_t character;
};
constexpr Pair k932Pairs[] = {
    {0x8140, 0x3000}, {0x8141, 0x3001}, {0x8142, 0x3002}, {0x8145, 0x30FB}, {0x815B, 0x30FC},
    {0x93FA, 0x65E5}, {0x967B, 0x672C}, {0x8CEA, 0x8A9E}, {0x90DD, 0x8A2D}, {0x92E8, 0x5B9A},
    {0x985E, 0x9332}, {0x89E6, 0x753B}, {0x8E52, 0x5C71}, {0x9363, 0x7530}, {0x91BE, 0x592A},
    {0x9859, 0x90CE}, {0x94D4, 0x756A}, {0x9167, 0x7D44}, {0x955C, 0x8868}, {0x975C, 0x4E88},
    {0x96F1, 0x7D04}, {0x8E8B, 0x8996}, {0x92AE, 0x8074}, {0x8ED2, 0x8005}};

constexpr char16_t kDefault932 = 0x30FB;

bool IsLead932(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrail932(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// The rows of 932 that follow Unicode's order: hiragana, katakana (whose
// trail bytes skip 0x7F), full-width digits and Latin letters.
char16_t DecodePair932(std::uint16_t code) {
    const unsigned lead = code >> 8, trail = code & 0xFF;
    if (lead == 0x82 && trail >= 0x9F && trail <= 0xF1) return static_cast<char16_t>(0x3041 + trail - 0x9F);
    if (lead == 0x83 && trail >= 0x40 && trail <= 0x96 && trail != 0x7F)
        return static_cast<char16_t>(0x30A1 + trail - 0x40 - (trail > 0x7F ? 1 : 0));
    if (lead == 0x82 && trail >= 0x4F && trail <= 0x58) return static_cast<char16_t>(0xFF10 + trail - 0x4F);
    if (lead == 0x82 && trail >= 0x60 && trail <= 0x79) return static_cast<char16_t>(0xFF21 + trail - 0x60);
    if (lead == 0x82 && trail >= 0x81 && trail <= 0x9A) return static_cast<char16_t>(0xFF41 + trail - 0x81);
    for (const Pair& pair : k932Pairs)
        if (pair.code == code) return pair.character;
    return kDefault932;
}

// 0 for a character 932 lacks.
std::uint16_t EncodePair932(char16_t c) {
    if (c >= 0x3041 && c <= 0x3093) return static_cast<std::uint16_t>(0x829F + (c - 0x3041));
    if (c >= 0x30A1 && c <= 0x30F6) {
        const unsigned trail = 0x40 + (c - 0x30A1);
        return static_cast<std::uint16_t>(0x8300 + trail + (trail >= 0x7F ? 1 : 0));
    }
    if (c >= 0xFF10 && c <= 0xFF19) return static_cast<std::uint16_t>(0x824F + (c - 0xFF10));
    if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<std::uint16_t>(0x8260 + (c - 0xFF21));
    if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<std::uint16_t>(0x8281 + (c - 0xFF41));
    for (const Pair& pair : k932Pairs)
        if (pair.character == c) return pair.code;
    return 0;
}

void CheckCodePage(std::uint32_t codePage) {
    if (codePage != 932 && codePage != 1252)
        throw std::invalid_argument("only code pages 932 and 1252 are simulated");
}

}  // namespace

std::u16string DecodeAnsi(const std::string& bytes, std::uint32_t codePage, bool* invalid) {
    CheckCodePage(codePage);
    if (invalid) *invalid = false;
    std::u16string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            text += static_cast<char16_t>(b);
        } else if (codePage == 1252) {
            text += b < 0xA0 ? k1252High[b - 0x80] : static_cast<char16_t>(b);
        } else if (b >= 0xA1 && b <= 0xDF) {
            text += static_cast<char16_t>(0xFF61 + b - 0xA1);  // half-width katakana
        } else if (IsLead932(b) && i + 1 < bytes.size() && IsTrail932(static_cast<unsigned char>(bytes[i + 1]))) {
            const char16_t c =
                DecodePair932(static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(bytes[++i])));
            if (c == kDefault932 && invalid && (b != 0x81 || static_cast<unsigned char>(bytes[i]) != 0x45))
                *invalid = true;
            text += c;
        } else {
            if (invalid) *invalid = true;
            text += kDefault932;
        }
    }
    return text;
}

std::string EncodeAnsi(const std::u16string& text, std::uint32_t codePage) {
    CheckCodePage(codePage);
    std::string bytes;
    bytes.reserve(text.size());
    for (char16_t c : text) {
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (codePage == 1252) {
            char byte = '?';
            if (c >= 0xA0 && c <= 0xFF) byte = static_cast<char>(c);
            for (int i = 0; i < 32; ++i)
                if (k1252High[i] == c) byte = static_cast<char>(0x80 + i);
            bytes += byte;
        } else if (c >= 0xFF61 && c <= 0xFF9F) {
            bytes += static_cast<char>(0xA1 + (c - 0xFF61));
        } else if (const std::uint16_t code = EncodePair932(c)) {
            bytes += static_cast<char>(code >> 8);
            bytes += static_cast<char>(code & 0xFF);
        } else {
            bytes += '?';
        }
    }
    return bytes;
}

}  // namespace sim
