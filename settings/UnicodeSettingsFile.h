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
};

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
// would write as '?' (a null value deletes a key, and needs nothing). False
// when the file could not be made ready: the write would garble it, and must
// not happen.
bool PrepareSettingsWrite(const SettingsFile& settings, const char16_t* value);
