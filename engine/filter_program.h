// A compiled filter block decoded into a form the engine evaluates quickly.
//
// The cursor decodes a block once when it is added (Decode checks every offset
// and size against the block and refuses a malformed one with kDBBadFilter),
// then asks the program which rows of its order pass. Rows are row indexes of
// the TableData (0-based); values of cells marked "unchanged" are resolved by
// following `replaces` (replaces[row] is the 1-based row number that `row`
// replaces, or 0).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/row_set.h"
#include "engine/status.h"
#include "engine/table_data.h"

namespace engine {

namespace filter {
class ColumnCache;
}

class FilterProgram {
 public:
  virtual ~FilterProgram() = default;

  // Appends to `out` the rows of `rows` (in their order) that pass. `cache`
  // keeps what is derived from `data` for the next filter
  // (engine/filter_cache.h); it must serve `data` alone.
  virtual void Select(const TableData& data, const std::vector<uint32_t>& replaces,
                      filter::ColumnCache& cache, const std::vector<uint32_t>& rows,
                      std::vector<uint32_t>* out) const = 0;
  // The rows of `in` that pass, as a set of the same size; the cursor's
  // views use it. By default Select over the set's rows.
  virtual void SelectSet(const TableData& data, const std::vector<uint32_t>& replaces,
                         filter::ColumnCache& cache, const RowSet& in, RowSet* out) const {
    std::vector<uint32_t> passed;
    Select(data, replaces, cache, in.ToRows(), &passed);
    *out = RowSet(in.size());
    out->SetRows(passed);
  }
  // Whether one row passes.
  virtual bool Matches(const TableData& data, const std::vector<uint32_t>& replaces,
                       uint32_t row) const = 0;

  // Decodes and checks a block against the table's fields.
  static DBResult Decode(std::span<const uint8_t> block, const TableData& data,
                         std::unique_ptr<FilterProgram>* out, std::string* error);
};

}  // namespace engine
