// An order: the current rows of a table sorted on key fields, with the row
// number as the last key, and the key comparison it sorts by.
//
// Must stay true: rows() holds every current row exactly once, sorted by
// Less(). Because the row number breaks every tie, Less() is a strict total
// order, so one row has one place and binary search finds it; ties therefore
// keep the packet order of the records' current versions, as a reload gives.
// Rows are never edited in place (a change appends a new row), so a row's key
// never changes while it sits in an order.
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

#include <cstdint>
#include <string>
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

  // Refuses (kDBBadArgument, with a text) a description naming no fields that
  // exist or fields that cannot be compared.
  static DBResult CheckIndexDesc(const IndexDesc& desc, const TableData& data, std::string* error);

  const IndexDesc& desc() const { return desc_; }
  const std::string& name() const { return desc_.name; }
  bool unique() const { return desc_.unique; }
  bool has_keys() const { return !parts_.empty(); }
  const std::vector<uint32_t>& rows() const { return rows_; }

  // Negative, zero or positive as row a's key sorts before, with or after b's.
  int CompareKeys(const RowSource& src, uint32_t a, uint32_t b) const;
  bool Less(const RowSource& src, uint32_t a, uint32_t b) const {
    int c = CompareKeys(src, a, b);
    return c != 0 ? c < 0 : a < b;
  }

  // Sorts `current_rows` (given in row order) into this order.
  void Build(const RowSource& src, std::vector<uint32_t> current_rows);

  // Index of the first element of sorted `rows` not before `row`.
  size_t LowerBound(const RowSource& src, const std::vector<uint32_t>& rows, uint32_t row) const;
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
  IndexDesc desc_;
  std::vector<Part> parts_;
  std::vector<uint32_t> rows_;
};

}  // namespace engine
