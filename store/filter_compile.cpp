// Filter compilation entry: not yet built; every text is refused until it is.
#include "store/filter_compile.h"

#include "store/db_error.h"

namespace store {

std::vector<uint8_t> CompileFilterText(const IFilterHost&, std::string_view, TFilterOptions) {
  throw EDatabaseError("Filter expressions are not available");
}

}  // namespace store
