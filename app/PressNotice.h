// What the on-screen line says of a press: one line in the menu's words,
// made from the same record the press log writes, and whether the press
// shows at all under the user's Osd choice.
#pragma once

#include <cstddef>

#include "app/PressLine.h"
#include "platform/Platform.h"
#include "settings/OsdSetting.h"

constexpr std::size_t kPressNoticeCapacity = 256;

// Nothing reached where the press was meant to go: no viewer, one that
// refused, mAgicTV in front, or a program that did not start. A button with
// nothing to do, an ignored direction button or a program started a moment
// ago did what the user asked of it.
bool PressMissed(const PressEvent& event);

// Writes the line into `out` (ending in a NUL) and returns its length; 0 when
// the press shows nothing under `show`: a repeat the filter swallowed, the
// first report of a held button, a press the settings window learns, and,
// under kOsdWhenMissed, a press that did what it was meant to.
std::size_t FormatPressNotice(win::HINSTANCE instance, const PressEvent& event, OsdShow show, char16_t* out,
                              std::size_t capacity);
