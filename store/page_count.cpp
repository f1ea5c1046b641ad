// CalcPageCount: Sideantal from the record's category and pages.
#include "store/page_count.h"

namespace store {

void CalcPageCount(TArtikelData& table) {
  if (table.FieldByName("KATEGORI").AsVariant() == Variant(kCoverDiscCategory)) return;
  const Variant slut = table.FieldByName("SLUTSIDE").AsVariant();
  const Variant start = table.FieldByName("STARTSIDE").AsVariant();
  if (slut.IsNull() || start.IsNull()) return;
  table.FieldByName("SIDEANTAL").SetValue(slut - start + Variant(1));
}

}  // namespace store
