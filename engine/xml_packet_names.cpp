// The names and field facts the XML reader and writer share
// (engine/xml_packet_names.h).
#include "engine/xml_packet_names.h"

#include <algorithm>

#include "engine/packet_rules.h"
#include "engine/text_fold.h"

namespace engine::xml {

namespace {

bool IsNameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool IsNameChar(unsigned char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

}  // namespace

bool IsXmlName(std::string_view n) {
  if (n.empty() || !IsNameStart(static_cast<unsigned char>(n[0]))) return false;
  return std::all_of(n.begin(), n.end(), [](char c) { return IsNameChar(c); });
}
bool EndsWithTypeSuffix(std::string_view n) {
  return n.size() > kTypeSuffix.size() && n.substr(n.size() - kTypeSuffix.size()) == kTypeSuffix;
}
bool IsFieldReserved(std::string_view n) {
  return n == kAttrName || n == kFieldType || n == kAttrFlags || n == kPrefixSize;
}

uint16_t DefaultPrefixSize(const FieldDef& f) {
  if (f.base() != kBaseString) return 4;
  const uint64_t width = packet::FieldWidthParam(f);
  if (width > 0 && width <= 255) return 1;
  return width <= 65535 ? 2 : 4;
}

std::string FieldNameCheck::Add(const std::string& n) {
  if (n == kRowState || n == kRowUnchanged) return "the name is reserved for row attributes";
  const auto [it, added] = seen_.emplace(UpperAscii(n), seen_.size() + 1);
  if (!added) return "the name is used by field " + Num(it->second);
  return {};
}

ValueKind KindOf(const FieldDef& f) {
  switch (f.base()) {
    case kBaseInt:
    case kBaseDate:
    case kBaseTime:
      return ValueKind::kSigned;
    case kBaseUInt:
      return ValueKind::kUnsigned;
    case kBaseBool:
      return ValueKind::kBool;
    case kBaseFloat:
    case kBaseDateTime:
      return ValueKind::kFloat;
    case kBaseString:
      return ValueKind::kText;
    default:
      return packet::IsTextBlock(f) ? ValueKind::kText : ValueKind::kHexBytes;
  }
}

}  // namespace engine::xml
