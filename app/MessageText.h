// Texts from string resources with numbered places (%1 to %9) filled in by
// the program itself, so that nothing the user wrote is ever read as a format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Platform.h"

// Loads string `id` and writes it into `out` (at most `capacity` units with
// the terminator) with each %N replaced by args[N - 1] and "%%" by "%". A
// place without an argument is left as written; whatever does not fit is cut.
void FormatStringResource(win::HINSTANCE instance, win::UINT id, const char16_t* const* args, std::size_t argCount,
                          char16_t* out, std::size_t capacity);

// The same, for a pattern already at hand.
void FillPlaces(const char16_t* pattern, const char16_t* const* args, std::size_t argCount, char16_t* out,
                std::size_t capacity);

struct DecimalText {
    char16_t text[11];  // up to ten digits and the terminator
};

DecimalText FormatDecimal(std::uint32_t value);
