// The text forms of parameters in the XML form, shared by reader and writer
// so that every parameter survives a round trip. Private to engine/xml_*.cpp.
//
// A parameter is an attribute NAME="text". The text form follows from the
// parameter's type: whole numbers in decimal, booleans TRUE/FALSE, varying
// text as the text (textz: the stored bytes end in one zero byte that the text
// leaves out), arrays of numbers as decimals separated by blanks, anything
// else as hex. When the reader would not infer the same type, size and form
// from the name and text alone, the writer adds NAME.type="form type size".
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/table_data.h"

namespace engine::xml {

enum class Form { kInt, kBool, kText, kTextZ, kList, kHex };

struct ParamShape {
  uint16_t type = 0;
  uint16_t size = 0;
  Form form = Form::kHex;
  bool operator==(const ParamShape&) const = default;
};

// A whole number in decimal that is all of `s`. Inline: the reader parses
// every number of every row with them.
inline bool ParseInt64(std::string_view s, int64_t* v) {
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *v);
  return ec == std::errc() && p == s.data() + s.size();
}
inline bool ParseUInt64(std::string_view s, uint64_t* v) {
  if (s.empty() || s[0] == '-') return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *v);
  return ec == std::errc() && p == s.data() + s.size();
}

// The shape the reader takes for a parameter given without NAME.type.
ParamShape InferParamShape(std::string_view name, std::string_view text);

// The natural text form of a parameter.
// REQUIRES: packet::ParamShapeError(p) is empty.
void ParamToText(const Param& p, Form* form, std::string* text);

// Builds a parameter from its text and shape. False with a reason when the
// text does not fit.
bool ParamFromText(std::string_view text, const ParamShape& shape, Param* p, std::string* why);

// NAME.type's value, "form type size": appended by the writer, parsed by the
// reader (false when `s` is not of that shape).
void AppendParamShape(const ParamShape& shape, std::string* out);
bool ParseParamShape(std::string_view s, ParamShape* shape);

}  // namespace engine::xml
