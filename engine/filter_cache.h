// Columns that the filter evaluator derives from a table once and keeps in a
// cache that the table's owner holds (the data object, which changes the
// rows, and hands it to each filter), so that the next filter (the next
// keystroke of a search) reads a compact column instead of every row's cell:
//   - integer fields: the values in one array, with a state per row;
//   - string fields with few distinct values (a category): a code per row and
//     the distinct values, so a condition is decided once per value;
//   - text fields searched with LIKE: the index of their words
//     (engine/word_index.h), asked for on the first search of the field and
//     built on the engine's own thread (engine/word_index_builder.h); until
//     it is there, and for good when it would outgrow its memory budget, the
//     field's searches scan the texts.
// Must stay true: rows are only ever appended to a loaded table, so a column
// built for the first N rows stays right and is extended for new rows; the
// cache checks the last row it saw and the heap's size and starts afresh when
// either tells of a change it cannot explain; an owner that changes a cell of
// an existing row in place, or takes rows away, calls Reset. A cache serves
// one table: a copy of the table needs a cache of its own. Cells marked
// "unchanged" are kept as such and resolved at evaluation (they depend on
// `replaces`).
// One thread uses the cache; only the word-index builder it owns has a thread
// of its own, which StopBuilding (and Reset) end. Used by
// engine/filter_eval.cpp and the data object.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/table_data.h"
#include "engine/word_index.h"
#include "engine/word_index_builder.h"

namespace engine::filter {

enum : uint8_t { kColNull = 0, kColValue = 1, kColUnchanged = 2 };

struct IntColumn {
  std::vector<int64_t> value;
  std::vector<uint8_t> state;  // kColNull, kColValue or kColUnchanged
};

struct DictColumn {
  // Per row: 0 null, 1 unchanged, k >= 2 the value words[k - 2].
  std::vector<uint32_t> code;
  std::deque<std::string> words;  // a deque keeps the strings where they are
  std::unordered_map<std::string_view, uint32_t> index;
};

class ColumnCache {
 public:
  // Checks what is kept against the table's present rows, drops it all when
  // the table changed in a way appending cannot explain, and returns *this.
  ColumnCache& Follow(const TableData& data);
  // Forgets everything; the next use builds afresh.
  void Reset();
  // Ends a word-index build in progress (the table is about to change); a
  // later search asks for it again.
  void StopBuilding() { builder_.Stop(); }

  // The integer column of `field` (0-based) over every row, or null when the
  // field does not hold integers.
  const IntColumn* Ints(const TableData& data, int field);
  // The dictionary of a string field over every row, or null when the field
  // is no string field or holds too many distinct values to gain from one.
  const DictColumn* Dict(const TableData& data, int field);
  // The word index of a string or memo field over every row; null for other
  // fields, and while the field's index is being built or over its budget.
  const WordIndex* Words(const TableData& data, int field);
  // Asks the builder for the word index of `field` when it has a word index
  // and none is there or on its way; with background building off, nothing.
  void PrepareWords(const TableData& data, int field);
  // Whether the word index of `field` is there (built and taken over).
  bool HasWords(int field) const {
    return static_cast<size_t>(field) < columns_.size() && Slot(field).words != nullptr;
  }
  WordIndexBuilder& builder() { return builder_; }
  // Word indexes are built on the builder's thread when on (the data object's
  // cache), else at once on the first search (a cache used on its own).
  void BuildInBackground(bool on) { background_ = on; }

  // The most bytes a word index may take: half the table's bytes and 16 MB.
  static size_t WordBudget(const TableData& data) { return data.heap.size() / 2 + (16u << 20); }

  // Most distinct values a dictionary keeps before the field is given up.
  static constexpr size_t kMaxWords = 1024;

 private:
  struct Column {
    bool dead = false;  // not cacheable
    size_t rows = 0;    // rows covered
    Cell tail;          // the cell of the last covered row, as it was
    IntColumn ints;
    DictColumn dict;
    std::unique_ptr<WordIndex> words;  // covers words->rows() rows
    Cell words_tail;                   // the cell of its last row, as it was
    bool words_over_budget = false;    // searched by scanning for good
  };
  bool StillValid(const TableData& data) const;
  void TakeBuilt(const TableData& data);
  Column& Slot(int field) { return columns_[static_cast<size_t>(field)]; }
  const Column& Slot(int field) const { return columns_[static_cast<size_t>(field)]; }

  std::vector<Column> columns_;
  size_t heap_size_ = 0;
  bool background_ = false;
  WordIndexBuilder builder_;  // last: its thread ends before the columns go
};

}  // namespace engine::filter
