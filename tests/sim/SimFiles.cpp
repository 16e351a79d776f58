// The simulated desktop's files: opening, reading, writing, moving and
// deleting them, and the private-profile functions over the same bytes, with
// the encoding rules of Windows (see SimDesktop.h).
#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "tests/sim/SimCodePages.h"
#include "tests/sim/SimDesktop.h"

namespace sim {

namespace {

constexpr std::uintptr_t kFileBase = 0xF1000;
constexpr DWORD kErrorFileExists = 80;
constexpr DWORD kErrorNoUnicodeTranslation = 1113;

std::string DispositionName(DWORD disposition) {
    switch (disposition) {
    case CREATE_NEW: return "CREATE_NEW";
    case CREATE_ALWAYS: return "CREATE_ALWAYS";
    case OPEN_EXISTING: return "OPEN_EXISTING";
    case OPEN_ALWAYS: return "OPEN_ALWAYS";
    default: return "other";
    }
}

bool EndsWith(const std::u16string& text, const std::u16string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// ----- the text of a profile file, line by line -----

struct Line {
    std::u16string text;
    std::u16string end;  // "\r\n", "\n", or empty for a last line without one
};

std::vector<Line> SplitLines(const std::u16string& text) {
    std::vector<Line> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t newline = text.find(u'\n', at);
        if (newline == std::u16string::npos) {
            lines.push_back({text.substr(at), u""});
            break;
        }
        const bool cr = newline > at && text[newline - 1] == u'\r';
        lines.push_back({text.substr(at, newline - at - (cr ? 1 : 0)), cr ? u"\r\n" : u"\n"});
        at = newline + 1;
    }
    return lines;
}

std::u16string JoinLines(const std::vector<Line>& lines) {
    std::u16string text;
    for (const Line& line : lines) text += line.text + line.end;
    return text;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string Trim(const std::u16string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// A line whose first character other than a blank is '[' opens a section.
std::optional<std::u16string> SectionName(const std::u16string& line) {
    const std::u16string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] != u'[') return std::nullopt;
    const std::size_t close = trimmed.find(u']');
    return Trim(trimmed.substr(1, close == std::u16string::npos ? std::u16string::npos : close - 1));
}

struct KeyLine {
    std::u16string name;
    std::u16string value;
};

// Comments and blank lines are no keys; a line without '=' is a key with no value.
std::optional<KeyLine> KeyOf(const std::u16string& line) {
    const std::u16string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == u';') return std::nullopt;
    const std::size_t equals = trimmed.find(u'=');
    if (equals == std::u16string::npos) return KeyLine{trimmed, u""};
    return KeyLine{Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1))};
}

// A list as the profile functions return one: each item ends in a NUL and
// the list in a second one.
DWORD ListInto(const std::vector<std::u16string>& keys, char16_t* buffer, DWORD capacity) {
    if (capacity == 0) return 0;
    if (capacity == 1) {
        buffer[0] = 0;
        return 0;
    }
    // Like Windows: each line ends in a NUL and the list in a second one; a
    // list that does not fit is cut, still ends in two NULs, and the result
    // is then capacity - 2.
    DWORD at = 0;
    const auto cut = [&] {
        buffer[capacity - 2] = 0;
        buffer[capacity - 1] = 0;
        return capacity - 2;
    };
    for (const auto& line : keys) {
        for (char16_t c : line) {
            if (at + 2 >= capacity) return cut();
            buffer[at++] = c;
        }
        if (at + 2 >= capacity) return cut();
        buffer[at++] = 0;
    }
    buffer[at] = 0;
    if (at == 0) buffer[1] = 0;
    return at;
}

// Where a section and a key sit: the header line, the line after the
// section's last line, and the key's line; npos for what is not there.
struct Place {
    std::size_t header = std::u16string::npos;
    std::size_t end = std::u16string::npos;
    std::size_t key = std::u16string::npos;
};

// The first section of that name, and in it the first key of that name.
Place FindIn(const std::vector<Line>& lines, const std::u16string& section, const std::u16string* key) {
    Place place;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i].text);
        if (place.header != std::u16string::npos) {
            if (name) break;
            if (key && place.key == std::u16string::npos) {
                const auto found = KeyOf(lines[i].text);
                if (found && SameIgnoringCase(found->name, *key)) place.key = i;
            }
            place.end = i + 1;
        } else if (name && SameIgnoringCase(*name, section)) {
            place.header = i;
            place.end = i + 1;
        }
    }
    return place;
}

// After the section's last line that is not blank, so that a blank line
// before the next section stays where it is.
std::size_t InsertionPoint(const std::vector<Line>& lines, const Place& place) {
    std::size_t at = place.end;
    while (at > place.header + 1 && Trim(lines[at - 1].text).empty()) --at;
    return at;
}

void EnsureLastLineEnds(std::vector<Line>& lines) {
    if (!lines.empty() && lines.back().end.empty()) lines.back().end = u"\r\n";
}

// A key written, replaced or (value null) deleted; a section (key null) deleted.
void EditLines(std::vector<Line>& lines, const std::u16string& section, const char16_t* key, const char16_t* value) {
    const std::u16string keyName = Text(key);
    Place place = FindIn(lines, section, key ? &keyName : nullptr);
    if (!key) {
        if (place.header != std::u16string::npos)
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(place.header),
                        lines.begin() + static_cast<std::ptrdiff_t>(place.end));
        return;
    }
    if (!value) {
        if (place.key != std::u16string::npos) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(place.key));
        return;
    }
    if (place.key != std::u16string::npos) {
        lines[place.key].text = KeyOf(lines[place.key].text)->name + u"=" + value;
        return;
    }
    EnsureLastLineEnds(lines);
    if (place.header == std::u16string::npos) {
        lines.push_back({u"[" + section + u"]", u"\r\n"});
        lines.push_back({keyName + u"=" + value, u"\r\n"});
        return;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(InsertionPoint(lines, place)),
                 Line{keyName + u"=" + value, u"\r\n"});
}

// ----- bytes and text -----

bool IsUnicodeProfile(const std::string& bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

std::u16string DecodeUtf16(const std::string& bytes, std::size_t from, bool bigEndian) {
    std::u16string text;
    for (std::size_t i = from; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
        text += static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    return text;
}

std::string EncodeUtf16(const std::u16string& text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::string EncodeUtf8(const std::u16string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | c >> 6);
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | c >> 12);
            bytes += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | c >> 18);
            bytes += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            bytes += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

}  // namespace

// ----- files -----

std::uint64_t SimDesktop::FileSize(const std::u16string& name) const {
    auto f = fileSizes.find(name);
    return f == fileSizes.end() ? 0 : f->second;
}

void SimDesktop::SetFileBytes(const std::u16string& name, std::string bytes) {
    fileSizes[name] = bytes.size();
    files[name] = std::move(bytes);
    FileChanged(name);
}

void SimDesktop::FileChanged(const std::u16string& name) {
    for (auto& [handle, watch] : changeWatches_)
        if (name.size() > watch.folder.size() && name.compare(0, watch.folder.size(), watch.folder) == 0 &&
            name.find(u'\\', watch.folder.size()) == std::u16string::npos)
            watch.signalled = true;
}

HANDLE SimDesktop::FindFirstChangeNotificationW(const char16_t* pathName, BOOL watchSubtree, DWORD notifyFilter) {
    std::u16string folder = Text(pathName);
    Record("FindFirstChangeNotificationW(" + Narrow(folder) + ", subtree " + std::to_string(watchSubtree) +
           ", filter " + Hex(notifyFilter) + ")");
    if (changeNotificationFails) {
        lastError_ = ERROR_ACCESS_DENIED;
        return InvalidHandleValue();
    }
    if (folder.empty() || folder.back() != u'\\') folder += u'\\';
    const std::uintptr_t handle = 0xC0000 + nextChange_++;
    changeWatches_[handle] = ChangeWatch{folder, false};
    ++openChangeNotifications;
    return reinterpret_cast<HANDLE>(handle);
}

BOOL SimDesktop::FindNextChangeNotification(HANDLE change) {
    auto watch = changeWatches_.find(reinterpret_cast<std::uintptr_t>(change));
    if (watch == changeWatches_.end()) return 0;
    watch->second.signalled = false;
    return 1;
}

BOOL SimDesktop::FindCloseChangeNotification(HANDLE change) {
    Record("FindCloseChangeNotification");
    if (!changeWatches_.erase(reinterpret_cast<std::uintptr_t>(change))) return 0;
    --openChangeNotifications;
    return 1;
}

bool SimDesktop::OpenWithoutDeleteSharing(const std::u16string& name) const {
    if (heldByReaders.count(name) || lockedFiles.count(name)) return true;
    for (const auto& [handle, open] : openFiles_)
        if (open.name == name && !(open.share & FILE_SHARE_DELETE)) return true;
    return false;
}

bool SimDesktop::InReadOnlyFolder(const std::u16string& name) const {
    const std::size_t slash = name.find_last_of(u'\\');
    return slash != std::u16string::npos && readOnlyFolders.count(name.substr(0, slash + 1)) != 0;
}

HANDLE SimDesktop::CreateFileW(const char16_t* fileName, DWORD access, DWORD shareMode, void*,
                               DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE) {
    const std::u16string file = Text(fileName);
    const bool deleteOnClose = (flagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    Record("CreateFileW(" + Narrow(file) + ", access " + Hex(access) + ", share " + Hex(shareMode) + ", " +
           DispositionName(creationDisposition) + (deleteOnClose ? ", delete on close" : "") + ")");
    const bool exists = files.count(file) != 0;
    const bool writing = (access & (GENERIC_WRITE | FILE_APPEND_DATA)) != 0;
    const auto fail = [&](DWORD error) {
        lastError_ = error;
        return InvalidHandleValue();
    };
    if (lockedFiles.count(file)) return fail(ERROR_SHARING_VIOLATION);
    if (readOnlyFiles.count(file) && writing) return fail(ERROR_ACCESS_DENIED);
    if (creationDisposition == OPEN_EXISTING && !exists) return fail(ERROR_FILE_NOT_FOUND);
    if (creationDisposition == CREATE_NEW && exists) return fail(kErrorFileExists);
    if (!exists && (InReadOnlyFolder(file) || readOnlyFiles.count(file))) return fail(ERROR_ACCESS_DENIED);
    // A program that shares no writing keeps another one's writer out.
    if (writing && heldByReaders.count(file) && !(shareMode & FILE_SHARE_READ)) return fail(ERROR_SHARING_VIOLATION);
    lastError_ = exists && (creationDisposition == OPEN_ALWAYS || creationDisposition == CREATE_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : 0;
    if (!exists || creationDisposition == CREATE_ALWAYS) SetFileBytes(file, "");
    const std::uintptr_t handle = kFileBase + nextFile_++;
    openFiles_[handle] = OpenFile{file, access, shareMode, deleteOnClose, 0};
    ++openFiles;
    return reinterpret_cast<HANDLE>(handle);
}

BOOL SimDesktop::ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead, void*) {
    if (bytesRead) *bytesRead = 0;
    auto open = openFiles_.find(reinterpret_cast<std::uintptr_t>(file));
    if (open == openFiles_.end() || !(open->second.access & GENERIC_READ)) {
        lastError_ = open == openFiles_.end() ? 6 : ERROR_ACCESS_DENIED;  // 6: ERROR_INVALID_HANDLE
        return 0;
    }
    const std::string& content = files[open->second.name];
    const std::size_t at = std::min(open->second.position, content.size());
    const std::size_t count = std::min<std::size_t>(bytesToRead, content.size() - at);
    std::copy(content.begin() + static_cast<std::ptrdiff_t>(at),
              content.begin() + static_cast<std::ptrdiff_t>(at + count), static_cast<char*>(buffer));
    open->second.position = at + count;
    if (bytesRead) *bytesRead = static_cast<DWORD>(count);
    return 1;
}

BOOL SimDesktop::WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten, void*) {
    if (bytesWritten) *bytesWritten = 0;
    auto open = openFiles_.find(reinterpret_cast<std::uintptr_t>(file));
    if (open == openFiles_.end()) {
        lastError_ = 6;  // ERROR_INVALID_HANDLE
        return 0;
    }
    const std::u16string& name = open->second.name;
    if (unwritableFiles.count(name)) {
        lastError_ = 112;  // ERROR_DISK_FULL
        return 0;
    }
    if (keepFileContents || !EndsWith(name, u".log"))
        files[name].append(static_cast<const char*>(buffer), bytesToWrite);
    fileSizes[name] += bytesToWrite;
    FileChanged(name);
    if (bytesWritten) *bytesWritten = bytesToWrite;
    return 1;
}

BOOL SimDesktop::GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) {
    auto open = openFiles_.find(reinterpret_cast<std::uintptr_t>(file));
    if (open == openFiles_.end()) return 0;
    size->QuadPart = static_cast<std::int64_t>(FileSize(open->second.name));
    return 1;
}

void SimDesktop::MoveContents(const std::u16string& from, const std::u16string& to) {
    files[to] = std::move(files[from]);
    fileSizes[to] = fileSizes[from];
    files.erase(from);
    fileSizes.erase(from);
    FileChanged(from);
    FileChanged(to);
}

BOOL SimDesktop::MoveFileExW(const char16_t* existingFileName, const char16_t* newFileName, DWORD flags) {
    const std::u16string from = Text(existingFileName), to = Text(newFileName);
    Record("MoveFileExW(" + Narrow(from) + ", " + Narrow(to) + ", flags " + Hex(flags) + ")");
    // A file open without delete sharing can neither move nor be replaced.
    const bool injected = moveSharingViolations != 0;
    if (moveSharingViolations > 0) --moveSharingViolations;
    if (injected || OpenWithoutDeleteSharing(from) || (files.count(to) && OpenWithoutDeleteSharing(to))) {
        lastError_ = ERROR_SHARING_VIOLATION;
        return 0;
    }
    if (moveFails || !files.count(from)) {
        lastError_ = moveFails ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
        return 0;
    }
    if (InReadOnlyFolder(from) || InReadOnlyFolder(to) || readOnlyFiles.count(to)) {
        lastError_ = ERROR_ACCESS_DENIED;
        return 0;
    }
    if (files.count(to) && !(flags & MOVEFILE_REPLACE_EXISTING)) {
        lastError_ = ERROR_ALREADY_EXISTS;
        return 0;
    }
    MoveContents(from, to);
    return 1;
}

// As documented: the replaced file keeps its name, attributes and security
// and takes the replacement's bytes; a file held open without delete sharing
// cannot be replaced (ERROR_UNABLE_TO_REMOVE_REPLACED), and the replacement
// is then left where it was. An injected failure leaves the two files as
// Windows documents for its error, no backup named.
BOOL SimDesktop::ReplaceFileW(const char16_t* replacedFileName, const char16_t* replacementFileName,
                              const char16_t* backupFileName, DWORD replaceFlags, void*, void*) {
    const std::u16string to = Text(replacedFileName), from = Text(replacementFileName);
    Record("ReplaceFileW(" + Narrow(to) + ", " + Narrow(from) + ", flags " + Hex(replaceFlags) + ")");
    if (replaceFileUnsupported || backupFileName) {
        lastError_ = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (!files.count(to) || !files.count(from)) {
        lastError_ = ERROR_FILE_NOT_FOUND;
        return 0;
    }
    if (OpenWithoutDeleteSharing(to) || OpenWithoutDeleteSharing(from)) {
        lastError_ = ERROR_UNABLE_TO_REMOVE_REPLACED;
        return 0;
    }
    if (InReadOnlyFolder(to) || readOnlyFiles.count(to) || moveFails) {
        lastError_ = ERROR_ACCESS_DENIED;
        return 0;
    }
    if (replaceFileFailure != 0) {
        lastError_ = replaceFileFailure;
        if (replaceFileFailure == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
            files.erase(to);
            fileSizes.erase(to);
            FileChanged(to);
        } else if (replaceFileFailure == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            MoveContents(to, to + u".replaced");
        }
        return 0;
    }
    MoveContents(from, to);
    return 1;
}

BOOL SimDesktop::FlushFileBuffers(HANDLE file) {
    Record("FlushFileBuffers");
    if (onFlush) onFlush();
    return file != InvalidHandleValue();
}

BOOL SimDesktop::DeleteFileW(const char16_t* fileName) {
    const std::u16string file = Text(fileName);
    Record("DeleteFileW(" + Narrow(file) + ")");
    if (!files.count(file)) {
        lastError_ = ERROR_FILE_NOT_FOUND;
        return 0;
    }
    if (OpenWithoutDeleteSharing(file)) {
        lastError_ = ERROR_SHARING_VIOLATION;
        return 0;
    }
    if (InReadOnlyFolder(file) || readOnlyFiles.count(file)) {
        lastError_ = ERROR_ACCESS_DENIED;
        return 0;
    }
    files.erase(file);
    fileSizes.erase(file);
    FileChanged(file);
    return 1;
}

// ----- text conversion -----

int SimDesktop::MultiByteToWideChar(UINT codePage, DWORD flags, const char* multiByteText, int multiByteLength,
                                    char16_t* buffer, int capacity) {
    if (codePage != CP_ACP) throw std::invalid_argument("MultiByteToWideChar: only CP_ACP is simulated");
    if (!multiByteText || multiByteLength == 0 || multiByteLength < -1 || capacity < 0 ||
        (!buffer && capacity != 0)) {
        lastError_ = ERROR_INVALID_PARAMETER;
        return 0;
    }
    const std::size_t length = multiByteLength == -1 ? std::char_traits<char>::length(multiByteText) + 1
                                                      : static_cast<std::size_t>(multiByteLength);
    bool invalid = false;
    const std::u16string text = DecodeAnsi(std::string(multiByteText, length), ansiCodePage, &invalid);
    if (invalid && (flags & MB_ERR_INVALID_CHARS)) {
        lastError_ = kErrorNoUnicodeTranslation;
        return 0;
    }
    if (capacity == 0) return static_cast<int>(text.size());
    if (text.size() > static_cast<std::size_t>(capacity)) {
        lastError_ = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    std::copy(text.begin(), text.end(), buffer);
    return static_cast<int>(text.size());
}

// ----- the private-profile functions -----

std::u16string SimDesktop::ReadProfile(const std::u16string& file, bool* unicode) const {
    *unicode = false;
    auto f = files.find(file);
    if (f == files.end() || lockedFiles.count(file)) return u"";
    *unicode = IsUnicodeProfile(f->second);
    return *unicode ? DecodeUtf16(f->second, 2, false) : DecodeAnsi(f->second, ansiCodePage);
}

BOOL SimDesktop::WriteProfileString(const char16_t* section, const char16_t* key, const char16_t* value,
                                    const std::u16string& file) {
    const bool exists = files.count(file) != 0;
    if (lockedFiles.count(file)) {
        lastError_ = ERROR_SHARING_VIOLATION;
        return 0;
    }
    if (readOnlyFiles.count(file) || (!exists && InReadOnlyFolder(file))) {
        lastError_ = ERROR_ACCESS_DENIED;
        return 0;
    }
    bool unicode = false;
    std::vector<Line> lines = SplitLines(ReadProfile(file, &unicode));
    EditLines(lines, Text(section), key, value);
    const std::u16string text = JoinLines(lines);
    SetFileBytes(file, unicode ? EncodeUtf16(text, false) : EncodeAnsi(text, ansiCodePage));
    return 1;
}

DWORD SimDesktop::GetPrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* defaultValue,
                                           char16_t* buffer, DWORD capacity, const char16_t* fileName) {
    Record("GetPrivateProfileStringW(" + Narrow(Text(section)) + ", " + Narrow(Text(key)) + ", " +
           Narrow(Text(defaultValue)) + ", capacity " + std::to_string(capacity) + ", " + Narrow(Text(fileName)) +
           ")");
    if (!section || !key) throw std::invalid_argument("GetPrivateProfileStringW: lists are not simulated");
    bool unicode = false;
    const std::vector<Line> lines = SplitLines(ReadProfile(Text(fileName), &unicode));
    const std::u16string keyName = Text(key);
    const Place place = FindIn(lines, Text(section), &keyName);
    std::u16string value = place.key != std::u16string::npos ? KeyOf(lines[place.key].text)->value : Text(defaultValue);
    // As Windows: quotes, single or double, around the whole value are dropped.
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    if (capacity == 0) return 0;
    const DWORD length = std::min<DWORD>(static_cast<DWORD>(value.size()), capacity - 1);
    std::copy(value.begin(), value.begin() + length, buffer);
    buffer[length] = 0;
    return length;
}

BOOL SimDesktop::WritePrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* value,
                                            const char16_t* fileName) {
    Record("WritePrivateProfileStringW(" + Narrow(Text(section)) + ", " + (key ? Narrow(Text(key)) : "NULL") +
           ", " + (value ? Narrow(Text(value)) : "NULL") + ", " + Narrow(Text(fileName)) + ")");
    return WriteProfileString(section, key, value, Text(fileName));
}

DWORD SimDesktop::GetPrivateProfileSectionW(const char16_t* section, char16_t* buffer, DWORD capacity,
                                            const char16_t* fileName) {
    Record("GetPrivateProfileSectionW(" + Narrow(Text(section)) + ", capacity " + std::to_string(capacity) + ", " +
           Narrow(Text(fileName)) + ")");
    bool unicode = false;
    const std::vector<Line> lines = SplitLines(ReadProfile(Text(fileName), &unicode));
    const Place place = FindIn(lines, Text(section), nullptr);
    // Every key of the section as NAME=VALUE (or NAME alone), trimmed;
    // comments and blank lines are left out.
    std::vector<std::u16string> keys;
    if (place.header != std::u16string::npos)
        for (std::size_t i = place.header + 1; i < place.end; ++i)
            if (const auto key = KeyOf(lines[i].text))
                keys.push_back(lines[i].text.find(u'=') == std::u16string::npos ? key->name
                                                                                : key->name + u"=" + key->value);
    return ListInto(keys, buffer, capacity);
}

DWORD SimDesktop::GetPrivateProfileSectionNamesW(char16_t* buffer, DWORD capacity, const char16_t* fileName) {
    Record("GetPrivateProfileSectionNamesW(capacity " + std::to_string(capacity) + ", " + Narrow(Text(fileName)) + ")");
    bool unicode = false;
    std::vector<std::u16string> names;
    for (const Line& line : SplitLines(ReadProfile(Text(fileName), &unicode)))
        if (const auto name = SectionName(line.text)) names.push_back(*name);
    return ListInto(names, buffer, capacity);
}

// ----- arranging files -----

void SimDesktop::SetProfileString(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                                  const std::u16string& value) {
    bool unicode = false;
    std::vector<Line> lines = SplitLines(ReadProfile(file, &unicode));
    EditLines(lines, section, key.c_str(), value.c_str());
    const std::u16string text = JoinLines(lines);
    SetFileBytes(file, unicode ? EncodeUtf16(text, false) : EncodeAnsi(text, ansiCodePage));
}

void SimDesktop::AddProfileLine(const std::u16string& file, const std::u16string& section,
                                const std::u16string& line) {
    bool unicode = false;
    std::vector<Line> lines = SplitLines(ReadProfile(file, &unicode));
    Place place = FindIn(lines, section, nullptr);
    EnsureLastLineEnds(lines);
    if (place.header == std::u16string::npos) {
        lines.push_back({u"[" + section + u"]", u"\r\n"});
        lines.push_back({line, u"\r\n"});
    } else {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(place.end), Line{line, u"\r\n"});
    }
    const std::u16string text = JoinLines(lines);
    SetFileBytes(file, unicode ? EncodeUtf16(text, false) : EncodeAnsi(text, ansiCodePage));
}

void SimDesktop::SetSectionLines(const std::u16string& file, const std::u16string& section,
                                 const std::vector<std::u16string>& sectionLines) {
    bool unicode = false;
    std::vector<Line> lines = SplitLines(ReadProfile(file, &unicode));
    EditLines(lines, section, nullptr, nullptr);
    EnsureLastLineEnds(lines);
    lines.push_back({u"[" + section + u"]", u"\r\n"});
    for (const auto& line : sectionLines) lines.push_back({line, u"\r\n"});
    const std::u16string text = JoinLines(lines);
    SetFileBytes(file, unicode ? EncodeUtf16(text, false) : EncodeAnsi(text, ansiCodePage));
}

void SimDesktop::SetFileText(const std::u16string& file, const std::u16string& text, Encoding encoding) {
    switch (encoding) {
    case Encoding::kAnsi: SetFileBytes(file, EncodeAnsi(text, ansiCodePage)); break;
    case Encoding::kUtf8: SetFileBytes(file, EncodeUtf8(text)); break;
    case Encoding::kUtf8Bom: SetFileBytes(file, "\xEF\xBB\xBF" + EncodeUtf8(text)); break;
    case Encoding::kUtf16Le: SetFileBytes(file, EncodeUtf16(text, false)); break;
    case Encoding::kUtf16Be: SetFileBytes(file, EncodeUtf16(text, true)); break;
    }
}

std::u16string SimDesktop::ProfileValue(const std::u16string& file, const std::u16string& key) const {
    if (!files.count(file)) return u"<no file>";
    bool unicode = false;
    const std::vector<Line> lines = SplitLines(ReadProfile(file, &unicode));
    const Place place = FindIn(lines, u"Korvanta", &key);
    if (place.header == std::u16string::npos) return u"<no section>";
    return place.key == std::u16string::npos ? u"<no key>" : KeyOf(lines[place.key].text)->value;
}

std::u16string SimDesktop::ProfileText(const std::u16string& file) const {
    bool unicode = false;
    return ReadProfile(file, &unicode);
}

}  // namespace sim
