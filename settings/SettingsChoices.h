// What the settings window edits: the button maps' lines, for every program
// and for each program with a map of its own, the viewer the front button
// starts, and the press log. Written key by key, only where a value
// changed; every other line of the file stays as it is.
#pragma once

#include <string>
#include <vector>

#include "settings/ButtonMapFile.h"
#include "settings/OsdSetting.h"
#include "settings/SettingsFile.h"

struct ProgramLines {
    std::u16string program;  // the file name its section names
    ButtonLines buttons;
};

struct SettingsChoices {
    ButtonLines buttons;                 // [Buttons]
    std::vector<ProgramLines> programs;  // each program's own section, in the file's order
    std::u16string startViewer;          // as it reads, empty for none
    bool log;
    OsdShow osd;                         // as it reads: an unusable value reads as the default
};

void ReadSettingsChoices(const SettingsFile& settings, SettingsChoices& choices);

// The program's lines among `programs`, its name compared without case; null
// when it has none.
const ProgramLines* FindProgramLines(const std::vector<ProgramLines>& programs, const std::u16string& program);

struct SettingsWriteResult {
    int written;  // keys written or deleted
    int failed;   // keys the file did not take
};
// Each value of `after` that differs from `before`: a button back to its
// standard action, an empty StartViewer and the log turned off delete every
// line of their keys, as a new Osd value does before it is written; a
// program gone from `after` has its section deleted.
// The keys share one wait for a file another program holds (see
// SettingsFile::sharedWaits).
SettingsWriteResult WriteChangedSettings(const SettingsFile& settings, const SettingsChoices& before,
                                         const SettingsChoices& after);
