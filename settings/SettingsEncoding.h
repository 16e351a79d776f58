// How a settings file's bytes are written, as far as Windows' profile
// functions read it right: they read a file that starts with FF FE as
// UTF-16 LE and any other in the ANSI code page (932 on Japanese Windows),
// so a UTF-8 file, which Notepad saves by default, reads garbled, and the
// three bytes of a UTF-8 BOM hide a section header on line 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A file's bytes. Not std::string: its code lives compiled in the C++
// library, and linking it would bring that library's exceptions along.
using FileBytes = std::vector<char>;

enum SettingsEncoding : std::uint8_t {
    kEncodingAscii,    // no BOM, every byte below 0x80: read right as it is
    kEncodingAnsi,     // no BOM, beyond ASCII but not UTF-8: the ANSI code page's text
    kEncodingUtf8,     // no BOM, every byte beyond ASCII part of well-formed UTF-8
    kEncodingUtf8Bom,  // EF BB BF, whatever follows
    kEncodingUtf16Le,  // FF FE: the one Unicode form the profile functions read
    kEncodingUtf16Be,  // FE FF and an even number of bytes
};

SettingsEncoding DetectSettingsEncoding(const FileBytes& bytes);
// UTF-8 and UTF-16 BE: the profile functions would read such a file other
// than as written.
bool IsMisreadByProfileFunctions(SettingsEncoding encoding);
// The same text as UTF-16 LE bytes after FF FE. False, with `out` left as it
// was, for UTF-8 that is not well-formed (a file with a UTF-8 BOM and
// broken bytes after it) or an encoding this does not convert.
bool ConvertToUtf16Le(const FileBytes& bytes, SettingsEncoding encoding, FileBytes& out);
// FF FE and the text's units, low byte first.
FileBytes Utf16LeBytes(const std::u16string& text);
bool IsAsciiText(const char16_t* text);
