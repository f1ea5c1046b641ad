// Case folding of Windows-1252 text for case-insensitive filters.
//
// Folding maps every upper-case letter to its lower-case partner: ASCII A-Z,
// the Latin letters 0xC0-0xDE except the multiplication sign 0xD7 (+0x20),
// and 0x8A/0x9A (S caron), 0x8C/0x9C (OE), 0x8E/0x9E (Z caron), 0x9F/0xFF
// (Y diaeresis). Every other byte folds to itself, so each byte has at most
// one partner (its other case).
// Used by the filter evaluator.
#pragma once

#include <array>
#include <cstdint>

namespace engine {

// Lower-case partner of every byte.
const std::array<uint8_t, 256>& FoldTable();
// Upper-case partner of every byte (the inverse of FoldTable on letters).
const std::array<uint8_t, 256>& UpperTable();
// Every byte maps to itself (case-sensitive comparisons use it).
const std::array<uint8_t, 256>& IdentityTable();

}  // namespace engine
