// Case folding of Windows-1252 text for case-insensitive filters, and fast
// scans for the bytes of a word in either case.
//
// Folding maps every upper-case letter to its lower-case partner: ASCII A-Z,
// the Latin letters 0xC0-0xDE except the multiplication sign 0xD7 (+0x20),
// and 0x8A/0x9A (S caron), 0x8C/0x9C (OE), 0x8E/0x9E (Z caron), 0x9F/0xFF
// (Y diaeresis). Every other byte folds to itself, so each byte has at most
// one partner (its other case).
// Used by the filter evaluator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace engine {

// Lower-case partner of every byte.
const std::array<uint8_t, 256>& FoldTable();
// Upper-case partner of every byte (the inverse of FoldTable on letters).
const std::array<uint8_t, 256>& UpperTable();
// Every byte maps to itself (case-sensitive comparisons use it).
const std::array<uint8_t, 256>& IdentityTable();

// Position of the first byte in s[0, n) equal to `a` or `b`, or n.
size_t FindEitherByte(const uint8_t* s, size_t n, uint8_t a, uint8_t b);

// The first position p in [0, count) where s[p + off1] is a1 or a2 and
// s[p + off2] is b1 or b2, or count. Looking at two bytes of a word at once
// lets the scan pass over most places where only one of them occurs.
// REQUIRES: s[0, count - 1 + max(off1, off2)] is readable.
size_t FindBytePair(const uint8_t* s, size_t count, size_t off1, uint8_t a1, uint8_t a2,
                    size_t off2, uint8_t b1, uint8_t b2);

}  // namespace engine
