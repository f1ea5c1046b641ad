// The decoded form of a filter block and its evaluation over table rows.
//
// Node kinds (decoded from the block's node classes and operators,
// engine/filter_block.h):
//   kConst       a constant value (null for a constant without data)
//   kField       the value of a field (0-based), "unchanged" cells resolved
//   kIsNull / kNotNull   unary isblank / notblank: whether the operand is null
//   kNot, kAnd, kOr      unary not, binary and / or, three-valued
//   kCompare     binary eq..le: two values compared (numbers as numbers,
//                strings byte by byte)
//   kText        a compare node and binary like: the operand's text against
//                a string constant, = / <> / like, with the case flag and
//                partial length
//   kIn          binary in: the left value equals one of the list's values
//   kArith       binary add..div
//   kFunc        func: UPPER, LOWER, TRIM, TRIMLEFT, TRIMRIGHT, SUBSTRING
// Null semantics: a comparison with a null operand is unknown, NOT unknown is
// unknown, AND/OR follow three-valued logic, and a row passes only when the
// whole condition is true (docs/filter-evaluation.md).
// Used by FilterProgram (engine/filter_program.cpp).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/row_set.h"
#include "engine/table_data.h"

namespace engine::filter {

enum class Tri : uint8_t { kFalse, kTrue, kUnknown };

struct Value {
  enum class Kind : uint8_t { kNull, kInt, kFloat, kText };
  Kind kind = Kind::kNull;
  int64_t i = 0;
  double f = 0;
  std::string_view text;  // into the table's heap, the program, or `owned`
  std::string owned;      // computed text (functions, +)

  std::string_view Text() const { return owned.empty() ? text : std::string_view(owned); }
};

// A LIKE pattern ("%" any run, "_" one character) or an exact text, already
// folded when the comparison ignores case.
class TextPattern {
 public:
  TextPattern() = default;
  TextPattern(std::string_view pattern, bool like, bool fold);
  bool Matches(std::string_view text) const;
  // Every place in `text` where a piece of the pattern (a run between "%",
  // or the whole of an exact text) matches, as (start, length), left to
  // right; overlapping places are joined, and a piece of only "_" has none.
  // What a reader is shown as the reason a text passes.
  std::vector<std::pair<size_t, size_t>> FindAll(std::string_view text) const;

  // The runs of word bytes (engine/word_index.h) of a LIKE pattern, folded:
  // a text the pattern matches holds each of them inside one of its words.
  const std::vector<std::string>& WordRuns() const { return runs_; }
  // True when holding the one run is the whole condition: the pattern is
  // "%R%" (more "%" allowed) with R all word bytes, and case is ignored.
  bool DecidedByWordRuns() const { return runs_decide_; }

 private:
  struct Segment {
    std::string bytes;             // folded; '_' matches any byte in LIKE patterns
    size_t key = 0;                // index of the rarest non-wildcard byte, or npos
    uint8_t key_a = 0, key_b = 0;  // that byte in both cases
    size_t key2 = 0;               // a second non-wildcard byte far from it, or npos
    uint8_t key2_a = 0, key2_b = 0;
  };
  Segment MakeSegment(std::string_view s) const;
  bool At(std::string_view text, size_t pos, const Segment& seg) const;
  size_t Find(std::string_view text, size_t from, size_t limit, const Segment& seg) const;

  const std::array<uint8_t, 256>* fold_ = nullptr;
  bool like_ = false;
  bool has_percent_ = false;
  bool runs_decide_ = false;
  std::vector<std::string> runs_;
  Segment first_, last_;
  std::vector<Segment> middle_;
};

enum class Kind : uint8_t {
  kConst,
  kField,
  kIsNull,
  kNotNull,
  kNot,
  kAnd,
  kOr,
  kCompare,
  kText,
  kIn,
  kArith,
  kFunc
};

struct Node {
  Kind kind = Kind::kConst;
  int op = 0;             // operator code of the block (FilterOp::Code)
  std::vector<int> kids;  // node indexes; kIn: left, then the list
  Value constant;         // kConst; a string constant's text is `storage`
  std::string storage;
  int field = -1;           // kField: 0-based field index
  uint16_t base = 0;        // kField: base type of the field
  bool fold = false;        // kText: ignore case
  uint32_t partial = 0;     // kText: compare only the first N characters
  TextPattern pattern;      // kText
  std::string func;         // kFunc: upper-case name
  int cost = 1;             // rough price per row, for ordering AND/OR
  std::vector<int> fields;  // fields this subtree reads (for prefetching)
};

class ColumnCache;
class WordIndex;

class Evaluator {
 public:
  // A text scan over at least this many rows runs in two threads.
  static constexpr size_t kParallelScanRows = 16384;
  // A text scan over at least this many rows asks the word-index build in
  // progress for the rows it covers, once it covers a share of the table,
  // waiting for it up to the patience.
  static constexpr size_t kPartialIndexRows = 4096;
  static constexpr size_t kPartialIndexShare = 16;  // 1/16 of the rows
  static constexpr std::chrono::microseconds kPartialIndexPatience{2000};

  // `cache` holds the columns derived from `data` (engine/filter_cache.h);
  // without one, every row is tested on its own.
  Evaluator(const std::vector<Node>& nodes, const TableData& data,
            const std::vector<uint32_t>& replaces, ColumnCache* cache)
      : nodes_(nodes), data_(data), replaces_(replaces), cache_(cache) {}

  Tri Test(int node, uint32_t row) const;
  Value Eval(int node, uint32_t row) const;
  // Appends the rows of `in` for which `node` is true.
  // REQUIRES: `in` ascending, every row < data.row_count().
  void Select(int node, const std::vector<uint32_t>& in, std::vector<uint32_t>* out) const;
  // The rows of `in` for which `node` is true, as a set of the same size.
  // AND, OR and word-index searches work on the sets themselves; other
  // conditions go through Select over the set's rows.
  // REQUIRES: in.size() <= data.row_count().
  void SelectSet(int node, const RowSet& in, RowSet* out) const;

 private:
  // The cell holding the row's value of `field`, or null for no value.
  const Cell* Resolve(uint32_t row, int field) const {
    const Cell* c = &data_.cells[row * data_.fields.size() + static_cast<size_t>(field)];
    if (c->blank == kValue) return c;
    return c->blank == kUnchanged ? ResolveChain(row, field) : nullptr;
  }
  const Cell* ResolveChain(uint32_t row, int field) const;
  // Leaves that the column cache answers in one pass; false when `index` is
  // no such leaf or there is no cache.
  bool SelectCached(int index, const std::vector<uint32_t>& in, std::vector<uint32_t>* out) const;
  // A LIKE over a text field through the field's word index; false when the
  // index does not apply.
  bool SelectByWords(int index, const std::vector<uint32_t>& in, std::vector<uint32_t>* out) const;
  bool SelectByWordsSet(int index, const RowSet& in, RowSet* out) const;
  // A text leaf that neither a column nor the word index answers, tested
  // row by row over the set's rows; false for other leaves.
  bool ScanSet(int index, const RowSet& in, RowSet* out) const;
  // Tests `count` rows (ascending) one by one, calling pass(row) for those
  // that pass, with the rows' cells and texts fetched some rows ahead.
  template <typename Pass>
  void ScanRows(int index, const uint32_t* rows, size_t count, Pass&& pass) const;
  // Whether a LIKE leaf goes to the word index, which words the fallback
  // path of SelectCached would ask: its field's index when it applies.
  bool UsesWords(int index) const;
  // The rows holding every run of the leaf's pattern that narrows enough to
  // be asked, for `in_count` rows being filtered; false when none does or
  // the index does not apply. `decided`: the candidates are the answer.
  bool WordCandidates(int index, size_t in_count, const WordIndex** words,
                      std::vector<uint64_t>* candidates, bool* decided) const;
  // The same from a given index, which may cover fewer rows than the table.
  bool CandidatesFrom(int index, const WordIndex& words, size_t in_count,
                      std::vector<uint64_t>* candidates, bool* decided) const;
  // Whether the pattern's word runs can narrow the rows: false for a
  // partial length, "<>", or a pattern without runs.
  static bool RunsNarrow(const Node& n);
  // Sets in `out` (sized as `in`) the rows of `in` below word `end_word`
  // that the leaf passes, from `words`' candidates: each is checked unless
  // `decided`, and the rows the index could not read are asked one by one.
  void TakeCandidates(int index, const RowSet& in, const WordIndex& words,
                      const std::vector<uint64_t>& candidates, bool decided, size_t end_word,
                      RowSet* out) const;
  Value FieldValue(const Node& n, uint32_t row) const;
  Tri TestText(const Node& n, uint32_t row) const;
  Value EvalFunc(const Node& n, uint32_t row) const;

  const std::vector<Node>& nodes_;
  const TableData& data_;
  const std::vector<uint32_t>& replaces_;
  ColumnCache* cache_;
};

// -1, 0, 1, or 2 when the values cannot be compared (a null, text against a
// number that the text does not spell).
int CompareValues(const Value& a, const Value& b);

}  // namespace engine::filter
