// The weight tables of the two alphabets (see collation.h), built at compile
// time from the letter groups below.
#include "engine/collation.h"

#include <cassert>
#include <string_view>

namespace engine {
namespace {

// The letters in alphabet order; each group lists its bytes in tie order
// (capital before small, plain before accented). Bytes are Windows-1252.
constexpr std::string_view kLatinGroups[] = {
    "Aa\xC0\xE0\xC1\xE1\xC2\xE2\xC3\xE3",  // a à á â ã
    "Bb",
    "Cc\xC7\xE7",                          // ç
    "Dd\xD0\xF0",                          // ð
    "Ee\xC8\xE8\xC9\xE9\xCA\xEA\xCB\xEB",  // è é ê ë
    "Ff",
    "Gg",
    "Hh",
    "Ii\xCC\xEC\xCD\xED\xCE\xEE\xCF\xEF",  // ì í î ï
    "Jj",
    "Kk",
    "Ll",
    "Mm",
    "Nn\xD1\xF1",                                  // ñ
    "Oo\xD2\xF2\xD3\xF3\xD4\xF4\xD5\xF5\x8C\x9C",  // ò ó ô õ œ
    "Pp",
    "Qq",
    "Rr",
    "Ss\x8A\x9A\xDF",                      // š ß
    "Tt\xDE\xFE",                          // þ
    "Uu\xD9\xF9\xDA\xFA\xDB\xFB\xDC\xFC",  // ù ú û ü
    "Vv",
    "Ww",
    "Xx",
    "Yy\xDD\xFD\x9F\xFF",  // ý ÿ
    "Zz\x8E\x9E",          // ž
};

// The letters after z.
constexpr std::string_view kDanishNorwegianLast[] = {
    "\xC6\xE6\xC4\xE4",  // æ, ä
    "\xD8\xF8\xD6\xF6",  // ø, ö
    "\xC5\xE5",          // å
};
constexpr std::string_view kSwedishFinnishLast[] = {
    "\xC5\xE5",          // å
    "\xC4\xE4\xC6\xE6",  // ä, æ
    "\xD6\xF6\xD8\xF8",  // ö, ø
};

template <size_t N>
constexpr CollationTables MakeTables(const std::string_view (&last)[N]) {
  CollationTables t{};
  bool is_letter[256] = {};
  for (std::string_view g : kLatinGroups) {
    for (char c : g) is_letter[uint8_t(c)] = true;
  }
  for (std::string_view g : last) {
    for (char c : g) is_letter[uint8_t(c)] = true;
  }
  // Bytes that are no letter first, in byte order, in both steps.
  int next = 0;
  for (int b = 0; b < 256; ++b) {
    if (!is_letter[b]) {
      t.letter[b] = uint8_t(next);
      t.tie[b] = uint8_t(next);
      ++next;
    }
  }
  int letter = next;
  int tie = next;
  auto add = [&](std::string_view g) {
    for (char c : g) {
      t.letter[uint8_t(c)] = uint8_t(letter);
      t.tie[uint8_t(c)] = uint8_t(tie++);
    }
    ++letter;
  };
  for (std::string_view g : kLatinGroups) add(g);
  for (std::string_view g : last) add(g);
  // Case-insensitive: a capital takes its small letter's tie weight.
  for (int b = 0; b < 256; ++b) {
    int lower = b;
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) lower = b + 0x20;
    if (b == 0x8A || b == 0x8C || b == 0x8E) lower = b + 0x10;
    if (b == 0x9F) lower = 0xFF;
    t.tie_ignore_case[b] = t.tie[lower];
  }
  return t;
}

constexpr CollationTables kDanishNorwegian = MakeTables(kDanishNorwegianLast);
constexpr CollationTables kSwedishFinnish = MakeTables(kSwedishFinnishLast);

// Every byte has a tie weight of its own: the groups list each letter once.
constexpr bool IsPermutation(const std::array<uint8_t, 256>& t) {
  bool seen[256] = {};
  for (uint8_t w : t) {
    if (seen[w]) return false;
    seen[w] = true;
  }
  return true;
}
static_assert(IsPermutation(kDanishNorwegian.tie));
static_assert(IsPermutation(kSwedishFinnish.tie));

}  // namespace

const CollationTables& TablesOf(Collation collation) {
  assert(collation != Collation::kBinary);
  return collation == Collation::kSwedishFinnish ? kSwedishFinnish : kDanishNorwegian;
}

}  // namespace engine
