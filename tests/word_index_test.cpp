// The word index of a text field against a plain reference: the rows whose
// folded text has a word holding a term, as the table grows in steps of
// every size (so rows are folded into the bulk at different moments), with
// nulls, "unchanged" cells and cells outside the heap; and the budget that
// refuses terms held by too many words; and where a build lets a search in.
#include "engine/word_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/table_data.h"
#include "engine/text_fold.h"

namespace {

using engine::filter::WordIndex;

const char kAlphabet[] = "abAB1 ,.-\xe6\xc6\xf8\xd8\xe5\xc5\x9a\x8a\xff\x9f\xd7";

std::string RandomText(std::mt19937& rng) {
  std::string s;
  const size_t n = rng() % 40;
  for (size_t i = 0; i < n; ++i) s.push_back(kAlphabet[rng() % (sizeof kAlphabet - 1)]);
  return s;
}

std::string Fold(std::string s) {
  for (char& c : s) c = static_cast<char>(engine::FoldTable()[static_cast<uint8_t>(c)]);
  return s;
}

// A table of one varying field and no rows: a memo "Tekst" by default.
engine::TableData TextTable(const char* name = "Tekst",
                            uint16_t type = engine::kBaseBytes | engine::kTypeVarying,
                            uint16_t size = 4) {
  engine::TableData t;
  engine::FieldDef f;
  f.name = name;
  f.type = type;
  f.size = size;
  t.fields.push_back(f);
  return t;
}

// Whether a word of `text` (a run of word bytes) holds `term`, by brute force.
bool WordHolds(const std::string& text, const std::string& term) {
  const std::string folded = Fold(text);
  size_t i = 0;
  while (i < folded.size()) {
    size_t e = i;
    while (e < folded.size() && engine::filter::IsWordByte(static_cast<uint8_t>(folded[e]))) ++e;
    if (e > i && folded.substr(i, e - i).find(term) != std::string::npos) return true;
    i = e + 1;
  }
  return false;
}

TEST(WordIndex, GrowsInStepsAgainstReference) {
  std::mt19937 rng(2026);
  engine::TableData t = TextTable();
  std::vector<std::string> texts;  // "" with state kNoValue / kAskRow below
  std::vector<uint8_t> states;
  WordIndex index;
  const std::vector<std::string> terms = {"a",    "ab",   "b1", "\xe6", "\xe6\xf8", "\x9a",
                                          "\xff", "\xd7", "ba", "aaa",  "1"};
  for (int step = 0; step < 40; ++step) {
    const size_t add = step % 7 == 0 ? 2000 + rng() % 3000 : rng() % 50;
    for (size_t k = 0; k < add; ++k) {
      const int kind = static_cast<int>(rng() % 20);
      engine::Cell c;
      uint8_t state = WordIndex::kIndexed;
      std::string text;
      if (kind == 0) {
        state = WordIndex::kNoValue;  // null
      } else if (kind == 1) {
        c.blank = engine::kUnchanged;
        state = WordIndex::kAskRow;
      } else if (kind == 2) {
        c.blank = engine::kValue;  // past the heap's end
        c.data = uint64_t{1} << 40;
        c.len = 5;
        state = WordIndex::kAskRow;
      } else {
        text = RandomText(rng);
        c = t.AddBytes(text);
      }
      t.status.push_back(0);
      t.cells.push_back(c);
      texts.push_back(text);
      states.push_back(state);
    }
    index.Extend(t, 0);
    ASSERT_EQ(index.rows(), t.row_count());
    for (size_t r = 0; r < t.row_count(); ++r) ASSERT_EQ(index.state(r), states[r]) << r;
    std::vector<uint32_t> ask;
    for (size_t r = 0; r < t.row_count(); ++r)
      if (states[r] == WordIndex::kAskRow) ask.push_back(static_cast<uint32_t>(r));
    ASSERT_EQ(index.ask_rows(), ask);
    for (const std::string& term : terms) {
      std::vector<uint64_t> bits((t.row_count() + 63) / 64, 0);
      ASSERT_TRUE(index.MarkRowsHolding(Fold(term), SIZE_MAX, &bits));
      for (size_t r = 0; r < t.row_count(); ++r) {
        const bool marked = (bits[r >> 6] >> (r & 63)) & 1;
        const bool expected = states[r] == WordIndex::kIndexed && WordHolds(texts[r], Fold(term));
        ASSERT_EQ(marked, expected) << "step " << step << " row " << r << " term " << term;
      }
    }
  }
}

TEST(WordIndex, BudgetRefusesTermsHeldByManyRows) {
  engine::TableData t = TextTable("Titel", engine::kBaseString | engine::kTypeVarying, 1);
  for (int r = 0; r < 100; ++r) {
    t.status.push_back(0);
    t.cells.push_back(t.AddBytes("word" + std::to_string(r) + " other"));
  }
  WordIndex index;
  index.Extend(t, 0);
  std::vector<uint64_t> bits(2, 0);
  EXPECT_FALSE(index.MarkRowsHolding("word", 99, &bits));
  EXPECT_EQ(bits[0] | bits[1], 0u);  // left alone
  EXPECT_TRUE(index.MarkRowsHolding("word", 100, &bits));
  EXPECT_EQ(bits[0], ~uint64_t{0});
  EXPECT_EQ(bits[1], (uint64_t{1} << 36) - 1);
  EXPECT_EQ(index.word_count(), 101u);
}

// Where a build lets a search in: every kPauseRows rows, and with every
// row taken in just before the fold that ends it, the index then reading
// right; a build too short to fold stops only between rows.
TEST(WordIndex, BuildPausesBetweenRowsAndBeforeItsFold) {
  struct Spy final : WordIndex::Pause {
    std::vector<size_t> seen;     // rows() at each pause
    std::vector<size_t> holding;  // rows holding "ab" there
    void Between(const WordIndex& index) override {
      seen.push_back(index.rows());
      std::vector<uint64_t> bits((index.rows() + 63) / 64 + 1, 0);
      EXPECT_TRUE(index.MarkRowsHolding("ab", SIZE_MAX, &bits));
      size_t n = 0;
      for (const uint64_t b : bits) n += static_cast<size_t>(__builtin_popcountll(b));
      holding.push_back(n);
    }
  };
  for (const size_t rows : {size_t{600}, size_t{10000}}) {
    SCOPED_TRACE(rows);
    engine::TableData t = TextTable();
    for (size_t r = 0; r < rows; ++r) {
      t.status.push_back(0);
      t.cells.push_back(t.AddBytes(r % 3 == 0 ? "x ab y" : "x y z"));
    }
    WordIndex index;
    Spy spy;
    ASSERT_EQ(index.ExtendTo(t, 0, rows, nullptr, SIZE_MAX, &spy), WordIndex::Progress::kDone);
    std::vector<size_t> want;
    for (size_t r = WordIndex::kPauseRows; r < rows; r += WordIndex::kPauseRows) want.push_back(r);
    const bool folds = rows * 3 > 4096;  // three words a row: past the fold's threshold
    if (folds) want.push_back(rows);
    EXPECT_EQ(spy.seen, want);
    for (size_t i = 0; i < spy.seen.size(); ++i)
      EXPECT_EQ(spy.holding[i], (spy.seen[i] + 2) / 3) << "at " << spy.seen[i];
  }
}

}  // namespace
