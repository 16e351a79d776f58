// The user's own button map: the optional [Buttons] section of the settings
// file, read at start and after each change to the file, and written key by
// key from the settings window.
#pragma once

#include "remote/ButtonMap.h"
#include "settings/SettingsFile.h"

constexpr const char16_t* kButtonsSection = u"Buttons";

// Fills `actions` with the built-in ones, then lays the section over them.
ButtonMapResult LoadButtonMap(const SettingsFile& settings, ButtonActions& actions);

// The section's lines as the file holds them: for each code, whether a line
// names it, and the action's text of the first that does.
struct ButtonLines {
    bool present[256];
    std::u16string action[256];
};
void ReadButtonLines(const SettingsFile& settings, ButtonLines& lines);

// A code's key as the map writes it: two upper-case hexadecimal digits.
struct ButtonKey {
    char16_t text[3];
};
ButtonKey FormatButtonKey(ButtonCode code);

// The code's line set to `actionText`, or, for an empty text, every line of
// the code deleted, so that a later one it had hidden does not take over.
// 1 when the file took it.
int WriteButtonLine(const SettingsFile& settings, ButtonCode code, const std::u16string& actionText);
