// vpacket info FILE: what a packet holds: its form, header words, fields
// (type, size, flags, parameters), table parameters, rows by status and the
// number of current records (rows neither replaced nor deleted).
#include <cstdio>
#include <iostream>
#include <map>

#include "engine/coding.h"
#include "engine/packet_codec.h"
#include "engine/packet_form.h"
#include "engine/packet_rules.h"
#include "tools/vpacket.h"

namespace {

std::string Hex4(unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%04X", v);
  return buf;
}

// A parameter's value in readable form: numbers in decimal, text quoted,
// arrays by their length, anything else in hex.
std::string ParamText(const engine::Param& p) {
  using namespace engine;
  if (!packet::ParamShapeError(p).empty()) return "(malformed)";
  const auto* raw = reinterpret_cast<const uint8_t*>(p.raw.data());
  const uint16_t base = p.type & kTypeBaseMask;
  if (p.type & kTypeArray) {
    return "array of " + std::to_string(coding::DecodeUInt(raw, 4)) + " elements of " +
           std::to_string(p.size) + " bytes";
  }
  if (p.type & kTypeVarying) {
    std::string_view v = packet::VaryingParamBytes(p);
    if (!v.empty() && v.back() == '\0') v.remove_suffix(1);
    std::string quoted(1, '"');
    quoted += packet::Printable(v);
    quoted += '"';
    return quoted;
  }
  if ((base == kBaseInt || base == kBaseUInt) && p.size >= 1 && p.size <= 8) {
    const uint64_t v = coding::DecodeUInt(raw, p.size);
    return base == kBaseInt ? std::to_string(coding::SignExtend(v, p.size)) : std::to_string(v);
  }
  if (base == kBaseBool && p.size >= 1 && p.size <= 8) {
    return coding::DecodeUInt(raw, p.size) ? "TRUE" : "FALSE";
  }
  std::string hex;
  packet::AppendHex(p.raw, &hex);
  return hex;
}

std::string ParamLine(const engine::Param& p) {
  return engine::packet::Printable(p.name) + " = " + ParamText(p) + "  (type " + Hex4(p.type) +
         ", size " + std::to_string(p.size) + ")";
}

int RunInfo(vpacket::Args args) {
  using namespace engine;
  if (!args.empty() && args[0].starts_with("-")) return vpacket::UnknownOption("info", args[0]);
  if (args.size() != 1) return vpacket::UsageError("info");
  std::string bytes, error;
  TableData t;
  if (!vpacket::LoadPacket(args[0], &bytes, &t, &error)) return vpacket::Fail(error);
  const bool binary = PacketFormOfContent(bytes) == PacketForm::kBinary;
  std::ostream& o = std::cout;
  o << "file: " << args[0] << "\n";
  o << "form: " << (binary ? "binary" : "XML") << ", " << bytes.size() << " bytes\n";
  o << "header words: " << t.header_word1 << " and " << t.header_word2;
  if (!t.header_extra.empty()) o << ", " << t.header_extra.size() << " extra header bytes";
  if (!t.row_gap.empty()) o << ", " << t.row_gap.size() << " bytes before the first row";
  o << "\n";
  o << "fields: " << t.field_count() << "\n";
  for (size_t f = 0; f < t.field_count(); ++f) {
    const FieldDef& d = t.fields[f];
    const char* name = packet::FieldTypeName(d.type, d.size);
    o << "  " << f + 1 << ". " << packet::Printable(d.name) << ": " << (name ? name : "?")
      << ", type " << Hex4(d.type) << ", size " << d.size << ", attributes " << Hex4(d.attrs)
      << "\n";
    for (const Param& p : d.params) o << "      " << ParamLine(p) << "\n";
  }
  o << "table parameters: " << t.params.size() + (t.change_log_param_pos >= 0 ? 1 : 0) << "\n";
  for (size_t i = 0; i <= t.params.size(); ++i) {
    if (static_cast<int>(i) == t.change_log_param_pos) {
      o << "  CHANGE_LOG = " << t.change_log.size() << " numbers, " << t.change_log.size() / 3
        << " changes\n";
    }
    if (i < t.params.size()) o << "  " << ParamLine(t.params[i]) << "\n";
  }
  std::map<int, size_t> by_status;
  size_t current = 0;
  for (uint8_t s : t.status) {
    ++by_status[s];
    if ((s & (kRowReplaced | kRowDeleted)) == 0) ++current;
  }
  o << "rows: " << t.row_count() << "\n";
  for (const auto& [status, count] : by_status) {
    std::string bits;
    if (status & kRowReplaced) bits += " replaced";
    if (status & kRowDeleted) bits += " deleted";
    if (status & kRowInserted) bits += " inserted";
    if (status & kRowModified) bits += " modified";
    o << "  status " << status
      << (bits.empty() ? " (unchanged since loading)" : " (" + bits.substr(1) + ")") << ": "
      << count << "\n";
  }
  o << "current records: " << current << "\n";
  return 0;
}

}  // namespace

VPACKET_COMMAND(info,
                "info FILE\n"
                "    Shows the packet's form, fields with type, size, attributes and\n"
                "    parameters, table parameters, rows counted by status, and the number of\n"
                "    current records.",
                RunInfo);
