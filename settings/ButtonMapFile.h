// The user's own button map: the optional [Buttons] section of the settings
// file, read once at start and never written.
#pragma once

#include "remote/ButtonMap.h"
#include "settings/SettingsFile.h"

constexpr const char16_t* kButtonsSection = u"Buttons";

// The section is read into a buffer grown up to this many units; a longer
// one is read this far and its last, cut line is ignored.
constexpr win::DWORD kLargestButtonsSection = 65536;

// Fills `actions` with the built-in ones, then lays the section over them.
ButtonMapResult LoadButtonMap(const SettingsFile& settings, ButtonActions& actions);
