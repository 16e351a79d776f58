// The user's two choices, kept in "Korvanta.ini" beside the executable as
// eight upper-case hexadecimal digits each.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Platform.h"

constexpr const char16_t* kSettingsFileName = u"Korvanta.ini";
constexpr const char16_t* kSettingsSection = u"Korvanta";
constexpr const char16_t* kModeKey = u"TVTC_MODE";
constexpr const char16_t* kIgnoreCursorKey = u"IgnoreCursor";
// 1 turns the press log on; set by hand or in the settings window.
constexpr const char16_t* kLogKey = u"Log";
// When a press is told on the screen (see OsdSetting.h); set by hand or in
// the settings window.
constexpr const char16_t* kOsdKey = u"Osd";
// The command line the front button starts when no viewer runs; set by hand
// or in the settings window.
constexpr const char16_t* kStartViewerKey = u"StartViewer";

// A program holding the file open (an editor that locks it, a virus
// scanner) lets go of it within moments: a write tries again after each
// pause, two seconds in all.
constexpr win::DWORD kInUsePause = 100;  // milliseconds
constexpr int kInUsePauses = 19;
// The pauses still left to writes that share them.
struct InUseWaits {
    int pausesLeft;
};

struct SettingsFile {
    // Full path of the settings file; empty when the executable's own path
    // could not be had, and then nothing is read or written.
    std::u16string path;
    // Whether this run has already tried the folder for writing: the user
    // hears at most once per run that the choices cannot be kept.
    bool saveChecked = false;
    // Null: each write waits its own two seconds for a file another program
    // holds. Set, the writes through this record share these pauses, so that
    // one save of many keys waits no longer than one key would.
    InUseWaits* sharedWaits = nullptr;
};

struct Hex8 {
    char16_t text[9];
};

int BuildSettingsPath(SettingsFile& settings);
// Both do nothing (reading 0) where the file's path could not be had.
std::uint32_t ReadSetting(const SettingsFile& settings, const char16_t* key);
int WriteSetting(const SettingsFile& settings, const char16_t* key, std::uint32_t value);
// Any text value into any section, in a file made ready for it first (see
// PrepareSettingsWrite): 1 when the platform took it, 0 when it was not
// written, where the file could not take it without garbling.
int WriteSettingText(const SettingsFile& settings, const char16_t* section, const char16_t* key,
                     const char16_t* value);
// Every line of the key deleted, not the first alone, which is all the
// platform deletes (or rewrites) at a time: a later line it hid would
// otherwise take over. 1 when none is left.
int DeleteSettingLines(const SettingsFile& settings, const char16_t* section, const char16_t* key);
// A text value of [Korvanta] whole, however long, as it was written (see
// ProfileValueToWrite); empty when there is none.
std::u16string ReadSettingText(const SettingsFile& settings, const char16_t* key);

// Blanks and tabs off both ends, as the platform trims keys and values.
std::u16string TrimmedText(const std::u16string& text);

// The platform's reading of a value drops a pair of quotes, single or double,
// that encloses it whole; so "C:\TV\tv.exe" /d "a.dll" would read back as
// C:\TV\tv.exe" /d "a.dll. A value that starts and ends with the same quote
// is written inside one more pair of double quotes.
std::u16string ProfileValueToWrite(const std::u16string& value);
// What a value as the file holds it means: one enclosing pair taken off
// where the platform would take it and what is left still reads as one
// value (no quote of that kind inside, or itself enclosed in a pair, as
// ProfileValueToWrite makes it); otherwise the value whole, as a hand edit
// such as "C:\TV\tv.exe" /d "a.dll" means it.
std::u16string ProfileValueAsMeant(const std::u16string& stored);

// A section as the platform lists it, its lines as the file holds them (no
// quotes dropped): each line ends in a NUL, the list in a second one.
struct SectionList {
    std::unique_ptr<char16_t[]> units;
    std::size_t length;  // units that may be read
    bool cut;            // the last line may be only part of one
};
// The list is read into a buffer grown up to this many units; a longer one
// is read this far and its last line may be cut.
constexpr win::DWORD kLargestSection = 65536;
// False when there was no room for it at all.
bool ReadSectionList(const SettingsFile& settings, const char16_t* section, SectionList& list);
// The names of the file's sections, in the same form.
bool ReadSectionNames(const SettingsFile& settings, SectionList& list);
// Names of keys, sections and programs, compared as the file compares keys:
// A to Z without case.
bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b);
// The two choices at exit, each written only where it changes what the file
// reads as: every write makes the platform rewrite the whole file from what
// it could parse, so a run in which nothing was chosen must leave a file of
// other content as it was. A missing file is created with both.
void SaveSettings(const SettingsFile& settings, std::uint32_t mode, std::uint32_t ignoreCursor);
// 1 when the settings could be written at exit: the file opens for writing,
// or, where there is none yet, one can be created beside the executable.
// Writes nothing and leaves nothing behind.
int CanSaveSettings(const SettingsFile& settings);
// 1 when there is a settings file (or anything else of its name), 0 when
// there is none or its path could not be had.
int HasSettingsFile(const SettingsFile& settings);

Hex8 FormatHex8(std::uint32_t value);
// Leading hexadecimal digits only, either case; unsigned 32-bit, wrapping.
std::uint32_t ParseHex(const char16_t* text);
