// Filter options and the one entry point that turns a filter text into the
// compiled block the engine takes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "store/filter_host.h"

namespace store {

struct TFilterOptions {
  bool foCaseInsensitive = false;
  bool foNoPartialCompare = false;
  bool operator==(const TFilterOptions&) const = default;
};

// Parses, checks and compiles `text` against the host's fields. Raises
// EDatabaseError or EConvertError with the system's messages.
std::vector<uint8_t> CompileFilterText(const IFilterHost& host, std::string_view text,
                                       TFilterOptions options);
// The same with the locale's decimal separator for numbers in the text.
std::vector<uint8_t> CompileFilterText(const IFilterHost& host, std::string_view text,
                                       TFilterOptions options, char decimal_separator);

}  // namespace store
