// What the settings window edits: the button map's lines, the viewer the
// front button starts, and the press log. Written key by key, only where a
// value changed; every other line of the file stays as it is.
#pragma once

#include <string>

#include "settings/ButtonMapFile.h"
#include "settings/SettingsFile.h"

struct SettingsChoices {
    ButtonLines buttons;
    std::u16string startViewer;  // as it reads, empty for none
    bool log;
};

void ReadSettingsChoices(const SettingsFile& settings, SettingsChoices& choices);

struct SettingsWriteResult {
    int written;  // keys written or deleted
    int failed;   // keys the file did not take
};
// Each value of `after` that differs from `before`: a button back to its
// standard action, an empty StartViewer and the log turned off delete their
// keys.
SettingsWriteResult WriteChangedSettings(const SettingsFile& settings, const SettingsChoices& before,
                                         const SettingsChoices& after);
