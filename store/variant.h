// store::Variant: the value that passes between the article table's fields
// and the window's code: empty (null), a whole number or an 8-bit string.
//
// Conversions and arithmetic raise EVariantError with the system's texts:
// "Could not convert variant of type (%s) into type (%s)" and
// "Invalid variant operation" (any arithmetic with a null operand). Integer
// arithmetic that leaves the 32-bit range yields an Int64 variant rather than
// wrapping, so a page count too large for its field is reported by the field's
// range check instead of silently turning into a wrong number.
// Used by TableField, TArtikelData and the window's handlers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace store {

class Variant {
 public:
  enum class Type { kNull, kInteger, kInt64, kString };

  Variant() = default;                                            // null
  Variant(int32_t value) : type_(Type::kInteger), int_(value) {}  // NOLINT: implicit by design
  Variant(std::string value) : type_(Type::kString), str_(std::move(value)) {}  // NOLINT
  Variant(const char* value) : type_(Type::kString), str_(value) {}             // NOLINT
  Variant(std::string_view value) : type_(Type::kString), str_(value) {}        // NOLINT
  static Variant Null() { return Variant(); }
  static Variant FromInt64(int64_t value);  // Integer when it fits, else Int64

  Type type() const { return type_; }
  bool IsNull() const { return type_ == Type::kNull; }
  bool IsInteger() const { return type_ == Type::kInteger || type_ == Type::kInt64; }
  bool IsString() const { return type_ == Type::kString; }

  // "Null", "Integer", "Int64", "String": the names the conversion messages use.
  static const char* TypeName(Type type);

  // Conversions. A string converts to a number when it reads as a whole number
  // (leading blanks and a sign allowed, nothing after the digits).
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  std::string AsString() const;

  // Arithmetic: integer with integer; a string operand is read as a number,
  // except that string + string concatenates. Null operands raise
  // "Invalid variant operation".
  friend Variant operator+(const Variant& a, const Variant& b);
  friend Variant operator-(const Variant& a, const Variant& b);

  // Same type and same value (an Integer and an Int64 of one value are equal).
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  Type type_ = Type::kNull;
  int64_t int_ = 0;
  std::string str_;
};

// Reads a whole number the way the variant and field conversions do: optional
// leading blanks, an optional sign, decimal digits and nothing else. False when
// the text is no whole number or does not fit 64 bits.
bool ParseWholeNumber(std::string_view text, int64_t* value);

// Raises EVariantError "Could not convert variant of type (from) into type (to)".
[[noreturn]] void ThrowVariantConversion(Variant::Type from, const char* to);

}  // namespace store
