// TableField: conversions between variants and the field's type, and the field
// messages. Storage is the table's (TArtikelData::GetFieldData/SetFieldData).
#include "store/field.h"

#include <cstdio>
#include <limits>

#include "store/artikel_data.h"
#include "store/db_error.h"
#include "store/message_format.h"
#include "store/store_messages.h"

namespace store {

namespace {

bool IsIntegerType(TFieldType type) {
  return type == TFieldType::ftInteger || type == TFieldType::ftSmallint ||
         type == TFieldType::ftWord || type == TFieldType::ftAutoInc;
}

// Up to 15 significant digits: every 32-bit value prints whole, where C's
// plain %g would round 1234563 to 1.23456e+06.
std::string FormatG(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return buf;
}

}  // namespace

TableField::TableField(TArtikelData* dataset, int index, std::string name, TFieldType type,
                       FieldKind kind, int size, int field_no)
    : dataset_(dataset),
      index_(index),
      name_(std::move(name)),
      type_(type),
      kind_(kind),
      size_(size),
      field_no_(field_no) {}

int64_t TableField::MinValue() const {
  switch (type_) {
    case TFieldType::ftSmallint:
      return std::numeric_limits<int16_t>::min();
    case TFieldType::ftWord:
      return 0;
    default:
      return std::numeric_limits<int32_t>::min();
  }
}

int64_t TableField::MaxValue() const {
  switch (type_) {
    case TFieldType::ftSmallint:
      return std::numeric_limits<int16_t>::max();
    case TFieldType::ftWord:
      return std::numeric_limits<uint16_t>::max();
    default:
      return std::numeric_limits<int32_t>::max();
  }
}

Variant TableField::Convert(const Variant& value) const {
  if (value.IsNull()) return value;
  if (IsIntegerType(type_)) {
    int64_t number = 0;
    if (value.IsInteger()) {
      number = value.AsInt64();
    } else if (!ParseWholeNumber(value.AsString(), &number)) {
      throw EDatabaseError(Format(messages::kInvalidFieldValue, name_));
    }
    if (number < MinValue() || number > MaxValue()) {
      throw EDatabaseError(Format(
          messages::kFieldValueOutOfRange, FormatG(static_cast<double>(number)), name_,
          FormatG(static_cast<double>(MinValue())), FormatG(static_cast<double>(MaxValue()))));
    }
    return Variant::FromInt64(number);
  }
  std::string text = value.AsString();
  if (type_ == TFieldType::ftString && size_ > 0 && text.size() > static_cast<size_t>(size_)) {
    text.resize(size_);
  }
  return Variant(std::move(text));
}

bool TableField::IsNull() const { return dataset_->GetFieldData(*this).IsNull(); }

Variant TableField::AsVariant() const {
  Variant v = dataset_->GetFieldData(*this);
  // A memo reads as its text; one that holds nothing reads as the empty text.
  if (v.IsNull() && IsMemoType(type_)) return Variant(std::string());
  return v;
}

std::string TableField::AsString() const {
  Variant v = dataset_->GetFieldData(*this);
  return v.IsNull() ? std::string() : v.AsString();
}

int32_t TableField::AsInteger() const {
  Variant v = dataset_->GetFieldData(*this);
  if (v.IsNull()) return 0;
  if (v.IsInteger()) return v.AsInteger();
  int64_t number = 0;
  std::string text = v.AsString();
  if (!ParseWholeNumber(text, &number) || number < std::numeric_limits<int32_t>::min() ||
      number > std::numeric_limits<int32_t>::max()) {
    throw EConvertError(Format(messages::kNotAnInteger, text));
  }
  return static_cast<int32_t>(number);
}

void TableField::SetValue(const Variant& value) { dataset_->SetFieldData(*this, value); }

}  // namespace store
