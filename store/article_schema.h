// The article table's fields as data: name, type, kind, size and the field's
// number in the packets the table is made for. The table makes its field
// objects from this list; the filter host (store/article_filter_host.h) and
// the tools that compile filter texts without a table read it too, so that
// a new field is one row here.
//
// The data fields come first, in the order of the table's field objects
// (not the packets' order: Tekst is the packets' fourth field). Sideantal,
// the page count, comes last: a calculated field that no packet holds. The
// table's calculation hook sets it, for each record read, to SlutSide -
// StartSide + 1, and leaves it empty for the cover disc category "V-CD" and
// for a record without its first or last page (store/page_count.h).
#pragma once

#include <iterator>

#include "store/field_type.h"

namespace store {

struct ArticleFieldSpec {
  const char* name;
  TFieldType type;
  FieldKind kind;
  int size;    // characters of a string field, 0 otherwise
  int number;  // 1-based position among the packets' fields, 0 for a calculated field
};

// The name the table's messages carry in front ("ArtikelData: ...").
inline constexpr char kArticleTableName[] = "ArtikelData";

inline constexpr ArticleFieldSpec kArticleFields[] = {
    {"Aargang", TFieldType::ftInteger, FieldKind::kData, 0, 1},
    {"Nummer", TFieldType::ftInteger, FieldKind::kData, 0, 2},
    {"Titel", TFieldType::ftString, FieldKind::kData, 80, 3},
    {"Kategori", TFieldType::ftString, FieldKind::kData, 20, 5},
    {"StartSide", TFieldType::ftInteger, FieldKind::kData, 0, 6},
    {"SlutSide", TFieldType::ftInteger, FieldKind::kData, 0, 7},
    {"Tekst", TFieldType::ftMemo, FieldKind::kData, 0, 4},
    {"VProgrammer", TFieldType::ftMemo, FieldKind::kData, 0, 8},
    {"Sideantal", TFieldType::ftSmallint, FieldKind::kCalculated, 0, 0},
};

// How many of kArticleFields are data fields; they come first.
inline constexpr int kArticleDataFieldCount = 8;

static_assert(
    [] {
      for (int i = 0; i < static_cast<int>(std::size(kArticleFields)); ++i) {
        const bool data = kArticleFields[i].kind == FieldKind::kData;
        if (data != (i < kArticleDataFieldCount)) return false;
        if (data != (kArticleFields[i].number != 0)) return false;
      }
      return true;
    }(),
    "the data fields come first, each with its packet number");

}  // namespace store
