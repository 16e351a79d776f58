// The remote's fixed key assignment: one key chord per button code.
#pragma once

#include <cstdint>

using ButtonCode = std::uint8_t;

// This button sends no key: it brings a viewer to the front.
constexpr ButtonCode BUTTON_BRING_TO_FRONT = 0x21;

// Shift flag, ctrl flag, virtual key, in this order. A flag is set only when
// it is exactly 1; a virtual key of 0 is the empty chord, which delivers nothing.
struct KeyChord {
    std::uint8_t shift;
    std::uint8_t ctrl;
    std::uint8_t vk;
};

// Indexed directly by button code; every code from 0 to 255 has an entry.
extern const KeyChord ButtonKeyTable[256];

// Enter or one of the four arrows: these take their own road in delivery.
bool IsDirectionKey(KeyChord chord);
