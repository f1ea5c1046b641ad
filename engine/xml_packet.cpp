// XML data packet reader and writer.
//
// Sections: names and reserved attributes; parameter text forms (shared by
// reader and writer, so that every parameter survives a round trip); the
// writer; text decoding (entities, character references, UTF-8); the reader.
//
// The reader parses with pugixml in its minimal mode, which leaves attribute
// values exactly as they stand in the document. It parses one copy of the
// document in place and decodes values over their own raw form in that copy,
// which then becomes the table's heap: no value is copied a second time.
// The rows of a document of the writer's plain shape are parsed a piece at a
// time (engine/xml_row_span.h), so that no node tree of the whole document
// is ever held; any other document is parsed whole.
#include "engine/xml_packet.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pugixml.hpp>
#include <unordered_map>

#include "engine/coding.h"
#include "engine/cp1252.h"
#include "engine/encoding_label.h"
#include "engine/packet_rules.h"
#include "engine/text_fold.h"
#include "engine/xml_row_span.h"
#include "platform/memory_hint.h"

namespace engine {
namespace {

// The parser's node pages are, after the document copy, the largest fresh
// buffers of a read; they get the same huge-page hint as the table's own.
void* HintedAllocate(size_t size) {
  void* p = std::malloc(size);
  platform::AdviseHugePages(p, size);
  return p;
}

void UseHintedAllocation() {
  static const bool installed = [] {
    pugi::set_memory_management_functions(HintedAllocate, std::free);
    return true;
  }();
  (void)installed;
}

using packet::Printable;

std::string Num(uint64_t v) { return std::to_string(v); }

// ---- Names ---------------------------------------------------------------

constexpr std::string_view kRowState = "RowState";
constexpr std::string_view kRowUnchanged = "RowUnchanged";
constexpr std::string_view kAttrName = "attrname";
constexpr std::string_view kFieldType = "fieldtype";
constexpr std::string_view kAttrFlags = "attrflags";
constexpr std::string_view kPrefixSize = "prefixsize";
constexpr std::string_view kTypeSuffix = ".type";
constexpr std::string_view kChangeLog = "CHANGE_LOG";

bool IsNameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool IsNameChar(unsigned char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '-';
}
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

// The length prefix a varying field gets when the document does not say.
uint16_t DefaultPrefixSize(const FieldDef& f) {
  if (f.base() != kBaseString) return 4;
  const uint64_t width = packet::FieldWidthParam(f);
  if (width > 0 && width <= 255) return 1;
  return width <= 65535 ? 2 : 4;
}

// Field names must be unique without regard to case (the table looks them up
// that way) and must be usable as ROW attribute names. Fields are added in
// order; a hash of the upper-cased names keeps the check linear in the number
// of fields.
class FieldNameCheck {
 public:
  std::string Add(const std::string& n) {
    if (n == kRowState || n == kRowUnchanged) return "the name is reserved for row attributes";
    const auto [it, added] = seen_.emplace(UpperAscii(n), seen_.size() + 1);
    if (!added) return "the name is used by field " + Num(it->second);
    return {};
  }

 private:
  std::unordered_map<std::string, size_t> seen_;  // upper-cased name -> field number
};

// ---- Parameter text forms --------------------------------------------------
//
// A parameter is an attribute NAME="text". The text form follows from the
// parameter's type: whole numbers in decimal, booleans TRUE/FALSE, varying
// text as the text (textz: the stored bytes end in one zero byte that the text
// leaves out), arrays of numbers as decimals separated by blanks, anything
// else as hex. When the reader would not infer the same type, size and form
// from the name and text alone, the writer adds NAME.type="form type size".

enum class Form { kInt, kBool, kText, kTextZ, kList, kHex };
constexpr const char* kFormNames[] = {"int", "bool", "text", "textz", "list", "hex"};

struct ParamShape {
  uint16_t type = 0;
  uint16_t size = 0;
  Form form = Form::kHex;
  bool operator==(const ParamShape&) const = default;
};

bool ParseInt64(std::string_view s, int64_t* v) {
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *v);
  return ec == std::errc() && p == s.data() + s.size();
}
bool ParseUInt64(std::string_view s, uint64_t* v) {
  if (s.empty() || s[0] == '-') return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *v);
  return ec == std::errc() && p == s.data() + s.size();
}

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

bool IntegerBase(uint16_t base) { return base == kBaseInt || base == kBaseUInt; }

void AppendNumber(std::string* out, uint64_t v, bool is_signed, size_t size) {
  char buf[24];
  std::to_chars_result r = is_signed ? std::to_chars(buf, buf + 24, coding::SignExtend(v, size))
                                     : std::to_chars(buf, buf + 24, v);
  out->append(buf, r.ptr);
}

// The natural text form of a parameter.
// REQUIRES: packet::ParamShapeError(p) is empty.
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

// Builds a parameter from its text and shape. False with a reason when the
// text does not fit.
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

// ---- Writer ----------------------------------------------------------------

// 0: written as is; 1: escaped; 2: a zero byte, which XML cannot hold.
struct EscapeTable {
  uint8_t kind[256];
  constexpr EscapeTable() : kind() {
    for (int c = 1; c < 0x20; ++c) kind[c] = 1;
    kind[0] = 2;
    for (unsigned char c : {'&', '<', '>', '"'}) kind[c] = 1;
  }
};
constexpr EscapeTable kEscape;

// Appends `s` escaped for an attribute value; false when it holds a zero byte.
bool AppendEscaped(std::string_view s, std::string* out) {
  const char* p = s.data();
  const char* const end = p + s.size();
  while (p < end) {
    const char* run = p;
    while (p < end && kEscape.kind[static_cast<uint8_t>(*p)] == 0) ++p;
    out->append(run, p);
    if (p == end) break;
    const auto c = static_cast<uint8_t>(*p++);
    switch (c) {
      case 0:
        return false;
      case '&':
        out->append("&amp;");
        break;
      case '<':
        out->append("&lt;");
        break;
      case '>':
        out->append("&gt;");
        break;
      case '"':
        out->append("&quot;");
        break;
      default: {
        char buf[8] = {'&', '#'};
        char* e = std::to_chars(buf + 2, buf + 6, static_cast<int>(c)).ptr;
        *e++ = ';';
        out->append(buf, e);
      }
    }
  }
  return true;
}

DBResult WriteFail(std::string* out, std::string* error, const std::string& text) {
  out->clear();
  *error = "XML packet cannot be written: " + text;
  return kDBCannotWritePacket;
}

// Writes the attributes of a list of parameters (of a field or the table).
// `reserved` says which names the element uses itself.
DBResult WriteParams(const std::vector<Param>& params, const std::string& what,
                     bool (*reserved)(std::string_view), std::string* out, std::string* error) {
  std::string text;
  for (size_t i = 0; i < params.size(); ++i) {
    const Param& p = params[i];
    if (!IsXmlName(p.name) || EndsWithTypeSuffix(p.name) || reserved(p.name)) {
      return WriteFail(out, error,
                       "parameter '" + Printable(p.name) + "' of " + what +
                           " cannot be written as an XML attribute name");
    }
    for (size_t j = 0; j < i; ++j) {
      if (params[j].name == p.name) {
        return WriteFail(out, error,
                         what + " has two parameters named '" + Printable(p.name) + "'");
      }
    }
    if (std::string shape = packet::ParamShapeError(p); !shape.empty()) {
      return WriteFail(out, error,
                       "parameter '" + Printable(p.name) + "' of " + what + ": " + shape);
    }
    Form form;
    ParamToText(p, &form, &text);
    out->append(" ").append(p.name).append("=\"");
    if (!AppendEscaped(text, out)) {
      return WriteFail(out, error,
                       "parameter '" + Printable(p.name) + "' of " + what + " holds a zero byte");
    }
    out->append("\"");
    const ParamShape actual{p.type, p.size, form};
    if (!(InferParamShape(p.name, text) == actual)) {
      out->append(" ").append(p.name).append(kTypeSuffix).append("=\"");
      out->append(kFormNames[static_cast<int>(form)]).append(" ");
      out->append(Num(p.type)).append(" ").append(Num(p.size)).append("\"");
    }
  }
  return kDBOk;
}

bool FieldReserved(std::string_view n) { return IsFieldReserved(n); }
bool TableReserved(std::string_view n) { return n == kChangeLog; }

// How a field's values are written and read.
enum class ValueKind : uint8_t { kSigned, kUnsigned, kBool, kFloat, kText, kHexBytes };

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

void AppendDouble(uint64_t bits, std::string* out) {
  double d;
  std::memcpy(&d, &bits, 8);
  if (std::isnan(d)) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "NaN:%016llx", static_cast<unsigned long long>(bits));
    out->append(buf);
    return;
  }
  char buf[40];
  out->append(buf, std::to_chars(buf, buf + sizeof buf, d).ptr);
}

// ---- Text decoding -----------------------------------------------------------

// Per byte: 0 plain, 1 needs attention (markup, white space, control bytes;
// in UTF-8 documents also every byte from 0x80 up).
struct DecodeTable {
  uint8_t cp1252[256];
  uint8_t utf8[256];
  constexpr DecodeTable() : cp1252(), utf8() {
    for (int c = 0; c < 0x20; ++c) cp1252[c] = utf8[c] = 1;
    cp1252[uint8_t{'&'}] = utf8[uint8_t{'&'}] = 1;
    cp1252[uint8_t{'<'}] = utf8[uint8_t{'<'}] = 1;
    for (int c = 0x80; c < 0x100; ++c) utf8[c] = 1;
  }
};
constexpr DecodeTable kDecode;

class TextDecoder {
 public:
  explicit TextDecoder(bool utf8) : table_(utf8 ? kDecode.utf8 : kDecode.cp1252), utf8_(utf8) {}

  bool utf8() const { return utf8_; }

  // Appends the Windows-1252 bytes of an attribute value. False with a
  // reason for markup errors and characters the code page cannot hold.
  bool Decode(std::string_view s, std::string* out, std::string* why) const {
    const char* p = s.data();
    const char* const end = p + s.size();
    while (p < end) {
      const char* run = p;
      if (!utf8_) p = SkipPlain1252(p, end);
      while (p < end && table_[static_cast<uint8_t>(*p)] == 0) ++p;
      out->append(run, p);
      if (p == end) break;
      const auto c = static_cast<uint8_t>(*p);
      if (c == '&') {
        if (!Reference(&p, end, out, why)) return false;
      } else if (c == '<') {
        *why = "a raw '<' in a value";
        return false;
      } else if (c == '\t' || c == '\n') {
        out->push_back(' ');  // XML attribute-value normalisation
        ++p;
      } else if (c == '\r') {
        out->push_back(' ');
        ++p;
        if (p < end && *p == '\n') ++p;
      } else if (c < 0x20) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "a raw control byte 0x%02X in a value", c);
        *why = buf;
        return false;
      } else {
        char32_t cp = 0;
        const size_t n = DecodeUtf8(p, end, &cp);
        if (n == 0) {
          *why = "bytes that are not UTF-8";
          return false;
        }
        if (!Put(cp, out, why)) return false;
        p += n;
      }
    }
    return true;
  }

  // Whether a value can be used without decoding.
  bool Plain(std::string_view s) const {
    for (char c : s) {
      if (table_[static_cast<uint8_t>(c)] != 0) return false;
    }
    return true;
  }

 private:
  // Skips eight bytes at a time while none of them is '&', '<' or below
  // 0x20 (the bytes that need attention in a Windows-1252 document); the
  // table loop finds the exact place after it.
  static const char* SkipPlain1252(const char* p, const char* end) {
    constexpr uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    auto has_zero_byte = [](uint64_t x) { return ((x - kOnes) & ~x & kHigh) != 0; };
    while (end - p >= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      const bool below_space = ((w - kOnes * 0x20) & ~w & kHigh) != 0;
      if (below_space || has_zero_byte(w ^ (kOnes * '&')) || has_zero_byte(w ^ (kOnes * '<'))) {
        break;
      }
      p += 8;
    }
    return p;
  }

  static bool Put(char32_t cp, std::string* out, std::string* why) {
    const int b = UnicodeToCp1252(cp);
    if (b <= 0) {
      char buf[80];
      std::snprintf(
          buf, sizeof buf,
          cp == 0 ? "a zero character" : "character U+%04X, which Windows-1252 cannot hold",
          static_cast<unsigned>(cp));
      *why = buf;
      return false;
    }
    out->push_back(static_cast<char>(b));
    return true;
  }

  static bool Reference(const char** pp, const char* end, std::string* out, std::string* why) {
    const char* p = *pp + 1;
    const char* semi = static_cast<const char*>(std::memchr(p, ';', std::min<size_t>(end - p, 40)));
    if (semi == nullptr) {
      *why = "an '&' that starts no reference";
      return false;
    }
    const std::string_view ref(p, semi - p);
    *pp = semi + 1;
    if (ref == "amp") return out->push_back('&'), true;
    if (ref == "lt") return out->push_back('<'), true;
    if (ref == "gt") return out->push_back('>'), true;
    if (ref == "quot") return out->push_back('"'), true;
    if (ref == "apos") return out->push_back('\''), true;
    if (ref.size() >= 2 && ref[0] == '#') {
      const bool hex = ref[1] == 'x';
      const std::string_view digits = ref.substr(hex ? 2 : 1);
      uint32_t cp = 0;
      auto [q, ec] =
          std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
      if (!digits.empty() && ec == std::errc() && q == digits.data() + digits.size()) {
        return Put(cp, out, why);
      }
    }
    *why = "an unknown reference '&" + Printable(ref) + ";'";
    return false;
  }

  const uint8_t* table_;
  bool utf8_;
};

// ---- Reader ----------------------------------------------------------------

class XmlReader {
 public:
  XmlReader(TableData* out, std::string* error, size_t piece_bytes = kPieceBytes)
      : out_(out), error_(error), piece_bytes_(piece_bytes) {}

  // Reads `packet`, a view of *own when that is given: *own is then parsed
  // and decoded in place and on success becomes the heap; otherwise a copy
  // of the packet is.
  template <typename Bytes>
  DBResult Read(std::span<const uint8_t> packet, Bytes* own);

 private:
  DBResult Fail(DBResult code, const std::string& text) {
    *error_ = "XML packet: " + text;
    return code;
  }
  // Decodes a value (or name) into *out, replacing its content.
  bool Text(std::string_view raw, std::string* out, std::string* why) {
    out->clear();
    return decoder_.Decode(raw, out, why);
  }
  DBResult ReadDataPacketAttrs(pugi::xml_node root);
  DBResult ReadParams(pugi::xml_node element, const std::string& what, bool field_element,
                      std::vector<Param>* params);
  DBResult ReadFields(pugi::xml_node fields);
  DBResult ReadTableParams(pugi::xml_node params);
  // What the checks of the raw bytes found, reported in their turn.
  struct Outline {
    const std::string& prolog_problem;
    bool text_after_root;
    size_t last;  // the end of the document's last markup
    bool bom;
  };
  DBResult Malformed(size_t at, const char* why) {
    return Fail(kDBCorruptPacket, "malformed at byte offset " + Num(at) + ": " + why);
  }
  // Everything before the rows: declaration, root, fields, parameters.
  DBResult ReadHead(const pugi::xml_document& doc, const Outline& outline, pugi::xml_node* rowdata);
  // `document` is parsed in place, a piece of rows at a time.
  DBResult ReadInPieces(std::span<char> document, size_t skip, const XmlRowSpan& span,
                        const Outline& outline);
  DBResult ReadRows(pugi::xml_node rowdata);
  DBResult BeginRows(size_t rows);
  DBResult ReadRow(pugi::xml_node n, size_t row);
  DBResult ReadValue(size_t row, size_t f, std::string_view raw, Cell* cell);
  size_t FindField(std::string_view name, size_t guess) const;

  static constexpr size_t kCellAllowance = size_t{1} << 20;
  // The rows are parsed in pieces of about this size: the node tree of one
  // piece is small beside the document, and the piece is still in the cache
  // when its values are decoded.
  static constexpr size_t kPieceBytes = size_t{1} << 20;
  static constexpr unsigned kParseOptions =
      pugi::parse_minimal | pugi::parse_declaration | pugi::parse_cdata;

  TableData* out_;
  std::string* error_;
  size_t piece_bytes_;
  size_t document_size_ = 0;
  // The parsed copy of the document, which values point into.
  const char* document_begin_ = nullptr;
  const char* document_end_ = nullptr;
  TextDecoder decoder_{false};
  std::string scratch_, why_;
  std::string value_;                   // a decoded value on its way to the heap
  std::vector<std::string> doc_names_;  // field names as the document spells them
  std::vector<ValueKind> kinds_;
  std::vector<uint64_t> max_len_;
  std::unordered_map<std::string_view, size_t> name_index_;
  std::vector<uint32_t> seen_;  // per field, the last row (1-based) that gave it
  std::string unchanged_name_;
};

// The document's spelling of a Windows-1252 name.
std::string DocName(std::string_view name, bool utf8) {
  if (!utf8) return std::string(name);
  std::string s;
  AppendCp1252AsUtf8(name, &s);
  return s;
}

// The next word of a blank-separated list from position *i on, or the empty
// view at the end; *i moves past the word.
std::string_view NextWord(std::string_view s, size_t* i) {
  while (*i < s.size() && s[*i] == ' ') ++*i;
  const size_t start = *i;
  *i = std::min(s.find(' ', start), s.size());
  return s.substr(start, *i - start);
}

// What a non-element child is called in messages.
const char* NonElementName(pugi::xml_node n) {
  return n.type() == pugi::node_cdata ? "CDATA" : "text";
}

bool CheckOnlyElements(pugi::xml_node parent, std::string* bad) {
  for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element) {
      *bad = std::string("unexpected ") + NonElementName(n) + " in <" + parent.name() + ">";
      return false;
    }
  }
  return true;
}

// Checks the bytes before the root element (from `start`, past a leading
// byte order mark). The document has parsed, so every construct is closed.
std::string PrologProblem(std::span<const uint8_t> packet, size_t start) {
  const std::string_view doc(reinterpret_cast<const char*>(packet.data()), packet.size());
  size_t i = start;
  for (;;) {
    while (i < doc.size() && (doc[i] == ' ' || doc[i] == '\t' || doc[i] == '\r' || doc[i] == '\n'))
      ++i;
    if (i >= doc.size()) return {};
    const std::string_view rest = doc.substr(i);
    if (rest.substr(0, 2) == "<?") {
      i = std::min(doc.find("?>", i + 2), doc.size() - 2) + 2;
    } else if (rest.substr(0, 4) == "<!--") {
      i = std::min(doc.find("-->", i + 4), doc.size() - 3) + 3;
    } else if (rest[0] == '<') {
      return {};  // the root element, or a document type (the parser's business)
    } else if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
      return "a byte order mark at byte offset " + Num(i) + ", not at the start";
    } else {
      return "text before the root element at byte offset " + Num(i);
    }
  }
}

// Finds the two kinds of child element that `parent` may hold, each at most
// once, and nothing else.
bool PickChildren(pugi::xml_node parent, const char* name_a, pugi::xml_node* a, const char* name_b,
                  pugi::xml_node* b, std::string* bad) {
  if (!CheckOnlyElements(parent, bad)) return false;
  for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling()) {
    pugi::xml_node* slot = std::strcmp(n.name(), name_a) == 0   ? a
                           : std::strcmp(n.name(), name_b) == 0 ? b
                                                                : nullptr;
    if (slot == nullptr) {
      *bad = "unexpected element <" + Printable(n.name()) + "> in <" + parent.name() + ">";
      return false;
    }
    if (*slot) {
      *bad = "a second <" + Printable(n.name()) + ">";
      return false;
    }
    *slot = n;
  }
  return true;
}

template <typename Bytes>
DBResult XmlReader::Read(std::span<const uint8_t> packet, Bytes* own) {
  *out_ = TableData{};
  document_size_ = packet.size();
  if (const void* zero = packet.empty() ? nullptr : std::memchr(packet.data(), 0, packet.size())) {
    return Fail(kDBCorruptPacket,
                "a zero byte at offset " + Num(static_cast<const uint8_t*>(zero) - packet.data()));
  }
  size_t skip = 0;
  bool bom = false;
  if (packet.size() >= 3 && packet[0] == 0xEF && packet[1] == 0xBB && packet[2] == 0xBF) {
    skip = 3;
    bom = true;
  }
  UseHintedAllocation();
  // The parser drops text before the root element; the prolog may hold only
  // the declaration, comments, processing instructions and white space. It
  // also drops text that follows the root element; a document that does not
  // end in markup was cut or has something appended. Both are judged on the
  // bytes before parsing changes them, and reported only when it succeeds.
  const std::string prolog_problem = PrologProblem(packet, skip);
  size_t last = packet.size();
  while (last > skip && (packet[last - 1] == ' ' || packet[last - 1] == '\t' ||
                         packet[last - 1] == '\r' || packet[last - 1] == '\n')) {
    --last;
  }
  const bool text_after_root = last > skip && packet[last - 1] != '>';
  // The document is parsed in place, in a copy unless the caller gave its
  // bytes up, and that buffer becomes the heap: values are decoded where
  // they stand, so none is copied again.
  Bytes copy;
  if (own == nullptr) {
    copy.reserve(packet.size());
    platform::AdviseHugePages(copy.data(), copy.capacity());
    copy.assign(packet.begin(), packet.end());
  }
  Bytes& buffer = own != nullptr ? *own : copy;
  char* const doc_text = reinterpret_cast<char*>(buffer.data());
  document_begin_ = doc_text;
  document_end_ = doc_text + buffer.size();
  const std::string_view document(doc_text, buffer.size());
  const Outline outline{prolog_problem, text_after_root, last, bom};
  XmlRowSpan span;
  if (piece_bytes_ != 0 && FindXmlRowSpan(document, skip, piece_bytes_, &span)) {
    const std::span<char> writable(doc_text, buffer.size());
    if (DBResult rc = ReadInPieces(writable, skip, span, outline); rc != kDBOk) return rc;
  } else {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer_inplace(
        doc_text + skip, buffer.size() - skip, kParseOptions, pugi::encoding_utf8);
    if (!parsed) return Malformed(parsed.offset + skip, parsed.description());
    pugi::xml_node rowdata;
    if (DBResult rc = ReadHead(doc, outline, &rowdata); rc != kDBOk) return rc;
    if (DBResult rc = ReadRows(rowdata); rc != kDBOk) return rc;
  }
  std::string text;
  if (DBResult rc = packet::CheckChangeLog(*out_, &text); rc != kDBOk) return Fail(rc, text);
  // Cells hold offsets, so moving the buffer leaves them valid.
  out_->heap.Adopt(std::move(buffer));
  if (own != nullptr) own->clear();
  return kDBOk;
}

DBResult XmlReader::ReadHead(const pugi::xml_document& doc, const Outline& outline,
                             pugi::xml_node* rowdata_out) {
  if (!outline.prolog_problem.empty()) return Fail(kDBCorruptPacket, outline.prolog_problem);
  bool utf8 = outline.bom;
  pugi::xml_node root;
  for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
    if (n.type() == pugi::node_declaration) {
      const std::string_view enc = n.attribute("encoding").value();
      const TextEncoding encoding = EncodingFromLabel(enc);
      if (enc.empty()) {
        // No encoding named: the bytes are Windows-1252.
      } else if (encoding == TextEncoding::kWindows1252) {
        if (outline.bom)
          return Fail(kDBCorruptPacket,
                      "a UTF-8 byte order mark but encoding '" + Printable(enc) + "'");
      } else if (encoding == TextEncoding::kUtf8) {
        utf8 = true;
      } else {
        return Fail(kDBCorruptPacket, "unsupported encoding '" + Printable(enc) + "'");
      }
    } else if (n.type() == pugi::node_element) {
      if (root) return Fail(kDBCorruptPacket, "more than one root element");
      root = n;
    } else {
      return Fail(kDBCorruptPacket, "text outside the root element");
    }
  }
  if (outline.text_after_root) {
    return Fail(kDBCorruptPacket,
                "text after the root element, ending at byte offset " + Num(outline.last));
  }
  decoder_ = TextDecoder(utf8);
  if (!root || std::strcmp(root.name(), "DATAPACKET") != 0) {
    return Fail(kDBCorruptPacket, "the root element is not <DATAPACKET>");
  }
  if (DBResult rc = ReadDataPacketAttrs(root); rc != kDBOk) return rc;
  pugi::xml_node metadata, rowdata;
  std::string bad;
  if (!PickChildren(root, "METADATA", &metadata, "ROWDATA", &rowdata, &bad)) {
    return Fail(kDBCorruptPacket, bad);
  }
  if (!metadata) return Fail(kDBCorruptPacket, "<METADATA> is missing");
  if (!rowdata) return Fail(kDBCorruptPacket, "<ROWDATA> is missing");
  pugi::xml_node fields, params;
  if (!PickChildren(metadata, "FIELDS", &fields, "PARAMS", &params, &bad)) {
    return Fail(kDBCorruptPacket, bad);
  }
  if (!fields) return Fail(kDBCorruptPacket, "<FIELDS> is missing");
  if (DBResult rc = ReadFields(fields); rc != kDBOk) return rc;
  if (params) {
    if (DBResult rc = ReadTableParams(params); rc != kDBOk) return rc;
  }
  *rowdata_out = rowdata;
  return kDBOk;
}

// The head (everything but the rows) is parsed from a copy of its own; the
// rows are parsed where they stand, a piece at a time, each piece's node
// tree dropped before the next is made. Errors come in the order a parse of
// the whole document gives them: the first malformation by offset, then the
// first refused content.
DBResult XmlReader::ReadInPieces(std::span<char> writable, size_t skip, const XmlRowSpan& span,
                                 const Outline& outline) {
  const std::string_view document(writable.data(), writable.size());
  // The head is the document without its rows, with one blank where they
  // stood: an error the parser reports just after the <ROWDATA> start tag
  // (where a whole parse reports it at the first row) then falls on the
  // blank and maps to the rows' start, not to the text after them.
  const size_t first = span.begin - skip;
  std::string head_text;
  head_text.reserve(first + 1 + document.size() - span.end);
  head_text.append(document.substr(skip, first));
  head_text.push_back(' ');
  head_text.append(document.substr(span.end));
  DBResult refused = kDBOk;  // the first refused content, reported after the pieces parsed
  std::string refused_text;
  auto hold = [&](DBResult rc) {
    if (rc != kDBOk && refused == kDBOk) {
      refused = rc;
      refused_text = *error_;
    }
    return rc == kDBOk;
  };
  bool rows_ready = false;  // the head was read and the rows have their cells
  size_t head_error_at = SIZE_MAX;
  const char* head_error = "";
  {
    pugi::xml_document head;
    const pugi::xml_parse_result parsed = head.load_buffer_inplace(
        head_text.data(), head_text.size(), kParseOptions, pugi::encoding_utf8);
    if (!parsed) {
      const size_t at = static_cast<size_t>(parsed.offset);
      head_error_at = at <= first ? at + skip : at - (first + 1) + span.end;
      head_error = parsed.description();
      // Before the rows or at their start: a whole parse meets it first.
      if (head_error_at <= span.begin) return Malformed(head_error_at, head_error);
    } else {
      pugi::xml_node rowdata;
      rows_ready = hold(ReadHead(head, outline, &rowdata)) && hold(BeginRows(span.rows));
    }
  }
  head_text = std::string();
  // Pieces are parsed in place in the document, which becomes the heap.
  char* const text = writable.data();
  pugi::xml_document piece;
  size_t from = span.begin, row = 0;
  for (const size_t cut : span.cuts) {
    const pugi::xml_parse_result parsed = piece.load_buffer_inplace(
        text + from, cut - from, kParseOptions | pugi::parse_fragment, pugi::encoding_utf8);
    if (!parsed) return Malformed(from + static_cast<size_t>(parsed.offset), parsed.description());
    for (pugi::xml_node n = piece.first_child(); n && rows_ready && refused == kDBOk;
         n = n.next_sibling()) {
      if (row == span.rows) {
        hold(Fail(kDBCorruptPacket,
                  "<ROWDATA> holds more than the " + Num(span.rows) + " rows counted in it"));
        break;
      }
      hold(ReadRow(n, row++));
    }
    from = cut;
  }
  piece.reset();
  if (head_error_at != SIZE_MAX) return Malformed(head_error_at, head_error);
  if (refused != kDBOk) {
    *error_ = refused_text;
    return refused;
  }
  if (row != span.rows) {
    return Fail(kDBCorruptPacket, "<ROWDATA> holds " + Num(row) + " of the " + Num(span.rows) +
                                      " rows counted in it");
  }
  return kDBOk;
}

DBResult XmlReader::ReadDataPacketAttrs(pugi::xml_node root) {
  for (pugi::xml_attribute a = root.first_attribute(); a; a = a.next_attribute()) {
    const std::string_view name = a.name();
    if (name == "HeaderWord1" || name == "HeaderWord2") {
      uint64_t v = 0;
      if (!Text(a.value(), &scratch_, &why_) || !ParseUInt64(scratch_, &v) || v > UINT32_MAX) {
        return Fail(kDBCorruptPacket, "<DATAPACKET> " + std::string(name) + "='" +
                                          Printable(a.value()) + "' is not a 32-bit number");
      }
      (name == "HeaderWord1" ? out_->header_word1 : out_->header_word2) = static_cast<uint32_t>(v);
    } else if (name == "HeaderExtra" || name == "RowGap") {
      std::string* dst = name == "HeaderExtra" ? &out_->header_extra : &out_->row_gap;
      dst->clear();
      if (!packet::DecodeHex(a.value(), dst)) {
        return Fail(kDBCorruptPacket, "<DATAPACKET> " + std::string(name) + "='" +
                                          Printable(a.value()) + "' is not hex digits");
      }
    }
  }
  return kDBOk;
}

DBResult XmlReader::ReadParams(pugi::xml_node element, const std::string& what, bool field_element,
                               std::vector<Param>* params) {
  std::string name, text;
  for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
    if (!Text(a.name(), &name, &why_)) {
      return Fail(kDBCorruptPacket, what + ": attribute name: " + why_);
    }
    if (field_element && IsFieldReserved(name)) continue;
    if (!field_element && name == kChangeLog) continue;
    if (EndsWithTypeSuffix(name)) {
      return Fail(kDBCorruptPacket,
                  what + ": '" + Printable(name) + "' does not follow the parameter it describes");
    }
    for (const Param& p : *params) {
      if (p.name == name) {
        return Fail(kDBCorruptPacket, what + ": parameter '" + Printable(name) + "' given twice");
      }
    }
    if (!Text(a.value(), &text, &why_)) {
      return Fail(kDBCorruptPacket, what + ", parameter '" + Printable(name) + "': " + why_);
    }
    ParamShape shape = InferParamShape(name, text);
    pugi::xml_attribute next = a.next_attribute();
    if (next && std::string_view(next.name()) == std::string(a.name()) + std::string(kTypeSuffix)) {
      if (!ParseParamShape(next.value(), &shape)) {
        return Fail(kDBCorruptPacket, what + ", parameter '" + Printable(name) + "': type '" +
                                          Printable(next.value()) + "' is not 'form type size'");
      }
      a = next;
    }
    Param p;
    p.name = name;
    if (!ParamFromText(text, shape, &p, &why_)) {
      return Fail(kDBCorruptPacket, what + ", parameter '" + Printable(name) + "': " + why_);
    }
    params->push_back(std::move(p));
  }
  return kDBOk;
}

DBResult XmlReader::ReadFields(pugi::xml_node fields) {
  std::string bad;
  if (!CheckOnlyElements(fields, &bad)) return Fail(kDBCorruptPacket, bad);
  FieldNameCheck names;
  size_t i = 0;
  for (pugi::xml_node n = fields.first_child(); n; n = n.next_sibling(), ++i) {
    const std::string nth = "FIELD " + Num(i + 1);
    if (std::strcmp(n.name(), "FIELD") != 0) {
      return Fail(kDBCorruptPacket, "unexpected element <" + Printable(n.name()) + "> in <FIELDS>");
    }
    if (n.first_child()) return Fail(kDBCorruptPacket, nth + " has content");
    if (i >= 0xFFFF) return Fail(kDBCorruptPacket, "more than 65535 fields");
    FieldDef f;
    const pugi::xml_attribute name_attr = n.attribute("attrname");
    if (!name_attr) return Fail(kDBCorruptPacket, nth + " has no attrname");
    if (!Text(name_attr.value(), &f.name, &why_)) {
      return Fail(kDBCorruptPacket, nth + ", attrname: " + why_);
    }
    if (!IsXmlName(f.name) || f.name.size() > 255) {
      return Fail(kDBCorruptPacket, nth + ": '" + Printable(f.name) +
                                        "' cannot be a field name (it must be an XML name of "
                                        "at most 255 bytes)");
    }
    const std::string what = "field '" + Printable(f.name) + "'";
    const std::string_view type_name = n.attribute("fieldtype").value();
    uint16_t size = 0;
    if (!packet::FieldTypeFromName(type_name, &f.type, &size)) {
      return Fail(kDBUnknownFieldType, what + " has unknown type '" + Printable(type_name) + "'");
    }
    if (const pugi::xml_attribute flags = n.attribute("attrflags")) {
      uint64_t v = 0;
      if (!ParseUInt64(flags.value(), &v) || v > 0xFFFF) {
        return Fail(kDBCorruptPacket,
                    what + ": attrflags '" + Printable(flags.value()) + "' is not a 16-bit number");
      }
      f.attrs = static_cast<uint16_t>(v);
    }
    if (DBResult rc = ReadParams(n, what, true, &f.params); rc != kDBOk) return rc;
    if (size == 0) {
      size = DefaultPrefixSize(f);
      if (const pugi::xml_attribute ps = n.attribute("prefixsize")) {
        uint64_t v = 0;
        if (!ParseUInt64(ps.value(), &v) || (v != 1 && v != 2 && v != 4)) {
          return Fail(kDBCorruptPacket,
                      what + ": prefixsize '" + Printable(ps.value()) + "' is not 1, 2 or 4");
        }
        size = static_cast<uint16_t>(v);
      }
    } else if (n.attribute("prefixsize")) {
      return Fail(kDBCorruptPacket, what + ": prefixsize given for a fixed-size type");
    }
    f.size = size;
    out_->fields.push_back(std::move(f));
    if (std::string problem = names.Add(out_->fields.back().name); !problem.empty()) {
      return Fail(kDBCorruptPacket, what + ": " + problem);
    }
  }
  const size_t nf = out_->fields.size();
  doc_names_.resize(nf);
  kinds_.resize(nf);
  max_len_.resize(nf);
  for (size_t k = 0; k < nf; ++k) {
    const FieldDef& f = out_->fields[k];
    doc_names_[k] = DocName(f.name, decoder_.utf8());
    kinds_[k] = KindOf(f);
    max_len_[k] = coding::MaxPrefixedLength(f.size);
    const uint64_t width = f.base() == kBaseString ? packet::FieldWidthParam(f) : 0;
    if (width != 0 && width < max_len_[k]) max_len_[k] = width;
  }
  if (nf > 16) {
    for (size_t k = 0; k < nf; ++k) name_index_.emplace(doc_names_[k], k);
  }
  return kDBOk;
}

DBResult XmlReader::ReadTableParams(pugi::xml_node params) {
  if (params.first_child()) return Fail(kDBCorruptPacket, "<PARAMS> has content");
  // CHANGE_LOG keeps its place among the parameters.
  size_t position = 0;
  for (pugi::xml_attribute a = params.first_attribute(); a; a = a.next_attribute()) {
    const std::string_view name = a.name();
    if (name == kChangeLog) {
      out_->change_log_param_pos = static_cast<int>(position);
      if (!Text(a.value(), &scratch_, &why_)) {
        return Fail(kDBBadChangeLog, "CHANGE_LOG: " + why_);
      }
      std::string_view s = scratch_;
      size_t i = 0;
      for (std::string_view word = NextWord(s, &i); !word.empty(); word = NextWord(s, &i)) {
        uint64_t v = 0;
        if (!ParseUInt64(word, &v) || v > UINT32_MAX) {
          return Fail(kDBBadChangeLog, "CHANGE_LOG number " + Num(out_->change_log.size() + 1) +
                                           " '" + Printable(word) +
                                           "' is not a 32-bit unsigned number");
        }
        out_->change_log.push_back(static_cast<uint32_t>(v));
      }
      if (a.next_attribute() && std::string_view(a.next_attribute().name()) == "CHANGE_LOG.type") {
        return Fail(kDBBadChangeLog, "CHANGE_LOG takes no type");
      }
    } else if (!EndsWithTypeSuffix(name)) {
      ++position;
    }
  }
  return ReadParams(params, "the table parameters", false, &out_->params);
}

size_t XmlReader::FindField(std::string_view name, size_t guess) const {
  const size_t nf = doc_names_.size();
  if (guess < nf && doc_names_[guess] == name) return guess;
  if (!name_index_.empty()) {
    auto it = name_index_.find(name);
    return it == name_index_.end() ? SIZE_MAX : it->second;
  }
  for (size_t k = 0; k < nf; ++k) {
    if (doc_names_[k] == name) return k;
  }
  return SIZE_MAX;
}

DBResult XmlReader::ReadValue(size_t row, size_t f, std::string_view raw, Cell* cell) {
  const FieldDef& field = out_->fields[f];
  auto where = [&]() {
    return "row " + Num(row + 1) + ", field '" + Printable(field.name) + "': ";
  };
  const ValueKind kind = kinds_[f];
  if (kind == ValueKind::kText || kind == ValueKind::kHexBytes) {
    // The value's bytes stand in the document copy that becomes the heap;
    // decoding never lengthens a value, so a decoded one is written back
    // over its own raw form.
    size_t len = raw.size();
    if (kind == ValueKind::kText && decoder_.Plain(raw)) {
      // Used where it stands.
    } else {
      value_.clear();
      bool ok;
      if (kind == ValueKind::kText) {
        ok = decoder_.Decode(raw, &value_, &why_);
      } else {
        ok = packet::DecodeHex(raw, &value_);
        if (!ok) why_ = "'" + Printable(raw) + "' is not hex digits";
      }
      if (!ok) return Fail(kDBValueDoesNotFit, where() + why_);
      len = value_.size();
      if (len > raw.size()) return Fail(kDBValueDoesNotFit, where() + "decoding lengthened it");
      coding::CopyBytes(const_cast<char*>(raw.data()), value_.data(), len);
    }
    size_t at = 0;
    if (len != 0) {
      if (raw.data() < document_begin_ || raw.data() + len > document_end_) {
        return Fail(kDBCorruptPacket, where() + "the value lies outside the document");
      }
      at = static_cast<size_t>(raw.data() - document_begin_);
    }
    if (len > max_len_[f]) {
      return Fail(
          kDBValueDoesNotFit,
          where() + "a value of " + Num(len) + " characters is longer than its " +
              (len > coding::MaxPrefixedLength(field.size) ? "length prefix allows (" : "WIDTH (") +
              Num(max_len_[f]) + ")");
    }
    cell->blank = kValue;
    cell->data = at;
    cell->len = static_cast<uint32_t>(len);
    return kDBOk;
  }
  std::string_view text = raw;
  if (!decoder_.Plain(raw)) {
    if (!Text(raw, &scratch_, &why_)) return Fail(kDBValueDoesNotFit, where() + why_);
    text = scratch_;
  }
  const char* type_name = packet::FieldTypeName(field.type, field.size);
  uint64_t bits = 0;
  switch (kind) {
    case ValueKind::kSigned: {
      int64_t v = 0;
      if (!ParseInt64(text, &v)) {
        return Fail(kDBValueDoesNotFit,
                    where() + "'" + Printable(text) + "' is not a whole number");
      }
      if (field.size < 8) {
        const int64_t lim = int64_t{1} << (8 * field.size - 1);
        if (v < -lim || v >= lim) {
          return Fail(kDBValueDoesNotFit, where() + Printable(text) + " is out of range for " +
                                              type_name + " (" + std::to_string(-lim) + " to " +
                                              std::to_string(lim - 1) + ")");
        }
      }
      bits = static_cast<uint64_t>(v);
      break;
    }
    case ValueKind::kUnsigned: {
      uint64_t v = 0;
      if (!ParseUInt64(text, &v)) {
        return Fail(kDBValueDoesNotFit,
                    where() + "'" + Printable(text) + "' is not a whole number without sign");
      }
      if (v > coding::MaxPrefixedLength(field.size)) {
        return Fail(kDBValueDoesNotFit, where() + Printable(text) + " is out of range for " +
                                            type_name + " (0 to " +
                                            Num(coding::MaxPrefixedLength(field.size)) + ")");
      }
      bits = v;
      break;
    }
    case ValueKind::kBool: {
      uint64_t v = 0;
      if (EqualsIgnoreAsciiCase(text, "TRUE")) {
        bits = 1;
      } else if (EqualsIgnoreAsciiCase(text, "FALSE")) {
        bits = 0;
      } else if (ParseUInt64(text, &v) && v <= 0xFFFF) {
        bits = v;
      } else {
        return Fail(kDBValueDoesNotFit,
                    where() + "'" + Printable(text) + "' is neither TRUE nor FALSE");
      }
      break;
    }
    case ValueKind::kFloat: {
      if (text.size() == 20 && text.substr(0, 4) == "NaN:") {
        std::string b;
        if (!packet::DecodeHex(text.substr(4), &b)) {
          return Fail(kDBValueDoesNotFit, where() + "'" + Printable(text) + "' is not a number");
        }
        for (unsigned char c : b) bits = (bits << 8) | c;
        break;
      }
      double d = 0;
      auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
      if (text.empty() || ec != std::errc() || p != text.data() + text.size()) {
        return Fail(kDBValueDoesNotFit, where() + "'" + Printable(text) + "' is not a number");
      }
      std::memcpy(&bits, &d, 8);
      break;
    }
    default:
      break;
  }
  cell->blank = kValue;
  cell->data = bits;
  return kDBOk;
}

DBResult XmlReader::ReadRows(pugi::xml_node rowdata) {
  size_t rows = 0;
  for (pugi::xml_node n = rowdata.first_child(); n; n = n.next_sibling()) ++rows;
  if (DBResult rc = BeginRows(rows); rc != kDBOk) return rc;
  size_t row = 0;
  for (pugi::xml_node n = rowdata.first_child(); n; n = n.next_sibling(), ++row) {
    if (DBResult rc = ReadRow(n, row); rc != kDBOk) return rc;
  }
  return kDBOk;
}

DBResult XmlReader::BeginRows(size_t rows) {
  if (rows > UINT32_MAX) return Fail(kDBCorruptPacket, "more than 4294967295 rows");
  const size_t nf = out_->fields.size();
  // An empty ROW costs a few bytes whatever the number of fields; a small
  // document must not make the reader claim gigabytes of cells.
  if (nf != 0 && rows > (kCellAllowance + 16 * document_size_) / nf) {
    return Fail(kDBCorruptPacket, Num(rows) + " rows of " + Num(nf) +
                                      " fields are more cells than a document of " +
                                      Num(document_size_) + " bytes may hold");
  }
  out_->status.assign(rows, 0);
  out_->cells.reserve(rows * nf);
  platform::AdviseHugePages(out_->cells.data(), rows * nf * sizeof(Cell));
  out_->cells.assign(rows * nf, Cell{});
  seen_.assign(nf, 0);
  return kDBOk;
}

DBResult XmlReader::ReadRow(pugi::xml_node n, size_t row) {
  const size_t nf = out_->fields.size();
  if (n.type() != pugi::node_element) {
    return Fail(kDBCorruptPacket, std::string("unexpected ") + NonElementName(n) +
                                      " in <ROWDATA> after row " + Num(row));
  }
  if (std::strcmp(n.name(), "ROW") != 0) {
    return Fail(kDBCorruptPacket, "unexpected element <" + Printable(n.name()) +
                                      "> in <ROWDATA> as row " + Num(row + 1));
  }
  if (n.first_child()) return Fail(kDBCorruptPacket, "row " + Num(row + 1) + " has content");
  Cell* cells = out_->cells.data() + row * nf;
  const uint32_t mark = static_cast<uint32_t>(row + 1);
  size_t guess = 0;
  for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
    const std::string_view name = a.name();
    const size_t f = FindField(name, guess);
    if (f != SIZE_MAX) {
      if (seen_[f] == mark) {
        return Fail(kDBCorruptPacket, "row " + Num(row + 1) + ", field '" +
                                          Printable(out_->fields[f].name) + "' given twice");
      }
      seen_[f] = mark;
      const char* v = a.value();
      if (DBResult rc = ReadValue(row, f, std::string_view(v, std::strlen(v)), &cells[f]);
          rc != kDBOk) {
        return rc;
      }
      guess = f + 1;
    } else if (name == kRowState) {
      uint64_t v = 0;
      if (!Text(a.value(), &scratch_, &why_) || !ParseUInt64(scratch_, &v) || v > 0x0F) {
        return Fail(kDBCorruptPacket, "row " + Num(row + 1) + ": RowState '" +
                                          Printable(a.value()) +
                                          "' is not a combination of the status bits 1, 2, 4, 8");
      }
      out_->status[row] = static_cast<uint8_t>(v);
    } else if (name == kRowUnchanged) {
      if (!Text(a.value(), &scratch_, &why_)) {
        return Fail(kDBCorruptPacket, "row " + Num(row + 1) + ", RowUnchanged: " + why_);
      }
      std::string_view s = scratch_;
      size_t i = 0;
      for (std::string_view word = NextWord(s, &i); !word.empty(); word = NextWord(s, &i)) {
        unchanged_name_ = DocName(word, decoder_.utf8());
        const size_t uf = FindField(unchanged_name_, SIZE_MAX);
        if (uf == SIZE_MAX) {
          return Fail(kDBCorruptPacket, "row " + Num(row + 1) + ": RowUnchanged names '" +
                                            Printable(word) + "', which is no field");
        }
        if (seen_[uf] == mark) {
          return Fail(kDBCorruptPacket, "row " + Num(row + 1) + ", field '" +
                                            Printable(out_->fields[uf].name) + "' given twice");
        }
        seen_[uf] = mark;
        cells[uf].blank = kUnchanged;
      }
    } else {
      return Fail(kDBCorruptPacket,
                  "row " + Num(row + 1) + ": unknown attribute '" + Printable(name) + "'");
    }
  }
  return kDBOk;
}

}  // namespace

DBResult ReadXmlPacket(std::span<const uint8_t> packet, TableData* out, std::string* error) {
  XmlReader reader(out, error);
  return reader.Read(packet, static_cast<std::string*>(nullptr));
}

DBResult ReadXmlPacketInPieces(std::span<const uint8_t> packet, size_t piece_bytes, TableData* out,
                               std::string* error) {
  XmlReader reader(out, error, piece_bytes);
  return reader.Read(packet, static_cast<std::string*>(nullptr));
}

template <typename Bytes>
DBResult ReadInPlace(Bytes* packet, TableData* out, std::string* error) {
  XmlReader reader(out, error);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(packet->data()),
                                       packet->size());
  return reader.Read(bytes, packet);
}

DBResult ReadXmlPacketInPlace(std::string* packet, TableData* out, std::string* error) {
  return ReadInPlace(packet, out, error);
}

DBResult ReadXmlPacketInPlace(std::vector<uint8_t>* packet, TableData* out, std::string* error) {
  return ReadInPlace(packet, out, error);
}

DBResult WriteXmlPacket(const TableData& data, std::string* out, std::string* error) {
  out->clear();
  const size_t nf = data.fields.size();
  FieldNameCheck names;
  for (size_t i = 0; i < nf; ++i) {
    const FieldDef& f = data.fields[i];
    if (!IsXmlName(f.name)) {
      return WriteFail(out, error, "field name '" + Printable(f.name) + "' is not an XML name");
    }
    if (std::string problem = names.Add(f.name); !problem.empty()) {
      return WriteFail(out, error, "field '" + Printable(f.name) + "': " + problem);
    }
    if (packet::FieldTypeName(f.type, f.size) == nullptr) {
      return WriteFail(out, error, "field '" + Printable(f.name) + "' has an unknown type");
    }
  }
  size_t estimate = 512 + data.heap.size() + data.change_log.size() * 8;
  for (const FieldDef& f : data.fields) estimate += data.row_count() * (f.name.size() + 8);
  out->reserve(estimate + data.row_count() * 24);

  out->append("<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>\n");
  out->append("<DATAPACKET Version=\"2.0\"");
  if (data.header_word1 != 1) out->append(" HeaderWord1=\"" + Num(data.header_word1) + "\"");
  if (data.header_word2 != 3) out->append(" HeaderWord2=\"" + Num(data.header_word2) + "\"");
  if (!data.header_extra.empty()) {
    out->append(" HeaderExtra=\"");
    packet::AppendHex(data.header_extra, out);
    out->append("\"");
  }
  if (!data.row_gap.empty()) {
    out->append(" RowGap=\"");
    packet::AppendHex(data.row_gap, out);
    out->append("\"");
  }
  out->append(">\n <METADATA>\n  <FIELDS>\n");
  for (const FieldDef& f : data.fields) {
    out->append("   <FIELD attrname=\"").append(f.name).append("\" fieldtype=\"");
    out->append(packet::FieldTypeName(f.type, f.size)).append("\"");
    if (f.attrs != 0) out->append(" attrflags=\"" + Num(f.attrs) + "\"");
    const std::string what = "field '" + Printable(f.name) + "'";
    if (DBResult rc = WriteParams(f.params, what, FieldReserved, out, error); rc != kDBOk) {
      return rc;
    }
    if (f.varying() && f.size != DefaultPrefixSize(f)) {
      out->append(" prefixsize=\"" + Num(f.size) + "\"");
    }
    out->append("/>\n");
  }
  out->append("  </FIELDS>\n  <PARAMS");
  const bool has_log = data.change_log_param_pos >= 0 || !data.change_log.empty();
  const size_t log_pos = data.change_log_param_pos < 0
                             ? data.params.size()
                             : std::min<size_t>(data.change_log_param_pos, data.params.size());
  std::vector<Param> before(data.params.begin(), data.params.begin() + log_pos);
  std::vector<Param> after(data.params.begin() + log_pos, data.params.end());
  if (DBResult rc = WriteParams(before, "the table", TableReserved, out, error); rc != kDBOk) {
    return rc;
  }
  if (has_log) {
    out->append(" CHANGE_LOG=\"");
    char buf[16];
    for (size_t i = 0; i < data.change_log.size(); ++i) {
      if (i) out->push_back(' ');
      out->append(buf, std::to_chars(buf, buf + 16, data.change_log[i]).ptr);
    }
    out->append("\"");
  }
  if (DBResult rc = WriteParams(after, "the table", TableReserved, out, error); rc != kDBOk) {
    return rc;
  }
  for (const Param& p : after) {
    for (const Param& q : before) {
      if (p.name == q.name) {
        return WriteFail(out, error,
                         "the table has two parameters named '" + Printable(p.name) + "'");
      }
    }
  }
  out->append("/>\n </METADATA>\n <ROWDATA>\n");

  std::vector<ValueKind> kinds;
  for (const FieldDef& f : data.fields) kinds.push_back(KindOf(f));
  const Cell* cell = data.cells.data();
  char buf[40];
  for (size_t row = 0; row < data.row_count(); ++row, cell += nf) {
    out->append("  <ROW");
    if (data.status[row] != 0) {
      out->append(" RowState=\"");
      out->append(buf, std::to_chars(buf, buf + sizeof buf, data.status[row]).ptr);
      out->append("\"");
    }
    bool first_unchanged = true;
    for (size_t f = 0; f < nf; ++f) {
      if (cell[f].blank == kUnchanged) {
        out->append(first_unchanged ? " RowUnchanged=\"" : " ").append(data.fields[f].name);
        first_unchanged = false;
      } else if (cell[f].blank > kUnchanged) {
        return WriteFail(out, error,
                         "row " + Num(row + 1) + ", field '" + Printable(data.fields[f].name) +
                             "': invalid blank code");
      }
    }
    if (!first_unchanged) out->append("\"");
    for (size_t f = 0; f < nf; ++f) {
      const Cell& c = cell[f];
      if (c.blank != kValue) continue;
      const FieldDef& field = data.fields[f];
      out->push_back(' ');
      out->append(field.name);
      out->append("=\"");
      switch (kinds[f]) {
        case ValueKind::kSigned:
          out->append(
              buf,
              std::to_chars(buf, buf + sizeof buf, coding::SignExtend(c.data, field.size)).ptr);
          break;
        case ValueKind::kUnsigned:
          out->append(buf, std::to_chars(buf, buf + sizeof buf, c.data).ptr);
          break;
        case ValueKind::kBool:
          if (c.data <= 1) {
            out->append(c.data ? "TRUE" : "FALSE");
          } else {
            out->append(buf, std::to_chars(buf, buf + sizeof buf, c.data).ptr);
          }
          break;
        case ValueKind::kFloat:
          AppendDouble(c.data, out);
          break;
        case ValueKind::kText:
          if (!AppendEscaped(data.bytes(c), out)) {
            return WriteFail(out, error,
                             "row " + Num(row + 1) + ", field '" + Printable(field.name) +
                                 "' holds a zero byte, which XML cannot carry");
          }
          break;
        case ValueKind::kHexBytes:
          packet::AppendHex(data.bytes(c), out);
          break;
      }
      out->push_back('"');
    }
    out->append("/>\n");
  }
  out->append(" </ROWDATA>\n</DATAPACKET>\n");
  return kDBOk;
}

}  // namespace engine
