// Orders in an edition's alphabet: the letters after z in each alphabet,
// accented letters beside their base letter, capital before small as the tie
// within a letter, equal keys in packet order; and random titles sorted by the
// engine against std::stable_sort with a plain two-step comparison.
#include <random>

#include "engine/collation.h"
#include "engine_fixture.h"

namespace engine_test {
namespace {

using engine::Collation;
using engine::kDBOk;

// Titles of the view of an order on Titel in `collation`.
std::vector<std::string> SortedTitles(const std::vector<std::string>& titles, Collation collation,
                                      bool ignore_case = false) {
  TableData t = ArticleTable();
  for (size_t i = 0; i < titles.size(); ++i) {
    AddRow(&t, 0, Article(Int(int64_t(i)), Null(), Str(titles[i])));
  }
  Opened db;
  EXPECT_EQ(db.Load(std::move(t)), kDBOk);
  engine::IndexDesc desc = MakeIndex("TitelX", {{kTitel, false, ignore_case}});
  desc.collation = collation;
  EXPECT_EQ(db.base->CreateIndex(desc), kDBOk);
  EXPECT_EQ(db.cursor->UseIndexOrder("TitelX"), kDBOk);
  std::vector<std::string> out;
  for (const auto& r : ReadView(db.cursor.get())) out.push_back(r[2].bytes);
  return out;
}

TEST(EngineCollation, EachAlphabetPutsItsLettersAfterZ) {
  struct Case {
    Collation collation;
    std::vector<std::string> expected;  // given shuffled, expected in this order
  } cases[] = {
      {Collation::kDanishNorwegian,
       {"1", "A", "a",    "\xC1", "Ab",   "B",    "b",    "e",    "\xE9", "\xE9t",
        "f", "z", "\xC6", "\xE6", "\xE4", "\xD8", "\xF8", "\xF6", "\xC5", "\xE5"}},
      {Collation::kSwedishFinnish,
       {"1", "A", "a",    "\xC1", "Ab",   "B",    "b",    "e",    "\xE9", "\xE9t",
        "f", "z", "\xC5", "\xE5", "\xC4", "\xE4", "\xE6", "\xD6", "\xF6", "\xF8"}},
      // Bytewise, as before: capitals, then small letters, then 0x80 and up.
      {Collation::kBinary,
       {"1",    "A",    "Ab",   "B",    "a",    "b",    "e",    "f",     "z",    "\xC1",
        "\xC5", "\xC6", "\xD8", "\xE4", "\xE5", "\xE6", "\xE9", "\xE9t", "\xF6", "\xF8"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> shuffled = c.expected;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    EXPECT_EQ(SortedTitles(shuffled, c.collation), c.expected) << int(c.collation);
  }
}

TEST(EngineCollation, CaseBreaksOnlyTiesOfTheLetters) {
  // "about" before "Apple": the letters decide first; "Apple" before "apple".
  EXPECT_EQ(SortedTitles({"apple", "Apple", "about", "\xC5l", "\xE5l", "Zebra"},
                         Collation::kDanishNorwegian),
            (std::vector<std::string>{"about", "Apple", "apple", "Zebra", "\xC5l", "\xE5l"}));
  // Ignoring case, "Apple" and "apple" are equal keys and keep packet order.
  EXPECT_EQ(SortedTitles({"apple", "Apple", "\xE1pple"}, Collation::kSwedishFinnish, true),
            (std::vector<std::string>{"apple", "Apple", "\xE1pple"}));
}

// The reference: letters first, then the tie, then packet order.
int RefCollate(const std::string& a, const std::string& b, const engine::CollationTables& t) {
  for (const auto* w : {&t.letter, &t.tie}) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      uint8_t x = (*w)[uint8_t(a[i])], y = (*w)[uint8_t(b[i])];
      if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  }
  return 0;
}

TEST(EngineCollation, MatchesStableSortOfRandomTitles) {
  static const char* kPieces[] = {"a",    "A",    "e",    "\xE9", "\xC9", "z",       "Z",
                                  "\xE6", "\xC6", "\xF8", "\xD8", "\xE5", "\xC5",    "\xE4",
                                  "\xC4", "\xF6", "\xD6", " ",    "1",    "aaaaaaaa"};
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> len(0, 5), piece(0, std::size(kPieces) - 1);
  std::vector<std::string> titles;
  for (int i = 0; i < 800; ++i) {
    std::string s;
    for (int k = len(rng); k > 0; --k) s += kPieces[piece(rng)];
    titles.push_back(s);
  }
  for (Collation c : {Collation::kDanishNorwegian, Collation::kSwedishFinnish}) {
    std::vector<std::pair<std::string, size_t>> expected;
    for (size_t i = 0; i < titles.size(); ++i) expected.emplace_back(titles[i], i);
    std::stable_sort(expected.begin(), expected.end(), [&](const auto& x, const auto& y) {
      return RefCollate(x.first, y.first, engine::TablesOf(c)) < 0;
    });
    std::vector<std::string> got = SortedTitles(titles, c);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], expected[i].first) << i;
  }
}

}  // namespace
}  // namespace engine_test
