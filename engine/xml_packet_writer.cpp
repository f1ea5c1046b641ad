// WriteXmlPacket (engine/xml_packet.h): a table as one Windows-1252 XML
// document of the shape docs/xml-packet.md shows, with the writer's own
// helpers beside it: escaping of attribute values, the attributes of a list
// of parameters, the text of a floating-point value. Parameter texts come
// from engine/xml_packet_params.h, names and value kinds from
// engine/xml_packet_names.h, both shared with the reader so that what is
// written reads back the same.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/coding.h"
#include "engine/packet_rules.h"
#include "engine/xml_packet.h"
#include "engine/xml_packet_names.h"
#include "engine/xml_packet_params.h"

namespace engine::xml {
namespace {

using packet::Printable;

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
      AppendParamShape(actual, out);
      out->append("\"");
    }
  }
  return kDBOk;
}

bool FieldReserved(std::string_view n) { return IsFieldReserved(n); }
bool TableReserved(std::string_view n) { return n == kChangeLog; }

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

DBResult WriteDocument(const TableData& data, std::string* out, std::string* error) {
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

}  // namespace
}  // namespace engine::xml

namespace engine {

DBResult WriteXmlPacket(const TableData& data, std::string* out, std::string* error) {
  return xml::WriteDocument(data, out, error);
}

}  // namespace engine
