// Filter evaluation: not yet built; every block is refused until it is.
#include "engine/filter_program.h"

namespace engine {

DBResult FilterProgram::Decode(std::span<const uint8_t>, const TableData&,
                               std::unique_ptr<FilterProgram>*, std::string* error) {
  if (error) *error = "Filter evaluation is not available";
  return kDBBadFilter;
}

}  // namespace engine
