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

// A file saved again while it was being converted is converted anew.
constexpr int kConversionRounds = 3;

enum Replacement { kReplaced, kChangedMeanwhile, kInUse, kNotReplaced, kLeftInNewFile };

bool InUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// One more pause for a file another program holds; false once they are spent.
bool PauseWhileInUse(InUseWaits& waits) {
    if (waits.pausesLeft <= 0) return false;
    --waits.pausesLeft;
    Win().Sleep(kInUsePause);
    return true;
}

// The pauses a write may take: its own, or those it shares with the other
// writes of one save.
InUseWaits& WaitsOf(const SettingsFile& settings, InUseWaits& own) {
    return settings.sharedWaits ? *settings.sharedWaits : own;
}

// Nothing of that name is there. One that cannot even be looked at counts as
// there, so nothing is ever moved over it.
bool FileMissing(const std::u16string& path) {
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = Win().CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == InvalidHandleValue()) return Win().GetLastError() == ERROR_FILE_NOT_FOUND;
    Win().CloseHandle(file);
    return false;
}

enum NewFileFate { kNoNewFile, kMovedIntoPlace, kStillInNewFile };

// For a settings file found missing: a new file beside it holds the only
// copy of the settings (Windows left a replace half done, or a run ended
// between the two names), and takes the settings file's name, waited for as
// the settings file is while another program holds it. Never over a file
// that came meanwhile, another program's save, beside which the new file is
// a leftover.
NewFileFate TakeBackNewFile(const std::u16string& path, InUseWaits& waits) {
    const std::u16string newPath = path + kNewFileSuffix;
    if (FileMissing(newPath)) return kNoNewFile;
    do {
        if (Win().MoveFileExW(newPath.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) return kMovedIntoPlace;
    } while (InUse(Win().GetLastError()) && PauseWhileInUse(waits));
    return FileMissing(path) ? kStillInNewFile : kNoNewFile;
}

// The new file put in the old one's place in one step, unless the old one is
// no longer `was`: a save that came in since it was read is not lost.
// ReplaceFileW keeps the file's attributes, security and hard links; where
// the file system cannot do it, a rename. Without a backup name, ReplaceFileW
// can fail having taken the old file away and left the new one under its own
// name (ERROR_UNABLE_TO_MOVE_REPLACEMENT and _2): the rename, or else the
// caller, then puts the new one in its place.
Replacement PutInPlace(const std::u16string& path, const std::u16string& newPath, const FileBytes& was,
                       InUseWaits& waits) {
    for (;;) {
        FileBytes now;
        if (ReadWholeFile(path, now) != kFileRead || now != was) return kChangedMeanwhile;
        if (Win().ReplaceFileW(path.c_str(), newPath.c_str(), nullptr, 0, nullptr, nullptr)) return kReplaced;
        DWORD error = Win().GetLastError();
        if (!InUse(error)) {
            if (Win().MoveFileExW(newPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return kReplaced;
            error = Win().GetLastError();
        }
        if (!InUse(error)) return kNotReplaced;
        if (!PauseWhileInUse(waits)) return kInUse;
    }
}

// Written beside it under another name and flushed (a rename alone does not
// flush), then put in its place: the file is either as it was or whole in
// its new form, never half written, and its text is always under one of the
// two names.
Replacement ReplaceFile(const std::u16string& path, const FileBytes& bytes, const FileBytes& was, InUseWaits& waits) {
    const std::u16string newPath = path + kNewFileSuffix;
    HANDLE file = Win().CreateFileW(newPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == InvalidHandleValue()) return kNotReplaced;
    const bool written = WriteWholeFile(file, bytes) && Win().FlushFileBuffers(file);
    Win().CloseHandle(file);
    const Replacement result = written ? PutInPlace(path, newPath, was, waits) : kNotReplaced;
    if (result == kReplaced) return result;
    // Only a whole new file can stand for the settings.
    switch (written && FileMissing(path) ? TakeBackNewFile(path, waits) : kNoNewFile) {
    case kMovedIntoPlace: return kReplaced;
    case kStillInNewFile: return kLeftInNewFile;
    case kNoNewFile: break;
    }
    Win().DeleteFileW(newPath.c_str());
    return result;
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

// Converts a file that the profile functions would misread; `bytes`, the
// file as read, become its bytes afterwards. A file saved anew meanwhile is
// taken as it is now.
SettingsConversion ConvertMisread(const std::u16string& path, FileBytes& bytes, InUseWaits& waits) {
    for (int round = 0; round < kConversionRounds; ++round) {
        const SettingsEncoding encoding = DetectSettingsEncoding(bytes);
        if (!IsMisreadByProfileFunctions(encoding)) return kSettingsReadAsWritten;
        FileBytes converted;
        if (!ConvertToUtf16Le(bytes, encoding, converted)) return kSettingsNotConverted;
        switch (ReplaceFile(path, converted, bytes, waits)) {
        case kReplaced: bytes = std::move(converted); return kSettingsConverted;
        case kInUse: return kSettingsInUse;
        case kNotReplaced: return kSettingsNotConverted;
        case kLeftInNewFile: bytes.clear(); return kSettingsInNewFile;
        case kChangedMeanwhile:
            if (ReadWholeFile(path, bytes) != kFileRead) {
                bytes.clear();
                return kSettingsReadAsWritten;
            }
            break;
        }
    }
    return kSettingsNotConverted;
}

}  // namespace

SettingsConversion RestoreSettingsFile(const SettingsFile& settings) {
    InUseWaits own{kInUsePauses};
    if (settings.path.empty() || !FileMissing(settings.path)) return kSettingsReadAsWritten;
    const bool stillAside = TakeBackNewFile(settings.path, WaitsOf(settings, own)) == kStillInNewFile;
    return stillAside ? kSettingsInNewFile : kSettingsReadAsWritten;
}

std::u16string NewSettingsFilePath(const SettingsFile& settings) { return settings.path + kNewFileSuffix; }

SettingsConversion ConvertSettingsFileToUnicode(const SettingsFile& settings, FileBytes& bytes) {
    if (!ReadSettingsBytes(settings, bytes)) return kSettingsReadAsWritten;
    return ConvertSettingsBytes(settings, bytes);
}

SettingsConversion ConvertSettingsBytes(const SettingsFile& settings, FileBytes& bytes) {
    InUseWaits own{kInUsePauses};
    return ConvertMisread(settings.path, bytes, WaitsOf(settings, own));
}

bool ReadSettingsBytes(const SettingsFile& settings, FileBytes& bytes) {
    bytes.clear();
    return !settings.path.empty() && ReadWholeFile(settings.path, bytes) == kFileRead;
}

bool PrepareSettingsWrite(const SettingsFile& settings, const char16_t* value) {
    InUseWaits own{kInUsePauses};
    InUseWaits& waits = WaitsOf(settings, own);
    FileBytes bytes;
    FileReading reading = ReadWholeFile(settings.path, bytes);
    if (reading == kFileMissing) {
        switch (TakeBackNewFile(settings.path, waits)) {
        case kNoNewFile: CreateUnicodeFile(settings.path); return true;
        case kStillInNewFile: return false;  // a fresh file beside the only copy would replace it at the next save
        case kMovedIntoPlace: reading = ReadWholeFile(settings.path, bytes); break;
        }
    }
    if (reading != kFileRead) return reading == kFileUnreadable;  // the write meets what the read met
    const SettingsConversion conversion = ConvertMisread(settings.path, bytes, waits);
    if (conversion != kSettingsReadAsWritten && conversion != kSettingsConverted) return false;
    if (DetectSettingsEncoding(bytes) == kEncodingUtf16Le) return true;
    if (!value || IsAsciiText(value)) return true;  // null: a key deleted
    FileBytes converted;
    return AnsiToUtf16Le(bytes, converted) && ReplaceFile(settings.path, converted, bytes, waits) == kReplaced;
}
