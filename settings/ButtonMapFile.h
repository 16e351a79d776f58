// The user's own button maps: the optional [Buttons] section of the settings
// file for every program, and a [Buttons:<program>] section for each program
// that has keys of its own. Read at start and after each change to the file,
// and written key by key from the settings window.
#pragma once

#include <string>
#include <vector>

#include "remote/ButtonMap.h"
#include "remote/LongPress.h"
#include "settings/SettingsFile.h"

constexpr const char16_t* kButtonsSection = u"Buttons";
// In [Korvanta]: how long a button with a long action must be held, in
// milliseconds.
constexpr const char16_t* kLongPressKey = u"LongPress";
// Before the program's file name, as in [Buttons:mpc-be64.exe].
constexpr const char16_t* kProgramSectionPrefix = u"Buttons:";

// A program's own map: its lines laid over the built-in table; only the
// codes it names (`own`) are its own, the others follow [Buttons].
struct ProgramButtonMap {
    std::u16string program;  // the file name, as its section names it
    ButtonActions actions;
};

// LongPress= as read: the hold time in force, and the value as written when
// it could not be used (the default is then in force).
struct HoldTimeSetting {
    std::uint32_t milliseconds;
    bool unusable;
    std::u16string written;
};
// Decimal digits from kShortestHoldTime to kLongestHoldTime; none at all is
// the default, and so is anything else, which is unusable.
HoldTimeSetting ReadHoldTime(const SettingsFile& settings);

struct ButtonMaps {
    ButtonActions all;                       // [Buttons] over the built-in table
    std::vector<ProgramButtonMap> programs;  // in the file's order, each program once
    HoldTimeSetting holdTime;
};

// Lines passed over in any of the sections, told together; the first is
// quoted with its section.
struct ButtonMapsResult {
    ButtonMapResult lines;
    std::u16string firstIgnoredSection;
};

// Fills `actions` with the built-in ones, then lays [Buttons] over them.
ButtonMapResult LoadButtonMap(const SettingsFile& settings, ButtonActions& actions);
// [Buttons], every program's section and the hold time.
ButtonMapsResult LoadButtonMaps(const SettingsFile& settings, ButtonMaps& maps);

// The section of a program's map.
std::u16string ProgramSectionName(const std::u16string& program);
// The programs that have a section, named as the file names them: the first
// section of a name (compared without case) counts, as the platform reads
// only that one, and a section with nothing after the colon is none.
std::vector<std::u16string> ReadProgramNames(const SettingsFile& settings);

// A section's lines as the file holds them: for each code, whether a line
// names it, and the action's text of the first that does; the same for its
// long press (CODE.long).
struct OtherButtonLines {
    OtherButton button;
    bool present;
    std::u16string action;
    bool longPresent;
    std::u16string longAction;
};
struct ButtonLines {
    bool present[256];
    std::u16string action[256];
    bool longPresent[256];
    std::u16string longAction[256];
    std::vector<OtherButtonLines> others;  // other remotes' buttons, each once, in the file's order
};
// The button's lines among `lines.others`; null when it has none.
const OtherButtonLines* FindOtherButtonLines(const ButtonLines& lines, OtherButton button);
void ReadButtonLines(const SettingsFile& settings, ButtonLines& lines, const char16_t* section = kButtonsSection);

// A code's key as the map writes it: two upper-case hexadecimal digits, and
// .long for its long press.
struct ButtonKey {
    char16_t text[8];
};
ButtonKey FormatButtonKey(ButtonCode code, bool longPress = false);

// The code's line set to `actionText`, or, for an empty text, every line of
// the code deleted, so that a later one it had hidden does not take over.
// 1 when the file took it.
int WriteButtonLine(const SettingsFile& settings, ButtonCode code, const std::u16string& actionText,
                    const char16_t* section = kButtonsSection, bool longPress = false);
// The same for a button of another remote.
int WriteOtherButtonLine(const SettingsFile& settings, OtherButton button, const std::u16string& actionText,
                         const char16_t* section = kButtonsSection, bool longPress = false);
// The program's section deleted, every one of its name. 1 when the file took it.
int DeleteProgramSection(const SettingsFile& settings, const std::u16string& program);
