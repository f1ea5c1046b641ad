// store::Variant conversions and arithmetic, with the system's error texts.
// Called by TableField, TArtikelData and the window's handlers.
#include "store/variant.h"

#include <limits>

#include "store/db_error.h"
#include "store/message_format.h"
#include "store/store_messages.h"

namespace store {

namespace {

[[noreturn]] void ThrowInvalidOperation() {
  throw EVariantError(messages::kInvalidVariantOperation);
}

// The numeric value of an arithmetic operand.
int64_t Operand(const Variant& v) {
  if (v.IsNull()) ThrowInvalidOperation();
  return v.AsInt64();
}

}  // namespace

bool ParseWholeNumber(std::string_view text, int64_t* value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return false;
  // Accumulate as a negative number so that INT64_MIN fits.
  int64_t acc = 0;
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return false;
    int digit = c - '0';
    if (acc < (kMin + digit) / 10) return false;
    acc = acc * 10 - digit;
  }
  if (!negative) {
    if (acc == kMin) return false;
    acc = -acc;
  }
  *value = acc;
  return true;
}

const char* Variant::TypeName(Type type) {
  switch (type) {
    case Type::kNull:
      return "Null";
    case Type::kInteger:
      return "Integer";
    case Type::kInt64:
      return "Int64";
    case Type::kString:
      return "String";
  }
  return "Unknown";
}

void ThrowVariantConversion(Variant::Type from, const char* to) {
  throw EVariantError(Format(messages::kVariantConversion, Variant::TypeName(from), to));
}

Variant Variant::FromInt64(int64_t value) {
  Variant v;
  v.int_ = value;
  v.type_ =
      value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max()
          ? Type::kInteger
          : Type::kInt64;
  return v;
}

int64_t Variant::AsInt64() const {
  switch (type_) {
    case Type::kInteger:
    case Type::kInt64:
      return int_;
    case Type::kString: {
      int64_t value = 0;
      if (!ParseWholeNumber(str_, &value)) ThrowVariantConversion(type_, "Int64");
      return value;
    }
    case Type::kNull:
      break;
  }
  ThrowVariantConversion(type_, "Int64");
}

int32_t Variant::AsInteger() const {
  switch (type_) {
    case Type::kInteger:
      return static_cast<int32_t>(int_);
    case Type::kInt64:
      break;
    case Type::kString: {
      int64_t value = 0;
      if (ParseWholeNumber(str_, &value) && value >= std::numeric_limits<int32_t>::min() &&
          value <= std::numeric_limits<int32_t>::max()) {
        return static_cast<int32_t>(value);
      }
      break;
    }
    case Type::kNull:
      break;
  }
  ThrowVariantConversion(type_, "Integer");
}

std::string Variant::AsString() const {
  switch (type_) {
    case Type::kString:
      return str_;
    case Type::kInteger:
    case Type::kInt64:
      return std::to_string(int_);
    case Type::kNull:
      break;
  }
  ThrowVariantConversion(type_, "String");
}

Variant operator+(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) ThrowInvalidOperation();
  if (a.IsString() && b.IsString()) return Variant(a.str_ + b.str_);
  int64_t x = Operand(a), y = Operand(b), r = 0;
  if (__builtin_add_overflow(x, y, &r)) ThrowInvalidOperation();
  return Variant::FromInt64(r);
}

Variant operator-(const Variant& a, const Variant& b) {
  int64_t x = Operand(a), y = Operand(b), r = 0;
  if (__builtin_sub_overflow(x, y, &r)) ThrowInvalidOperation();
  return Variant::FromInt64(r);
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.IsInteger() && b.IsInteger()) return a.int_ == b.int_;
  if (a.type_ != b.type_) return false;
  if (a.IsString()) return a.str_ == b.str_;
  return true;  // both null
}

}  // namespace store
