#include "settings/SettingsEncoding.h"

namespace {

constexpr unsigned char kUtf8Bom[] = {0xEF, 0xBB, 0xBF};

unsigned char Byte(const FileBytes& bytes, std::size_t i) { return static_cast<unsigned char>(bytes[i]); }

bool StartsWith(const FileBytes& bytes, unsigned char first, unsigned char second) {
    return bytes.size() >= 2 && Byte(bytes, 0) == first && Byte(bytes, 1) == second;
}

bool HasUtf8Bom(const FileBytes& bytes) {
    return bytes.size() >= 3 && Byte(bytes, 0) == kUtf8Bom[0] && Byte(bytes, 1) == kUtf8Bom[1] &&
           Byte(bytes, 2) == kUtf8Bom[2];
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// One character of well-formed UTF-8 at `at` (no overlong forms, no
// surrogates, nothing past U+10FFFF): its code point and length, or a
// length of 0.
struct Utf8Character {
    std::uint32_t codePoint;
    std::size_t length;
};

Utf8Character ReadUtf8(const FileBytes& bytes, std::size_t at) {
    const unsigned char lead = Byte(bytes, at);
    if (lead < 0x80) return {lead, 1};
    std::size_t length = 0;
    std::uint32_t codePoint = 0, smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
        smallest = 0x10000;
    } else {
        return {0, 0};
    }
    if (bytes.size() - at < length) return {0, 0};
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(Byte(bytes, at + i))) return {0, 0};
        codePoint = codePoint << 6 | (Byte(bytes, at + i) & 0x3Fu);
    }
    if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return {0, 0};
    return {codePoint, length};
}

bool DecodeUtf8(const FileBytes& bytes, std::size_t from, std::u16string& text) {
    for (std::size_t at = from; at < bytes.size();) {
        const Utf8Character c = ReadUtf8(bytes, at);
        if (c.length == 0) return false;
        if (c.codePoint < 0x10000) {
            text += static_cast<char16_t>(c.codePoint);
        } else {
            text += static_cast<char16_t>(0xD800 + ((c.codePoint - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((c.codePoint - 0x10000) & 0x3FF));
        }
        at += c.length;
    }
    return true;
}

bool IsWellFormedUtf8(const FileBytes& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = ReadUtf8(bytes, at).length;
        if (length == 0) return false;
        at += length;
    }
    return true;
}

bool IsAsciiBytes(const FileBytes& bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

SettingsEncoding DetectSettingsEncoding(const FileBytes& bytes) {
    if (StartsWith(bytes, 0xFF, 0xFE)) return kEncodingUtf16Le;
    if (StartsWith(bytes, 0xFE, 0xFF) && bytes.size() % 2 == 0) return kEncodingUtf16Be;
    if (HasUtf8Bom(bytes)) return kEncodingUtf8Bom;
    if (IsAsciiBytes(bytes)) return kEncodingAscii;
    return IsWellFormedUtf8(bytes) ? kEncodingUtf8 : kEncodingAnsi;
}

bool IsMisreadByProfileFunctions(SettingsEncoding encoding) {
    return encoding == kEncodingUtf8 || encoding == kEncodingUtf8Bom || encoding == kEncodingUtf16Be;
}

bool ConvertToUtf16Le(const FileBytes& bytes, SettingsEncoding encoding, FileBytes& out) {
    std::u16string text;
    switch (encoding) {
    case kEncodingUtf8:
        if (!DecodeUtf8(bytes, 0, text)) return false;
        break;
    case kEncodingUtf8Bom:
        if (!DecodeUtf8(bytes, 3, text)) return false;
        break;
    case kEncodingUtf16Be:
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<char16_t>(Byte(bytes, i) << 8 | Byte(bytes, i + 1));
        break;
    default: return false;
    }
    out = Utf16LeBytes(text);
    return true;
}

FileBytes Utf16LeBytes(const std::u16string& text) {
    FileBytes bytes{'\xFF', '\xFE'};
    bytes.reserve(2 + 2 * text.size());
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

bool IsAsciiText(const char16_t* text) {
    for (; *text; ++text)
        if (*text >= 0x80) return false;
    return true;
}
