// TableField: one field object of the article table. It holds no value itself;
// every read and write goes through its table, which decides which record
// buffer is active (the current record, the record being edited, or the
// record a calculation hook or a grid read works on).
//
// Reads: a null integer or string field gives a null variant; a memo field
// gives its text, the empty text when it holds nothing. AsString gives "" and
// AsInteger 0 for a null value.
// Writes convert to the field's type and raise, without the table's prefix:
// "Invalid value for field '%s'" and
// "%g is not a valid value for field '%s'. The allowed range is %g to %g";
// writing outside edit/insert (or outside the calculation hook for the
// calculated field) raises the table's "Dataset not in edit or insert mode".
// Created and owned by TArtikelData; never copied.
#pragma once

#include <cstdint>
#include <string>

#include "store/field_type.h"
#include "store/variant.h"

namespace store {

class TArtikelData;

class TableField {
 public:
  TableField(TArtikelData* dataset, int index, std::string name, TFieldType type, FieldKind kind,
             int size, int field_no);
  TableField(const TableField&) = delete;
  TableField& operator=(const TableField&) = delete;

  const std::string& FieldName() const { return name_; }
  // The packet field number of a data field (1..8); 0 for the calculated one.
  int FieldNo() const { return field_no_; }
  // Position among the table's field objects, 0-based.
  int Index() const { return index_; }
  TFieldType DataType() const { return type_; }
  FieldKind Kind() const { return kind_; }
  // Maximum characters of a string field; 0 for the others.
  int Size() const { return size_; }
  TArtikelData* DataSet() const { return dataset_; }

  // Integer range of an integer field (for range messages).
  int64_t MinValue() const;
  int64_t MaxValue() const;

  bool IsNull() const;
  Variant AsVariant() const;
  Variant Value() const { return AsVariant(); }
  std::string AsString() const;
  int32_t AsInteger() const;

  void SetValue(const Variant& value);
  void SetAsVariant(const Variant& value) { SetValue(value); }
  void SetAsString(const std::string& value) { SetValue(Variant(value)); }
  void SetAsInteger(int32_t value) { SetValue(Variant(value)); }
  void Clear() { SetValue(Variant()); }

  // Converts a variant to this field's stored form without writing it:
  // the null variant, an Integer within range, or a String (truncated to Size
  // for string fields). Raises the field messages above.
  Variant Convert(const Variant& value) const;

 private:
  TArtikelData* dataset_;
  int index_;
  std::string name_;
  TFieldType type_;
  FieldKind kind_;
  int size_;
  int field_no_;
};

}  // namespace store
