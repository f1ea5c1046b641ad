// What the XML form's reader and writer agree on besides parameter texts:
// the reserved attribute names, which names can be written at all, the
// length prefix a varying field gets when the document does not say, the
// check that field names are unique, and how each field type's values are
// spelled (ValueKind). Private to engine/xml_*.cpp; the form's public
// interface is engine/xml_packet.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/table_data.h"

namespace engine::xml {

inline constexpr std::string_view kRowState = "RowState";
inline constexpr std::string_view kRowUnchanged = "RowUnchanged";
inline constexpr std::string_view kAttrName = "attrname";
inline constexpr std::string_view kFieldType = "fieldtype";
inline constexpr std::string_view kAttrFlags = "attrflags";
inline constexpr std::string_view kPrefixSize = "prefixsize";
inline constexpr std::string_view kTypeSuffix = ".type";
inline constexpr std::string_view kChangeLog = "CHANGE_LOG";

// A number in decimal, for messages and attribute values.
inline std::string Num(uint64_t v) { return std::to_string(v); }

bool IsXmlName(std::string_view n);
// Whether `n` names a parameter's NAME.type companion attribute.
bool EndsWithTypeSuffix(std::string_view n);
// Whether a <FIELD> element uses the attribute `n` itself.
bool IsFieldReserved(std::string_view n);

// The length prefix a varying field gets when the document does not say.
uint16_t DefaultPrefixSize(const FieldDef& f);

// Field names must be unique without regard to case (the table looks them up
// that way) and must be usable as ROW attribute names. Fields are added in
// order; a hash of the upper-cased names keeps the check linear in the number
// of fields.
class FieldNameCheck {
 public:
  // Empty when `n` may follow the names added so far, else why not.
  std::string Add(const std::string& n);

 private:
  std::unordered_map<std::string, size_t> seen_;  // upper-cased name -> field number
};

// How a field's values are written and read.
enum class ValueKind : uint8_t { kSigned, kUnsigned, kBool, kFloat, kText, kHexBytes };

ValueKind KindOf(const FieldDef& f);

}  // namespace engine::xml
