// Collations: how an order compares string keys of Windows-1252 text.
//
// kBinary compares bytes as unsigned numbers. The two alphabets compare in
// two steps, each through a table of byte weights, so that an order's sort
// keeps mapping bytes through a table rather than calling a comparison:
//   1. the letter: every byte maps to its letter's weight. Letters a to z in
//      turn, each with its capital and its accented forms (e, E, é, É, è, ...
//      weigh the same); then the letters after z, in the alphabet's order
//      (Danish and Norwegian: æ ø å; Swedish and Finnish: å ä ö), each also
//      taking the other alphabet's spelling of itself (ä with æ, ö with ø);
//      every byte that is no letter comes before the letters, in byte order.
//   2. when two keys have the same letters throughout: every byte has a weight
//      of its own, letters in the order A a À à Á á ..., so case and accent
//      break the tie, capital first.
// Two keys equal in both steps are the same bytes.
//
// Used by Order (engine/order.cpp) when a key part is a string.
#pragma once

#include <array>
#include <cstdint>

namespace engine {

enum class Collation : uint8_t {
  kBinary,
  kDanishNorwegian,  // ... x y z æ ø å
  kSwedishFinnish,   // ... x y z å ä ö
};

struct CollationTables {
  std::array<uint8_t, 256> letter;           // step 1
  std::array<uint8_t, 256> tie;              // step 2, a permutation of the bytes
  std::array<uint8_t, 256> tie_ignore_case;  // step 2 for case-insensitive keys
};

// REQUIRES: collation != Collation::kBinary.
const CollationTables& TablesOf(Collation collation);

}  // namespace engine
