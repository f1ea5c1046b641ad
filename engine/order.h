// An order: the current rows of a table sorted on key fields, with the row
// number as the last key, and the key comparison it sorts by.
//
// Must stay true: rows() holds every current row exactly once, sorted by
// Less(). Because the row number breaks every tie, Less() is a strict total
// order, so one row has one place and binary search finds it; ties therefore
// keep the packet order of the records' current versions, as a reload gives.
// Rows are never edited in place (a change appends a new row), so a row's key
// never changes while it sits in an order. An order sorting aside
// (BuildAside) holds all this once it has settled; until then it answers
// only its size and its first places.
//
// Key comparison: nulls first; integers numerically; floats numerically;
// strings and byte blocks bytewise unsigned, or with ASCII and the Latin
// letters of Windows-1252 folded to lower case when case-insensitive. A
// string key of an order with a collation other than kBinary compares in the
// collation's two steps (engine/collation.h): the order holds it as two key
// parts on the same field, one per weight table. A descending key reverses its
// field's comparison (nulls then come last).
//
// Used by the data object (one per named order) and by cursors, whose views
// are sorted subsequences of an order and are searched with the same Less().
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "engine/ds_interfaces.h"
#include "engine/table_data.h"

namespace engine {

// Where rows read their values: the table and its chain of older versions.
struct RowSource {
  const TableData* data = nullptr;
  const std::vector<uint32_t>* replaces = nullptr;
};

// The case-insensitive form of a Windows-1252 byte.
uint8_t FoldCase(uint8_t c);

class Order {
 public:
  // REQUIRES: desc checked by CheckIndexDesc against the table's fields.
  Order(const IndexDesc& desc, const TableData& data);
  ~Order();
  Order(const Order&) = delete;
  Order& operator=(const Order&) = delete;

  // Refuses (kDBBadArgument, with a text) a description naming no fields that
  // exist or fields that cannot be compared.
  static DBResult CheckIndexDesc(const IndexDesc& desc, const TableData& data, std::string* error);

  const IndexDesc& desc() const { return desc_; }
  const std::string& name() const { return desc_.name; }
  bool unique() const { return desc_.unique; }
  bool has_keys() const { return !parts_.empty(); }
  // Every reader below waits for a sort started aside (BuildAside), except
  // size() and RowAt() within the head.
  const std::vector<uint32_t>& rows() const {
    Settle();
    return rows_;
  }
  size_t size() const { return sorting_aside_ ? aside_size_ : rows_.size(); }
  // How many first places RowAt answers without waiting: the head's while
  // the sort runs aside, else none (every place is then at hand).
  size_t HeadPlaces() const { return sorting_aside_ ? head_.size() : 0; }
  // The row at place i; while the sort runs aside, the first kHeadRows
  // places are answered without waiting for it.
  uint32_t RowAt(size_t i) const {
    if (sorting_aside_ && i < head_.size()) return head_[i];
    return rows()[i];
  }

  // Negative, zero or positive as row a's key sorts before, with or after b's.
  int CompareKeys(const RowSource& src, uint32_t a, uint32_t b) const;
  bool Less(const RowSource& src, uint32_t a, uint32_t b) const {
    int c = CompareKeys(src, a, b);
    return c != 0 ? c < 0 : a < b;
  }

  // Sorts `current_rows` (given in row order) into this order.
  void Build(const RowSource& src, std::vector<uint32_t> current_rows);
  // Build, run on a thread of its own for a large table, so that a window
  // can show its first rows while the rest are sorted: the first kHeadRows
  // places are found here, in one pass over the rows. The table's rows,
  // cells and heap must not change until Settle() (the data object settles
  // its orders before every change).
  // A table of fewer than `least_rows` rows is sorted at once.
  // REQUIRES: `current_rows` stays unchanged until then too.
  void BuildAside(const RowSource& src, const std::vector<uint32_t>& current_rows,
                  size_t least_rows = kAsideRows);
  // Waits for a sort started aside.
  void Settle() const;
  static constexpr size_t kHeadRows = 256;
  // Below this many rows a sort costs a few milliseconds, less than what it
  // would take from a search typed at once beside it.
  static constexpr size_t kAsideRows = size_t{1} << 18;
  // While held, a sort aside waits at its next step (within a few thousand
  // rows): a search holds it for the time of its scan, so that on a machine
  // with few cores the two do not share them. Holds nest; each Hold needs
  // its Release, before the order settles.
  void Hold() const;
  void Release() const;

  // Index of the first element of sorted `rows` not before `row`.
  size_t LowerBound(const RowSource& src, const std::vector<uint32_t>& rows, uint32_t row) const;
  // LowerBound and Find in this order; while it sorts aside, a place
  // within the head is found there without waiting.
  size_t LowerPlace(const RowSource& src, uint32_t row) const;
  size_t PlaceOf(const RowSource& src, uint32_t row) const;
  // Index of `row` in sorted `rows`, or kNotFound.
  size_t Find(const RowSource& src, const std::vector<uint32_t>& rows, uint32_t row) const;
  static constexpr size_t kNotFound = size_t(-1);

  // Adds or removes one row, returning where it went or was (kNotFound when
  // it was not there). O(log n) comparisons plus one move of the tail.
  size_t Insert(const RowSource& src, uint32_t row);
  size_t Erase(const RowSource& src, uint32_t row);

  // Erase(removed) then Insert(added), moving only the rows between the two
  // places. `erased` gets where `removed` was (kNotFound when it was not
  // there), `inserted` where `added` went after the erase.
  void Replace(const RowSource& src, uint32_t removed, uint32_t added, size_t* erased,
               size_t* inserted);

  // A row of this order, other than `except`, whose key equals `row`'s; or
  // kNotFound. `row` need not be in the order.
  size_t FindEqualKey(const RowSource& src, uint32_t row, uint32_t except) const;

 private:
  struct Part {
    uint16_t field = 0;  // 0-based
    uint8_t kind = 0;    // how values compare (see order.cpp)
    bool descending = false;
    bool case_insensitive = false;
    // A collation's weight per byte; null for the bytes themselves (folded
    // when case_insensitive).
    const uint8_t* weights = nullptr;
  };
  // The kHeadRows first places of `rows` in this order.
  std::vector<uint32_t> HeadOf(const RowSource& src, const std::vector<uint32_t>& rows) const;
  std::vector<uint32_t> HeadOfSpan(const RowSource& src, std::span<const uint32_t> rows) const;

  IndexDesc desc_;
  std::vector<Part> parts_;
  mutable std::vector<uint32_t> rows_;  // sorted again by Settle after a failed sort aside
  // A sort started aside: its thread, where it reads, whether it failed,
  // and the head. Only the owner's thread reads or joins them, after the
  // thread has ended (the thread writes rows_ and aside_failed_).
  mutable std::thread aside_;
  mutable bool sorting_aside_ = false;
  mutable bool aside_failed_ = false;
  RowSource aside_source_;
  const std::vector<uint32_t>* aside_rows_ = nullptr;
  size_t aside_size_ = 0;
  // Holds taken; Settle makes it negative for good, so no hold stops the
  // sort it waits for.
  mutable std::atomic<int> holds_{0};
  static constexpr int kSettling = -(1 << 30);
  std::vector<uint32_t> head_;
};

}  // namespace engine
