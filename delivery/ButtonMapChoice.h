// Which map decides a press: the own map of the program in front (under
// lock-on, of the locked viewer's program) for a code that map names, and
// the map for every program otherwise. The program is looked up only when
// the file has program maps at all, so a press without them costs nothing
// more.
#pragma once

#include <cstddef>

#include "delivery/RouterState.h"
#include "settings/ButtonMapFile.h"

struct ButtonMapChoice {
    const ButtonActions* map;         // its action for the code decides; its commands are its Run lines'
    const ProgramButtonMap* program;  // the program whose own map it is; null for every program's
};

ButtonMapChoice ChooseButtonMap(const RouterState& router, const ButtonMaps& maps, ButtonCode code);

// The file name, without its folder, of the program that owns `window`,
// written into `name`; its length, or 0 when it cannot be read (the program
// has ended, or its rights refuse even this question).
std::size_t ProgramFileNameOfWindow(win::HWND window, char16_t* name, std::size_t capacity);
