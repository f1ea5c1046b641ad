// Case folding of Windows-1252 text for case-insensitive filters and orders.
//
// Folding maps every upper-case letter to its lower-case partner: ASCII A-Z,
// the Latin letters 0xC0-0xDE except the multiplication sign 0xD7 (+0x20),
// and 0x8A/0x9A (S caron), 0x8C/0x9C (OE), 0x8E/0x9E (Z caron), 0x9F/0xFF
// (Y diaeresis). Every other byte folds to itself, so each byte has at most
// one partner (its other case).
// Used by the filter evaluator, by orders (engine/order.cpp), and for names
// and keywords in the XML reader and the store.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

// Lower-case partner of every byte.
const std::array<uint8_t, 256>& FoldTable();
// Upper-case partner of every byte (the inverse of FoldTable on letters).
const std::array<uint8_t, 256>& UpperTable();
// Every byte maps to itself (case-sensitive comparisons use it).
const std::array<uint8_t, 256>& IdentityTable();

// Whether two texts are equal when ASCII letters are taken without regard to
// case (other bytes must match exactly): how the formats' keywords, the
// filter language's words, file extensions and field and index names of the
// store are matched.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
// The text with ASCII letters in upper case, other bytes as they are.
std::string UpperAscii(std::string_view s);

}  // namespace engine
