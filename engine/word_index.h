// An index of the words of one text field, for LIKE searches: every distinct
// word (a maximal run of word bytes, folded) of the field's values, and per
// word the rows that hold it.
//
// Why it is exact for the search word: a run of word bytes in a pattern can
// only occur in a text inside one of the text's words, because the bytes
// around a word are no word bytes. So "the text holds R" (folded) is the same
// as "one of the text's words holds R", and the rows of the words that hold R
// are exactly the rows whose text holds R. For other patterns every run is
// still a necessary condition, and the evaluator checks the candidates.
// Folding maps word bytes to word bytes and other bytes to themselves, so
// words are the same before and after folding.
//
// Must stay true: rows are only appended (the cache in filter_cache.h drops
// the index when a row it covered changed); a row whose value cannot be read
// from its own cell ("unchanged", or a cell outside the heap) is marked
// kAskRow and left to the row-by-row evaluation.
// Built and extended by engine/filter_cache.cpp, read by filter_eval.cpp.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/table_data.h"

namespace engine::filter {

// Letters and digits of Windows-1252: ASCII A-Z, a-z, 0-9 and every byte
// from 0x80 up (the accented letters live there; treating the few signs
// there as letters only makes words longer, which keeps the index exact).
constexpr bool IsWordByte(uint8_t b) {
  return b >= 0x80 || (b >= '0' && b <= '9') || ((b | 0x20) >= 'a' && (b | 0x20) <= 'z');
}

class WordIndex {
 public:
  enum : uint8_t { kNoValue = 0, kIndexed = 1, kAskRow = 2 };

  WordIndex() = default;
  WordIndex(const WordIndex&) = delete;
  WordIndex& operator=(const WordIndex&) = delete;

  // Takes in the rows of `field` (0-based) from rows() up to the table's end.
  void Extend(const TableData& data, size_t field);

  // Where a build may wait between rows (engine/word_index_builder.h):
  // Between is called every kPauseRows rows, and once more with every row
  // taken in before the fold that ends a build (which has no place to
  // stop), with the rows taken in so far complete and readable, and returns
  // when the build may go on.
  class Pause {
   public:
    virtual void Between(const WordIndex& index) = 0;

   protected:
    ~Pause() = default;
  };
  static constexpr size_t kPauseRows = 256;

  enum class Progress { kDone, kStopped, kOverBudget };
  // Extend up to row `end`, giving up (and leaving the index unusable) when
  // `*stop` is set (looked at every kPauseRows rows) or the index grows past
  // `memory_budget` bytes (every few thousand). `stop` and `pause` may be
  // null.
  Progress ExtendTo(const TableData& data, size_t field, size_t end, const std::atomic<bool>* stop,
                    size_t memory_budget, Pause* pause = nullptr);

  size_t rows() const { return state_.size(); }
  // kNoValue (null: in no word's rows), kIndexed, or kAskRow.
  uint8_t state(size_t row) const { return state_[row]; }

  // Sets, in `bits` (one bit per row, rows() bits at least), the rows that
  // have a word holding `term`, and returns true; or returns false, leaving
  // `bits` alone, when the words holding `term` list more than `budget` rows
  // together (a short term held by most words: scanning the texts is then
  // cheaper). REQUIRES: `term` folded, non-empty.
  bool MarkRowsHolding(std::string_view term, size_t budget, std::vector<uint64_t>* bits) const;

  // The rows marked kAskRow, ascending.
  const std::vector<uint32_t>& ask_rows() const { return ask_rows_; }

  size_t word_count() const { return start_.size(); }
  size_t MemoryBytes() const;

 private:
  // A slot of the hash table of words. `head` holds the word's first (up to
  // eight) bytes, so that a short word is compared without reading `words_`.
  struct Slot {
    uint64_t hash = 0;
    uint64_t head = 0;
    uint32_t id = 0;  // word id + 1, 0 for a free slot
    uint32_t len = 0;
  };
  uint32_t WordId(std::string_view word, uint64_t hash, uint64_t head);
  void Grow();

  // The words, folded, each followed by a zero byte (no word byte, so a term
  // found in `words_` never runs over two words); start_[w] is word w's.
  std::string words_;
  std::vector<uint32_t> start_;
  std::vector<uint32_t> last_row_;  // per word: its last row + 1
  // The rows of each word, in two parts. The bulk covers the rows below
  // listed_rows_: word w's rows are listed_[first_[w] .. first_[w + 1])
  // (words first met after it have none there). The rows taken in since
  // keep their word ids in the order they came, row k after the bulk in
  // recent_ids_[recent_start_[k] .. recent_start_[k + 1] or the end), until
  // there are enough of them to fold into the bulk.
  std::vector<uint32_t> first_;
  std::vector<uint32_t> listed_;
  size_t listed_rows_ = 0;
  std::vector<uint32_t> recent_ids_;
  std::vector<uint32_t> recent_start_;
  std::vector<uint32_t> recent_count_;  // per word: its recent rows
  // A word held by more than one row in kDenseShare of the bulk keeps its
  // bulk rows as one bit per row instead (no larger than the list, and
  // marked with word operations): dense_of_[w] is 1 + its place in dense_,
  // or 0. Once dense, a word stays so.
  static constexpr size_t kDenseShare = 32;
  std::vector<uint32_t> dense_of_;
  std::vector<std::vector<uint64_t>> dense_;
  std::vector<uint32_t> ask_rows_;
  bool IsDense(size_t id) const { return id < dense_of_.size() && dense_of_[id] != 0; }
  // Word w's rows in the bulk's list.
  size_t Listed(size_t id) const {
    return id + 1 < first_.size() ? first_[id + 1] - first_[id] : 0;
  }
  void Fold();
  // Growing the recent ids copies them all into fresh memory, at a million
  // rows tens of milliseconds inside one row, where the build cannot stop
  // for a search. A first build reserves room for `rows` rows instead, at
  // a pause point once kEstimateRows rows show how many ids a row has.
  // The room is not touched before it is used.
  void ReserveForRows(size_t rows);
  static constexpr size_t kEstimateRows = 16 * kPauseRows;
  std::vector<Slot> slots_;  // open addressing
  std::vector<uint8_t> state_;
};

}  // namespace engine::filter
