// The text forms of parameters in the XML form (engine/xml_packet_params.h).
#include "engine/xml_packet_params.h"

#include <algorithm>

#include "engine/coding.h"
#include "engine/packet_rules.h"
#include "engine/text_fold.h"
#include "engine/xml_packet_names.h"

namespace engine::xml {

using packet::Printable;

namespace {

constexpr const char* kFormNames[] = {"int", "bool", "text", "textz", "list", "hex"};

bool IntegerBase(uint16_t base) { return base == kBaseInt || base == kBaseUInt; }

void AppendNumber(std::string* out, uint64_t v, bool is_signed, size_t size) {
  char buf[24];
  std::to_chars_result r = is_signed ? std::to_chars(buf, buf + 24, coding::SignExtend(v, size))
                                     : std::to_chars(buf, buf + 24, v);
  out->append(buf, r.ptr);
}

}  // namespace

ParamShape InferParamShape(std::string_view name, std::string_view text) {
  if (name == "WIDTH") return {kBaseUInt, 2, Form::kInt};
  if (name == "SUBTYPE") return {kBaseString | kTypeVarying, 2, Form::kTextZ};
  if (name == "DISABLE_EDITS" || name == "DISABLE_INSERTS" || name == "DISABLE_DELETES" ||
      EqualsIgnoreAsciiCase(text, "TRUE") || EqualsIgnoreAsciiCase(text, "FALSE")) {
    return {kBaseBool, 2, Form::kBool};
  }
  int64_t v = 0;
  if (ParseInt64(text, &v) && v >= INT32_MIN && v <= INT32_MAX) return {kBaseInt, 4, Form::kInt};
  return {kBaseString | kTypeVarying, 2, Form::kTextZ};
}

void ParamToText(const Param& p, Form* form, std::string* text) {
  text->clear();
  const auto* raw = reinterpret_cast<const uint8_t*>(p.raw.data());
  const uint16_t base = p.type & kTypeBaseMask;
  if ((p.type & kTypeArray) != 0) {
    if (IntegerBase(base) && p.size <= 8) {
      *form = Form::kList;
      const size_t n = coding::DecodeUInt(raw, 4);
      for (size_t i = 0; i < n; ++i) {
        if (i) text->push_back(' ');
        AppendNumber(text, coding::DecodeUInt(raw + 4 + i * p.size, p.size), base == kBaseInt,
                     p.size);
      }
      return;
    }
  } else if ((p.type & kTypeVarying) != 0) {
    std::string_view bytes = packet::VaryingParamBytes(p);
    const size_t zero = bytes.find('\0');
    if (zero == std::string_view::npos) {
      *form = Form::kText;
      text->assign(bytes);
      return;
    }
    if (zero == bytes.size() - 1) {
      *form = Form::kTextZ;
      text->assign(bytes.substr(0, zero));
      return;
    }
  } else if (IntegerBase(base) && p.size >= 1 && p.size <= 8) {
    *form = Form::kInt;
    AppendNumber(text, coding::DecodeUInt(raw, p.size), base == kBaseInt, p.size);
    return;
  } else if (base == kBaseBool && p.size >= 1 && p.size <= 8) {
    const uint64_t v = coding::DecodeUInt(raw, p.size);
    if (v <= 1) {
      *form = Form::kBool;
      text->assign(v ? "TRUE" : "FALSE");
      return;
    }
  }
  *form = Form::kHex;
  packet::AppendHex(p.raw, text);
}

bool ParamFromText(std::string_view text, const ParamShape& shape, Param* p, std::string* why) {
  p->type = shape.type;
  p->size = shape.size;
  p->raw.clear();
  const uint16_t base = shape.type & kTypeBaseMask;
  const bool fixed = (shape.type & (kTypeArray | kTypeVarying)) == 0;
  auto put_number = [&](std::string_view s, std::string* out) {
    if (base == kBaseInt) {
      int64_t v = 0;
      if (!ParseInt64(s, &v)) return false;
      if (shape.size < 8) {
        const int64_t lim = int64_t{1} << (8 * shape.size - 1);
        if (v < -lim || v >= lim) return false;
      }
      coding::PutUInt(out, static_cast<uint64_t>(v), shape.size);
    } else {
      uint64_t v = 0;
      if (!ParseUInt64(s, &v) || v > coding::MaxPrefixedLength(shape.size)) return false;
      coding::PutUInt(out, v, shape.size);
    }
    return true;
  };
  switch (shape.form) {
    case Form::kInt:
      if (!fixed || !IntegerBase(base) || shape.size < 1 || shape.size > 8) break;
      if (!put_number(text, &p->raw)) {
        *why = "'" + Printable(text) + "' is not a whole number of " + Num(shape.size) + " bytes";
        return false;
      }
      return true;
    case Form::kBool:
      if (!fixed || shape.size < 1 || shape.size > 8) break;
      if (!EqualsIgnoreAsciiCase(text, "TRUE") && !EqualsIgnoreAsciiCase(text, "FALSE")) {
        *why = "'" + Printable(text) + "' is neither TRUE nor FALSE";
        return false;
      }
      coding::PutUInt(&p->raw, EqualsIgnoreAsciiCase(text, "TRUE") ? 1 : 0, shape.size);
      return true;
    case Form::kText:
    case Form::kTextZ: {
      if ((shape.type & (kTypeArray | kTypeVarying)) != kTypeVarying) break;
      if (shape.size != 1 && shape.size != 2 && shape.size != 4) break;
      const size_t len = text.size() + (shape.form == Form::kTextZ ? 1 : 0);
      if (len > coding::MaxPrefixedLength(shape.size)) {
        *why = "text of " + Num(len) + " bytes is too long for its length prefix";
        return false;
      }
      coding::PutUInt(&p->raw, len, shape.size);
      p->raw.append(text);
      if (shape.form == Form::kTextZ) p->raw.push_back('\0');
      return true;
    }
    case Form::kList: {
      if ((shape.type & (kTypeArray | kTypeVarying)) != kTypeArray || !IntegerBase(base) ||
          shape.size < 1 || shape.size > 8) {
        break;
      }
      std::string elems;
      uint64_t count = 0;
      size_t i = 0;
      while (i < text.size()) {
        if (text[i] == ' ') {
          ++i;
          continue;
        }
        const size_t j = std::min(text.find(' ', i), text.size());
        if (!put_number(text.substr(i, j - i), &elems)) {
          *why = "'" + Printable(text.substr(i, j - i)) + "' is not a whole number of " +
                 Num(shape.size) + " bytes";
          return false;
        }
        ++count;
        i = j;
      }
      if (count > UINT32_MAX) {
        *why = "too many elements";
        return false;
      }
      coding::PutFixed32(&p->raw, static_cast<uint32_t>(count));
      p->raw += elems;
      return true;
    }
    case Form::kHex:
      if (!packet::DecodeHex(text, &p->raw)) {
        *why = "'" + Printable(text) + "' is not hex digits";
        return false;
      }
      if (std::string shape_error = packet::ParamShapeError(*p); !shape_error.empty()) {
        *why = shape_error;
        return false;
      }
      return true;
  }
  *why = std::string("form ") + kFormNames[static_cast<int>(shape.form)] +
         " does not go with type " + Num(shape.type) + " size " + Num(shape.size);
  return false;
}

void AppendParamShape(const ParamShape& shape, std::string* out) {
  out->append(kFormNames[static_cast<int>(shape.form)]).append(" ");
  out->append(Num(shape.type)).append(" ").append(Num(shape.size));
}

bool ParseParamShape(std::string_view s, ParamShape* shape) {
  const size_t a = s.find(' ');
  const size_t b = a == std::string_view::npos ? a : s.find(' ', a + 1);
  if (b == std::string_view::npos) return false;
  const std::string_view form = s.substr(0, a);
  uint64_t type = 0, size = 0;
  if (!ParseUInt64(s.substr(a + 1, b - a - 1), &type) || !ParseUInt64(s.substr(b + 1), &size) ||
      type > 0xFFFF || size > 0xFFFF) {
    return false;
  }
  for (int i = 0; i < 6; ++i) {
    if (form == kFormNames[i]) {
      *shape = {static_cast<uint16_t>(type), static_cast<uint16_t>(size), static_cast<Form>(i)};
      return true;
    }
  }
  return false;
}

}  // namespace engine::xml
