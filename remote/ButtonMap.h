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

struct ButtonActions {
    ButtonAction action[256];
    bool own[256];  // a line of the map gave the code its action
    // What a hold of the button does, from a CODE.long line; a button
    // without one has no long press and fires at its first report.
    ButtonAction longAction[256];
    bool ownLong[256];
    std::vector<CommandLine> commands;  // of the Run lines, two per code at most
};

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
