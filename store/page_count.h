// The article table's calculated page count, Sideantal: the rule the
// window's calculation hook (TArtikelData::OnCalcFields) applies to each
// record read. A cover disc has no pages, and a record without its first or
// last page has no count either (it must still be readable); otherwise the
// count is SlutSide - StartSide + 1 in variant arithmetic, so a count the
// field cannot hold raises the field's range message.
#pragma once

#include "store/artikel_data.h"

namespace store {

// The category of a magazine's cover disc, exactly as the data holds it.
inline constexpr char kCoverDiscCategory[] = "V-CD";

// Sets the page count of the record being calculated.
// REQUIRES: table.State() == TableState::kCalcFields.
void CalcPageCount(TArtikelData& table);

}  // namespace store
