// ArticleFilterHost: the article table's fields for the filter compiler
// without a table, for the tests, the fuzz target, the benchmarks and the
// vpacket tool. Names are found without regard to ASCII case, and a name that
// matches no field raises the table's own "ArtikelData: Field '%s' not found",
// as the table (TArtikelData) does for the window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/filter_host.h"

namespace store {

class ArticleFilterHost : public IFilterHost {
 public:
  // The fields of kArticleFields, numbered as the packets number them.
  ArticleFilterHost();
  // `data_fields` (a packet's own, say) and after them the table's
  // calculated fields, which no packet holds.
  explicit ArticleFilterHost(std::vector<FilterFieldInfo> data_fields);

  // Adds a field after the others (one the article table lacks, for a test
  // of a type the table has no field of).
  void Add(std::string name, int number, TFieldType type, int size,
           FieldKind kind = FieldKind::kData);

  FilterFieldInfo FieldByNameForFilter(std::string_view name) const override;

 private:
  std::vector<FilterFieldInfo> fields_;
};

}  // namespace store
