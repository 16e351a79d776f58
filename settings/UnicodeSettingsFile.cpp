#include "settings/UnicodeSettingsFile.h"

#include <algorithm>

#include "platform/Constants.h"
#include "settings/SettingsEncoding.h"

using namespace win;

namespace {

// Far beyond any settings file; a larger one is left alone.
constexpr std::uint64_t kLargestSettingsFile = 16u << 20;
constexpr DWORD kChunk = 4096;
constexpr const char16_t* kNewFileSuffix = u".new";

enum FileReading { kFileRead, kFileMissing, kFileUnreadable };

FileReading ReadWholeFile(const std::u16string& path, FileBytes& bytes) {
    HANDLE file = Win().CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == InvalidHandleValue())
        return Win().GetLastError() == ERROR_FILE_NOT_FOUND ? kFileMissing : kFileUnreadable;
    bytes.clear();
    bool whole = false;
    char chunk[kChunk];
    for (;;) {
        DWORD read = 0;
        if (!Win().ReadFile(file, chunk, sizeof(chunk), &read, nullptr)) break;
        if (read == 0) {
            whole = true;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + read);
        if (bytes.size() > kLargestSettingsFile) break;
    }
    Win().CloseHandle(file);
    return whole ? kFileRead : kFileUnreadable;
}

bool WriteWholeFile(HANDLE file, const FileBytes& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, kChunk));
        DWORD written = 0;
        if (!Win().WriteFile(file, bytes.data() + at, part, &written, nullptr) || written == 0) return false;
        at += written;
    }
    return true;
}

// Written beside it under another name, then moved over it in one step: the
// file is either as it was or whole in its new form, never half written.
bool ReplaceFile(const std::u16string& path, const FileBytes& bytes) {
    const std::u16string newPath = path + kNewFileSuffix;
    HANDLE file = Win().CreateFileW(newPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == InvalidHandleValue()) return false;
    const bool written = WriteWholeFile(file, bytes);
    Win().CloseHandle(file);
    if (written && Win().MoveFileExW(newPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    Win().DeleteFileW(newPath.c_str());
    return false;
}

// CREATE_NEW: a file that appeared meanwhile is someone else's, kept as it is.
void CreateUnicodeFile(const std::u16string& path) {
    HANDLE file = Win().CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == InvalidHandleValue()) return;
    WriteWholeFile(file, FileBytes{'\xFF', '\xFE'});
    Win().CloseHandle(file);
}

// The ANSI code page's text, as the platform decodes it. False for a byte
// the code page cannot read: guessing it would change the file.
bool AnsiToUtf16Le(const FileBytes& bytes, FileBytes& out) {
    if (bytes.empty()) {
        out = Utf16LeBytes(u"");
        return true;
    }
    const int length = static_cast<int>(bytes.size());
    const int units = Win().MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (units <= 0) return false;
    std::u16string text(static_cast<std::size_t>(units), u'\0');
    if (Win().MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, text.data(), units) != units)
        return false;
    out = Utf16LeBytes(text);
    return true;
}

// Converts a file that the profile functions would misread; `bytes` become
// the file's new ones.
bool ConvertMisread(const std::u16string& path, FileBytes& bytes, SettingsEncoding encoding) {
    FileBytes converted;
    if (!ConvertToUtf16Le(bytes, encoding, converted) || !ReplaceFile(path, converted)) return false;
    bytes = std::move(converted);
    return true;
}

}  // namespace

SettingsConversion ConvertSettingsFileToUnicode(const SettingsFile& settings, FileBytes& bytes) {
    if (!ReadSettingsBytes(settings, bytes)) return kSettingsReadAsWritten;
    return ConvertSettingsBytes(settings, bytes);
}

SettingsConversion ConvertSettingsBytes(const SettingsFile& settings, FileBytes& bytes) {
    const SettingsEncoding encoding = DetectSettingsEncoding(bytes);
    if (!IsMisreadByProfileFunctions(encoding)) return kSettingsReadAsWritten;
    return ConvertMisread(settings.path, bytes, encoding) ? kSettingsConverted : kSettingsNotConverted;
}

bool ReadSettingsBytes(const SettingsFile& settings, FileBytes& bytes) {
    bytes.clear();
    return !settings.path.empty() && ReadWholeFile(settings.path, bytes) == kFileRead;
}

bool PrepareSettingsWrite(const SettingsFile& settings, const char16_t* value) {
    FileBytes bytes;
    switch (ReadWholeFile(settings.path, bytes)) {
    case kFileMissing: CreateUnicodeFile(settings.path); return true;
    case kFileUnreadable: return true;  // the write meets what the read met
    case kFileRead: break;
    }
    const SettingsEncoding encoding = DetectSettingsEncoding(bytes);
    if (encoding == kEncodingUtf16Le) return true;
    if (IsMisreadByProfileFunctions(encoding)) return ConvertMisread(settings.path, bytes, encoding);
    if (!value || IsAsciiText(value)) return true;  // null: a key deleted
    FileBytes converted;
    return AnsiToUtf16Le(bytes, converted) && ReplaceFile(settings.path, converted);
}
