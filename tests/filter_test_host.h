// A filter host with the article table's fields, for the filter tests: the
// eight stored fields with their packet numbers and the calculated page
// count, found by name without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/db_error.h"
#include "store/filter_host.h"

namespace filter_test {

class ArticleHost : public store::IFilterHost {
 public:
  ArticleHost() {
    using store::TFieldType;
    Add("Aargang", 1, TFieldType::ftInteger, 0);
    Add("Nummer", 2, TFieldType::ftInteger, 0);
    Add("Titel", 3, TFieldType::ftString, 80);
    Add("Tekst", 4, TFieldType::ftMemo, 0);
    Add("Kategori", 5, TFieldType::ftString, 20);
    Add("StartSide", 6, TFieldType::ftInteger, 0);
    Add("SlutSide", 7, TFieldType::ftInteger, 0);
    Add("VProgrammer", 8, TFieldType::ftMemo, 0);
    Add("Sideantal", 0, TFieldType::ftSmallint, 0, store::FieldKind::kCalculated);
  }

  void Add(std::string name, int number, store::TFieldType type, int size,
           store::FieldKind kind = store::FieldKind::kData) {
    fields_.push_back({std::move(name), number, type, size, kind});
  }

  store::FilterFieldInfo FieldByNameForFilter(std::string_view name) const override {
    for (const auto& f : fields_) {
      if (f.name.size() != name.size()) continue;
      bool same = true;
      for (size_t i = 0; i < name.size() && same; ++i) {
        auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
        same = up(f.name[i]) == up(name[i]);
      }
      if (same) return f;
    }
    throw store::EDatabaseError("ArtikelData: Field '" + std::string(name) + "' not found");
  }

 private:
  std::vector<store::FilterFieldInfo> fields_;
};

}  // namespace filter_test
