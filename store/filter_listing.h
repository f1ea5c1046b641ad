// A readable listing of a compiled filter block: one line per node, in node
// area order, with operands and the literals they point to.
//
// Must stay true: the listing reads the block only through the bounds-checked
// reader; a malformed block gives a line saying what is wrong, never a fault.
// Used by `vpacket compile` and by the compiler's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace store {

// Lines such as "0 binary and 12 50", "24 field 1 'Aargang'",
// "36 const integer 2001", "50 compare = case 1 partial 0 66 78".
std::vector<std::string> ListFilterBlock(const std::vector<uint8_t>& block);

// The listing joined with " | ", for one-line comparisons.
std::string FilterBlockSummary(const std::vector<uint8_t>& block);

// The block as lowercase hex without separators.
std::string FilterBlockHex(const std::vector<uint8_t>& block);

}  // namespace store
