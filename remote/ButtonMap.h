// What each button code does: the fixed table, with the user's own lines
// from the settings file laid over it. Built once at start; a press only
// looks its code up.
#pragma once

#include <cstddef>
#include <cstdint>

#include <string>
#include <vector>

#include "remote/ButtonKeyTable.h"
#include "remote/CommandLine.h"

enum ButtonActionKind : std::uint8_t {
    kActionChord = 0,         // deliver `chord` (nothing when it is empty)
    kActionBringToFront = 1,  // bring a viewer to the front
    kActionRun = 2,           // start the program of commands[command]
};

struct ButtonAction {
    KeyChord chord;
    std::uint8_t kind;      // a ButtonActionKind
    std::uint16_t command;  // for kActionRun
};

// A button of another remote: a consumer-control usage of the device with
// that vendor and product ID, written VVVV:PPPP:UUUU in four hexadecimal
// digits each.
struct OtherButton {
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::uint16_t usage;
};
inline bool operator==(OtherButton a, OtherButton b) {
    return a.vendorId == b.vendorId && a.productId == b.productId && a.usage == b.usage;
}
inline bool operator<(OtherButton a, OtherButton b) {
    if (a.vendorId != b.vendorId) return a.vendorId < b.vendorId;
    if (a.productId != b.productId) return a.productId < b.productId;
    return a.usage < b.usage;
}

// What the lines of a map give one button of another remote. Such a button
// has no built-in action: without its own line it does nothing.
struct OtherButtonActions {
    OtherButton button;
    bool own;
    ButtonAction action;
    bool ownLong;
    ButtonAction longAction;
};

struct ButtonActions {
    ButtonAction action[256];
    bool own[256];  // a line of the map gave the code its action
    // What a hold of the button does, from a CODE.long line; a button
    // without one has no long press and fires at its first report.
    ButtonAction longAction[256];
    bool ownLong[256];
    std::vector<CommandLine> commands;  // of the Run lines, two per code (or other button) at most
    std::vector<OtherButtonActions> others;  // each button once, in the order of its first line
};

// The lines of `actions` for a button of another remote; null when it has none.
const OtherButtonActions* FindOtherButton(const ButtonActions& actions, OtherButton button);
// Whether any line of `actions` names a button of this device.
bool NamesOtherDevice(const ButtonActions& actions, std::uint16_t vendorId, std::uint16_t productId);

// Long enough to recognise a line in a balloon; longer ones are cut.
constexpr std::size_t kQuotedLineCapacity = 48;

struct ButtonMapResult {
    std::uint32_t applied;  // lines that replaced a code's action
    std::uint32_t ignored;  // lines that could not be read, or named a code again
    char16_t firstIgnored[kQuotedLineCapacity];  // trimmed, cut with "…" when longer; empty when none
    std::uint32_t ignoredLinesHash;  // of every ignored line, trimmed, in order: tells one set from another
};

// The fixed table, and bring-to-front on its own button.
void SetBuiltInActions(ButtonActions& actions);
// One code's action there.
ButtonAction BuiltInAction(ButtonCode code);

enum MapLineReading : std::uint8_t {
    kMapLineGood,        // code and action read
    kMapLineBlank,       // empty, or a comment (";" or "#"): not a map line
    kMapLineBadCode,     // no "=", or no code 01 to FF before it
    kMapLineBadAction,   // the code reads (it is set), the action does not
};

// The key of a line naming a button's long press: CODE.long, in any case.
constexpr const char* kLongPressSuffix = ".long";

// One line of the map, CODE=ACTION or CODE.long=ACTION, with spaces allowed
// around "=" and "+"; `longPress` tells which. ACTION "Run COMMAND LINE"
// (the word in any case) fills `command`; a Run with no command, or one
// whose quote never closes, does not read.
MapLineReading ParseButtonMapLine(const char16_t* line, std::size_t length, ButtonCode& code, ButtonAction& action,
                                  CommandLine* command = nullptr, bool* longPress = nullptr);

// One line of the map for a button of another remote, VVVV:PPPP:UUUU=ACTION
// or VVVV:PPPP:UUUU.long=ACTION; kMapLineBadCode for any other key, and for a
// usage of 0, which no button sends.
MapLineReading ParseOtherButtonLine(const char16_t* line, std::size_t length, OtherButton& button,
                                    ButtonAction& action, CommandLine* command = nullptr, bool* longPress = nullptr);
// The action's text of such a line, trimmed, as SplitButtonMapLine gives a code's.
bool SplitOtherButtonLine(const char16_t* line, std::size_t length, OtherButton& button, std::u16string& actionText,
                          bool* longPress = nullptr);
// A button of another remote as its lines name it: "045E:0800:00CD".
std::u16string FormatOtherButton(OtherButton button);

// The action's text of one line, trimmed, its code and whether it names the
// long press; false for a blank line or one without a code 01 to FF (and
// maybe .long) before "=".
bool SplitButtonMapLine(const char16_t* line, std::size_t length, ButtonCode& code, std::u16string& actionText,
                        bool* longPress = nullptr);
// The action of a line's text alone, as ParseButtonMapLine reads it.
bool ParseButtonAction(const std::u16string& text, ButtonAction& action, CommandLine* command = nullptr);
// The map's own words for an action, which read back to the same action:
// "Shift+Ctrl+F13", "BringToFront", "Run "C:\TV	v.exe" /d", "none".
// `command` is the program of a Run action.
std::u16string FormatButtonAction(const ButtonAction& action, const CommandLine* command);

// Lays the lines of a list (each line ends in a NUL, the list in a second
// one, as the private-profile functions return a section) over `actions`.
// Reads no more than `length` units. Each code may be named once, and once
// more with .long: the first line naming it decides, and when its action
// cannot be read the code keeps its built-in action (or no long press); any
// later line naming it is ignored. When `lastLineCut` is set the list was cut
// short, and its last line, which may be only part of one, is ignored.
ButtonMapResult ApplyButtonMapLines(ButtonActions& actions, const char16_t* list, std::size_t length,
                                    bool lastLineCut);
