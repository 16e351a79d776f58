#include "settings/SettingsFile.h"

#include <new>

#include "platform/Constants.h"
#include "settings/UnicodeSettingsFile.h"

using namespace win;

namespace {

constexpr DWORD kInitialPathCapacity = 260;
// Windows paths never exceed 32,767 characters.
constexpr DWORD kLargestPathCapacity = 65536;
constexpr DWORD kValueCapacity = 33;
constexpr DWORD kInitialSectionCapacity = 1024;

// The executable's full path, grown until it fits: a cut path would put the
// settings in a wrong folder.
bool ModulePath(std::u16string& module) {
    for (DWORD capacity = kInitialPathCapacity; capacity <= kLargestPathCapacity; capacity *= 2) {
        module.assign(capacity, u'\0');
        const DWORD length = Win().GetModuleFileNameW(nullptr, module.data(), capacity);
        if (length == 0) return false;
        if (length < capacity) {
            module.resize(length);
            return true;
        }
    }
    return false;
}

// The private-profile functions look for a bare or relative name in the
// Windows directory, so only a full path may reach them.
bool IsFullPath(const std::u16string& path) {
    const bool driveRooted = path.size() >= 3 && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/');
    const bool uncRooted = path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\';
    return driveRooted || uncRooted;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Whether there is a file (or anything else) of that name. Asking for no
// access at all changes nothing and is refused by no program holding it.
bool SettingsFileExists(const char16_t* path) {
    HANDLE file = Win().CreateFileW(path, 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == InvalidHandleValue()) return Win().GetLastError() != ERROR_FILE_NOT_FOUND;
    Win().CloseHandle(file);
    return true;
}

struct ValueText {
    char16_t text[kValueCapacity];
};

// The key's text as the file holds it, cut to the value buffer, or `fallback`.
ValueText ReadValueText(const SettingsFile& settings, const char16_t* key, const char16_t* fallback) {
    ValueText value{};
    Win().GetPrivateProfileStringW(kSettingsSection, key, fallback, value.text, kValueCapacity,
                                   settings.path.c_str());
    value.text[kValueCapacity - 1] = 0;
    return value;
}

// Whether the file already reads as `value` for `key`: it holds the value,
// or it exists without the key and the value is the default 0.
bool FileReadsAs(const SettingsFile& settings, const char16_t* key, std::uint32_t value, bool fileExists) {
    const ValueText stored = ReadValueText(settings, key, u"");
    return stored.text[0] != 0 ? ParseHex(stored.text) == value : value == 0 && fileExists;
}

// Into a file already made ready for it.
int WriteReadyValue(const SettingsFile& settings, const char16_t* section, const char16_t* key,
                    const char16_t* value) {
    return Win().WritePrivateProfileStringW(section, key, value, settings.path.c_str()) ? 1 : 0;
}

// As the platform reads a value: a pair of the same quote, single or double,
// around the whole of it.
bool EnclosedInQuotes(const std::u16string& value) {
    return value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front();
}

int HexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

}  // namespace

int BuildSettingsPath(SettingsFile& settings) {
    settings.path.clear();
    std::u16string module;
    if (!ModulePath(module)) return 0;

    const std::size_t capacity = module.size() + 1;
    std::u16string drive(capacity, u'\0'), directory(capacity, u'\0'), fileName(capacity, u'\0'),
        extension(capacity, u'\0');
    if (Win()._wsplitpath_s(module.c_str(), drive.data(), capacity, directory.data(), capacity, fileName.data(),
                            capacity, extension.data(), capacity) != 0)
        return 0;

    std::u16string path = drive.c_str();
    path += directory.c_str();
    path += kSettingsFileName;
    if (!IsFullPath(path)) return 0;
    settings.path = std::move(path);
    return 1;
}

std::uint32_t ReadSetting(const SettingsFile& settings, const char16_t* key) {
    if (settings.path.empty()) return 0;
    return ParseHex(ReadValueText(settings, key, FormatHex8(0).text).text);
}

namespace {

// A list the platform fills (`read` with a buffer and its capacity), read
// into a buffer grown until the list fits or kLargestSection is reached.
template <typename Read>
bool ReadProfileList(Read read, SectionList& list) {
    for (DWORD capacity = kInitialSectionCapacity; capacity <= kLargestSection; capacity *= 2) {
        std::unique_ptr<char16_t[]> units(new (std::nothrow) char16_t[capacity]);
        if (!units) return false;
        const DWORD length = read(units.get(), capacity);
        // A list that did not fit comes back as capacity - 2 units; one that
        // fits exactly does too, and is read again in a larger buffer.
        const bool cut = length >= capacity - 2;
        if (cut && capacity < kLargestSection) continue;
        // Whatever the platform left there, the list ends inside the buffer.
        units[capacity - 1] = 0;
        units[capacity - 2] = 0;
        list = SectionList{std::move(units), cut ? capacity : static_cast<std::size_t>(length) + 1, cut};
        return true;
    }
    return false;
}

}  // namespace

bool ReadSectionList(const SettingsFile& settings, const char16_t* section, SectionList& list) {
    return ReadProfileList(
        [&](char16_t* units, DWORD capacity) {
            return Win().GetPrivateProfileSectionW(section, units, capacity, settings.path.c_str());
        },
        list);
}

bool ReadSectionNames(const SettingsFile& settings, SectionList& list) {
    return ReadProfileList(
        [&](char16_t* units, DWORD capacity) {
            return Win().GetPrivateProfileSectionNamesW(units, capacity, settings.path.c_str());
        },
        list);
}

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::u16string ReadSettingText(const SettingsFile& settings, const char16_t* key) {
    SectionList list;
    if (settings.path.empty() || !ReadSectionList(settings, kSettingsSection, list)) return std::u16string();
    // The first line of the key, as the platform's own reading takes it.
    const std::u16string wanted = key;
    const char16_t* units = list.units.get();
    for (std::size_t at = 0; at < list.length && units[at] != 0;) {
        const std::u16string line(units + at);
        at += line.size() + 1;
        // A cut line would be a value that was never written.
        if (list.cut && (at >= list.length || units[at] == 0)) break;
        const std::size_t equals = line.find(u'=');
        if (equals == std::u16string::npos || !SameNameIgnoringCase(TrimmedText(line.substr(0, equals)), wanted)) continue;
        return ProfileValueAsMeant(TrimmedText(line.substr(equals + 1)));
    }
    return std::u16string();
}

std::u16string TrimmedText(const std::u16string& text) {
    const std::size_t first = text.find_first_not_of(u" \t");
    if (first == std::u16string::npos) return std::u16string();
    return text.substr(first, text.find_last_not_of(u" \t") - first + 1);
}

std::u16string ProfileValueToWrite(const std::u16string& value) {
    if (!EnclosedInQuotes(value)) return value;
    std::u16string enclosed(1, u'"');
    enclosed += value;
    enclosed += u'"';
    return enclosed;
}

std::u16string ProfileValueAsMeant(const std::u16string& stored) {
    if (!EnclosedInQuotes(stored)) return stored;
    const std::u16string inside = stored.substr(1, stored.size() - 2);
    const bool oneValue = inside.find(stored.front()) == std::u16string::npos || EnclosedInQuotes(inside);
    return oneValue ? inside : stored;
}

int WriteSetting(const SettingsFile& settings, const char16_t* key, std::uint32_t value) {
    WriteSettingText(settings, kSettingsSection, key, FormatHex8(value).text);
    return 1;
}

int WriteSettingText(const SettingsFile& settings, const char16_t* section, const char16_t* key,
                     const char16_t* value) {
    // A section named in other letters than ASCII (a program's) needs a
    // Unicode file as such a value does.
    const std::u16string written = value ? std::u16string(section) + key + value : std::u16string();
    if (settings.path.empty() || !PrepareSettingsWrite(settings, value ? written.c_str() : nullptr)) return 0;
    return WriteReadyValue(settings, section, key, value);
}

int DeleteSettingLines(const SettingsFile& settings, const char16_t* section, const char16_t* key) {
    // Far more than a hand edit leaves; a file with more is refused, not
    // deleted from for ever.
    constexpr int kMostLinesOfOneKey = 64;
    // A missing key reads as the default, which no value holds.
    constexpr char16_t kMissing[] = u"\uFFFF";
    if (settings.path.empty()) return 0;
    for (int i = 0; i < kMostLinesOfOneKey; ++i) {
        char16_t probe[2] = {};
        Win().GetPrivateProfileStringW(section, key, kMissing, probe, 2, settings.path.c_str());
        if (probe[0] == kMissing[0]) return 1;
        if (!WriteSettingText(settings, section, key, nullptr)) return 0;
    }
    return 0;
}

void SaveSettings(const SettingsFile& settings, std::uint32_t mode, std::uint32_t ignoreCursor) {
    if (settings.path.empty()) return;
    const bool fileExists = SettingsFileExists(settings.path.c_str());
    const bool writeMode = !FileReadsAs(settings, kModeKey, mode, fileExists);
    const bool writeIgnoreCursor = !FileReadsAs(settings, kIgnoreCursorKey, ignoreCursor, fileExists);
    // The file is looked at once, for both: the first write must not change
    // what the second one decides.
    if ((!writeMode && !writeIgnoreCursor) || !PrepareSettingsWrite(settings, FormatHex8(0).text)) return;
    if (writeMode) WriteReadyValue(settings, kSettingsSection, kModeKey, FormatHex8(mode).text);
    if (writeIgnoreCursor) WriteReadyValue(settings, kSettingsSection, kIgnoreCursorKey, FormatHex8(ignoreCursor).text);
}

int CanSaveSettings(const SettingsFile& settings) {
    if (settings.path.empty()) return 0;
    const char16_t* path = settings.path.c_str();
    HANDLE file = Win().CreateFileW(path, GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == InvalidHandleValue() && Win().GetLastError() == ERROR_FILE_NOT_FOUND) {
        // A trial file that the system deletes as it is closed.
        file = Win().CreateFileW(path, GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE,
                                 nullptr);
    }
    if (file == InvalidHandleValue()) return 0;
    Win().CloseHandle(file);
    return 1;
}

int HasSettingsFile(const SettingsFile& settings) {
    return !settings.path.empty() && SettingsFileExists(settings.path.c_str()) ? 1 : 0;
}

Hex8 FormatHex8(std::uint32_t value) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    Hex8 hex{};
    for (int i = 0; i < 8; ++i) hex.text[i] = kDigits[(value >> (28 - 4 * i)) & 0xF];
    hex.text[8] = 0;
    return hex;
}

std::uint32_t ParseHex(const char16_t* text) {
    std::uint32_t value = 0;
    for (int digit; (digit = HexDigitValue(*text)) >= 0; ++text) value = value * 16 + static_cast<std::uint32_t>(digit);
    return value;
}
