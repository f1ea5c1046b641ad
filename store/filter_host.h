// What the filter parser and compiler need from a table: its fields, found by
// name without regard to case through the table's own lookup.
//
// FieldByNameForFilter raises the table's own "Field '%s' not found" error
// (with the table's name in front) for a name that matches no field.
#pragma once

#include <string>
#include <string_view>

#include "store/field_type.h"

namespace store {

struct FilterFieldInfo {
  std::string name;  // the field's own spelling
  int number = 0;    // 1-based position among the table's data fields
  TFieldType type = TFieldType::ftUnknown;
  int size = 0;
  FieldKind kind = FieldKind::kData;
};

class IFilterHost {
 public:
  virtual ~IFilterHost() = default;
  // REQUIRES: throws EDatabaseError "<table>: Field '<name>' not found" when no field matches.
  virtual FilterFieldInfo FieldByNameForFilter(std::string_view name) const = 0;
};

}  // namespace store
