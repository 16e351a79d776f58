// Which map decides a press: the own map of the program in front (under
// lock-on, of the locked viewer's program) for a line that map has, and
// the map for every program otherwise, for the press and for its long
// press apart. The program is looked up only when the file has program
// maps at all, so a press without them costs nothing more.
#pragma once

#include <cstddef>

#include "delivery/RouterState.h"
#include "settings/ButtonMapFile.h"

struct ChosenMap {
    const ButtonActions* map;         // its action for the code decides; its commands are its Run lines'
    const ProgramButtonMap* program;  // the program whose own map it is; null for every program's
};

struct ButtonMapChoice {
    ChosenMap press;
    ChosenMap longPress;  // the button has a long action when this map's ownLong says so
};

// The program looked up, for a file that has program maps.
ButtonMapChoice ChooseProgramButtonMap(const RouterState& router, const ButtonMaps& maps, ButtonCode code);

inline ButtonMapChoice ChooseButtonMap(const RouterState& router, const ButtonMaps& maps, ButtonCode code) {
    if (maps.programs.empty()) return ButtonMapChoice{{&maps.all, nullptr}, {&maps.all, nullptr}};
    return ChooseProgramButtonMap(router, maps, code);
}

// What decides a press of another remote's button: the map with a line for
// it, the program's own before every program's; a null action where no map
// has one (the button then does nothing, or has no long press).
struct OtherButtonAction {
    ChosenMap map;
    const ButtonAction* action;
};
struct OtherButtonChoice {
    OtherButtonAction press;
    OtherButtonAction longPress;
};
OtherButtonChoice ChooseOtherButtonMap(const RouterState& router, const ButtonMaps& maps, OtherButton button);
// Whether a line of any map names a button of this device: its reports are
// read no further otherwise.
bool AnyMapNamesDevice(const ButtonMaps& maps, std::uint16_t vendorId, std::uint16_t productId);

// The file name, without its folder, of the program that owns `window`,
// written into `name`; its length, or 0 when it cannot be read (the program
// has ended, or its rights refuse even this question).
std::size_t ProgramFileNameOfWindow(win::HWND window, char16_t* name, std::size_t capacity);
