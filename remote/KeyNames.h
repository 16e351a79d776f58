// The key names a user may write in the button map, and back again for the
// press log. Names are ASCII and compared without regard to case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Whether `length` units of `text` spell the ASCII `word`, letter case aside.
bool IsWordIgnoringCase(const char16_t* text, std::size_t length, const char* word);

// The virtual key of `length` units of `name`, or 0 when it names no key.
std::uint8_t VirtualKeyOfName(const char16_t* name, std::size_t length);

// The name the user would write for `vk` into `out` (at most `capacity`
// bytes with the terminator); false for a key without one, or no room.
bool NameOfVirtualKey(std::uint8_t vk, char* out, std::size_t capacity);
// The same as a text; empty for a key without a name.
std::u16string VirtualKeyName(std::uint8_t vk);
