// Filter compilation entry: one parser object per text, released as soon as
// the block has been taken from it (also when it raises).
// Called by the article table whenever it installs a filter text.
#include "store/filter_compile.h"

#include "store/expr_parser.h"

namespace store {

std::vector<uint8_t> CompileFilterText(const IFilterHost& host, std::string_view text,
                                       TFilterOptions options) {
  return CompileFilterText(host, text, options, '.');
}

std::vector<uint8_t> CompileFilterText(const IFilterHost& host, std::string_view text,
                                       TFilterOptions options, char decimal_separator) {
  TExprParser parser(host, text, options, decimal_separator);
  return parser.FilterData();
}

}  // namespace store
