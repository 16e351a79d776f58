// Keeping the settings file in a form that Windows' profile functions read
// as written: a file Korvanta makes starts as UTF-16 LE, and a UTF-8 (or
// UTF-16 BE) file is converted to UTF-16 LE with the same text, through a
// new file and an atomic replace, so that the profile functions stay the
// only reader of values. An ANSI file is left as it is.
#pragma once

#include "settings/SettingsEncoding.h"
#include "settings/SettingsFile.h"

enum SettingsConversion : std::uint8_t {
    kSettingsReadAsWritten,  // nothing to do: missing, unreadable, ANSI or already UTF-16 LE
    kSettingsConverted,
    // The file would be misread and could not be replaced (a read-only
    // folder, say): it is as it was.
    kSettingsNotConverted,
    // The same, for another program holding the file open all the while it
    // was tried.
    kSettingsInUse,
    // Korvanta.ini is missing and its settings stand in Korvanta.ini.new
    // alone (Windows left a replace half done, or a run ended between the
    // two names), which could not be moved into place. Nothing makes a
    // fresh Korvanta.ini meanwhile: a later save would replace them with it.
    kSettingsInNewFile,
};

// Done first of all: where Korvanta.ini is missing and Korvanta.ini.new is
// there, the new file is moved into place. kSettingsInNewFile where it could
// not be, else kSettingsReadAsWritten.
SettingsConversion RestoreSettingsFile(const SettingsFile& settings);
// Korvanta.ini.new beside the settings file, by its full path.
std::u16string NewSettingsFilePath(const SettingsFile& settings);

// Done before the values are read. `bytes` get the file's bytes as they are
// afterwards: empty for a missing file.
SettingsConversion ConvertSettingsFileToUnicode(const SettingsFile& settings, FileBytes& bytes);
// The same for bytes already read from the file.
SettingsConversion ConvertSettingsBytes(const SettingsFile& settings, FileBytes& bytes);

// The file's bytes as they are now; false for a missing or unreadable one.
bool ReadSettingsBytes(const SettingsFile& settings, FileBytes& bytes);

// Before a value is written: a missing file is made as UTF-16 LE (FF FE
// alone), so the platform writes every later value as UTF-16; a UTF-8 file
// is converted; an ANSI file is converted only when `value` holds a
// character beyond ASCII, which the code page might lack and the platform
// would write as '?' (a null value deletes a key, and needs nothing). A
// missing file is first restored from Korvanta.ini.new, where there is one.
// False when the file could not be made ready: the write would garble it,
// or make a file beside the only copy of the settings, and must not happen.
bool PrepareSettingsWrite(const SettingsFile& settings, const char16_t* value);
