// The two ANSI code pages the simulated desktop knows, as Windows converts
// with them: 1252 (western Windows) whole, and 932 (Japanese Windows) for
// ASCII, the half-width and full-width kana, the full-width letters and
// digits, a little punctuation and the kanji the tests use.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

// Every byte becomes one or two characters' worth of text; a byte or pair
// the code page lacks becomes its default character (U+30FB on 932, as
// Windows; 1252 maps all 256 bytes). `invalid`, where given, is set when
// that happened.
std::u16string DecodeAnsi(const std::string& bytes, std::uint32_t codePage, bool* invalid = nullptr);
// A character the code page lacks becomes '?', as Windows writes it.
std::string EncodeAnsi(const std::u16string& text, std::uint32_t codePage);

}  // namespace sim
