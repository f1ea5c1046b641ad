// ReadXmlPacket and its in-place and in-pieces variants
// (engine/xml_packet.h): an XML document read into a TableData, every
// value checked against its field.
//
// The reader parses with pugixml in its minimal mode, which leaves attribute
// values exactly as they stand in the document. It parses one copy of the
// document in place and decodes values over their own raw form in that copy,
// which then becomes the table's heap: no value is copied a second time.
// The rows of a document of the writer's plain shape are parsed a piece at a
// time (engine/xml_row_span.h), so that no node tree of the whole document
// is ever held; any other document is parsed whole. Values are decoded by
// engine/xml_text_decoding.h, parameters read by engine/xml_packet_params.h.
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <pugixml.hpp>
#include <unordered_map>

#include "engine/coding.h"
#include "engine/cp1252.h"
#include "engine/encoding_label.h"
#include "engine/packet_rules.h"
#include "engine/text_fold.h"
#include "engine/xml_packet.h"
#include "engine/xml_packet_names.h"
#include "engine/xml_packet_params.h"
#include "engine/xml_row_span.h"
#include "engine/xml_text_decoding.h"
#include "platform/memory_hint.h"

namespace engine::xml {
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

template <typename Bytes>
DBResult ReadInPlace(Bytes* packet, TableData* out, std::string* error) {
  XmlReader reader(out, error);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(packet->data()),
                                       packet->size());
  return reader.Read(bytes, packet);
}

}  // namespace
}  // namespace engine::xml

namespace engine {

DBResult ReadXmlPacket(std::span<const uint8_t> packet, TableData* out, std::string* error) {
  xml::XmlReader reader(out, error);
  return reader.Read(packet, static_cast<std::string*>(nullptr));
}

DBResult ReadXmlPacketInPieces(std::span<const uint8_t> packet, size_t piece_bytes, TableData* out,
                               std::string* error) {
  xml::XmlReader reader(out, error, piece_bytes);
  return reader.Read(packet, static_cast<std::string*>(nullptr));
}

DBResult ReadXmlPacketInPlace(std::string* packet, TableData* out, std::string* error) {
  return xml::ReadInPlace(packet, out, error);
}

DBResult ReadXmlPacketInPlace(std::vector<uint8_t>* packet, TableData* out, std::string* error) {
  return xml::ReadInPlace(packet, out, error);
}

}  // namespace engine
