// Binary data packet reader and writer.
//
// Sections: parameter coding, reading (header, field descriptors, table
// parameters, rows), writing (the same in reverse; rows are sized first and
// then filled through one pointer, which is what makes writing fast).
#include "engine/binary_packet.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/coding.h"
#include "engine/packet_form.h"
#include "engine/packet_rules.h"
#include "platform/memory_hint.h"

namespace engine {
namespace {

using coding::ByteReader;
using packet::Printable;

constexpr uint32_t kMaxFields = 0xFFFF;

std::string Hex4(uint16_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%04X", v);
  return buf;
}
std::string Num(uint64_t v) { return std::to_string(v); }

DBResult Fail(DBResult code, std::string* error, const std::string& text) {
  *error = "Binary packet: " + text;
  return code;
}

// ---- Parameters ----------------------------------------------------------

// Reads one parameter (name, size, type, value) at the reader's position.
// `what` names the owner for messages ("field 'X'" or "table").
DBResult ReadParam(ByteReader* r, const std::string& what, Param* p, std::string* error) {
  const size_t start = r->pos();
  auto truncated = [&](const char* part) {
    return Fail(kDBCorruptPacket, error,
                "truncated in a parameter of " + what + " (" + part + ") at offset " +
                    Num(r->pos()) + "; the packet ends at " + Num(r->size()));
  };
  uint8_t name_len = 0;
  std::string_view name;
  if (!r->GetFixed8(&name_len)) return truncated("name length");
  if (!r->GetBytes(name_len, &name)) return truncated("name");
  p->name.assign(name);
  if (!r->GetFixed16(&p->size) || !r->GetFixed16(&p->type)) return truncated("size and type");
  const size_t value_start = r->pos();
  const std::string where =
      "parameter '" + Printable(p->name) + "' of " + what + " at offset " + Num(start);
  if ((p->type & kTypeArray) != 0) {
    uint32_t count = 0;
    if (!r->GetFixed32(&count)) return truncated("array count");
    if ((p->type & kTypeVarying) != 0 || p->size == 0) {
      return Fail(kDBCorruptPacket, error,
                  where + ": unsupported array type " + Hex4(p->type) + " size " + Num(p->size));
    }
    const uint64_t bytes = uint64_t{count} * p->size;
    if (bytes > r->remaining() || !r->Skip(static_cast<size_t>(bytes))) {
      return Fail(kDBCorruptPacket, error,
                  where + ": array of " + Num(count) + " elements of " + Num(p->size) +
                      " bytes runs past the end of the packet");
    }
  } else if ((p->type & kTypeVarying) != 0) {
    if (p->size != 1 && p->size != 2 && p->size != 4) {
      return Fail(kDBCorruptPacket, error, where + ": length prefix of " + Num(p->size) + " bytes");
    }
    std::string_view v;
    if (!r->GetLengthPrefixed(p->size, &v)) {
      return Fail(kDBCorruptPacket, error, where + ": value runs past the end of the packet");
    }
  } else {
    if (!r->Skip(p->size)) {
      return Fail(kDBCorruptPacket, error,
                  where + ": value of " + Num(p->size) + " bytes runs past the end of the packet");
    }
  }
  p->raw.assign(reinterpret_cast<const char*>(r->here()) - (r->pos() - value_start),
                r->pos() - value_start);
  return kDBOk;
}

void WriteParam(const Param& p, std::string* out) {
  coding::PutFixed8(out, static_cast<uint8_t>(p.name.size()));
  out->append(p.name);
  coding::PutFixed16(out, p.size);
  coding::PutFixed16(out, p.type);
  out->append(p.raw);
}

DBResult CheckParamForWrite(const Param& p, const std::string& what, std::string* error) {
  if (p.name.size() > 255) {
    return Fail(kDBCannotWritePacket, error,
                "parameter name of " + what + " is longer than 255 bytes");
  }
  const std::string shape = packet::ParamShapeError(p);
  if (!shape.empty()) {
    return Fail(kDBCannotWritePacket, error,
                "parameter '" + Printable(p.name) + "' of " + what + ": " + shape);
  }
  return kDBOk;
}

// How a field's value is stored, prepared once per field for the row loops.
struct FieldPlan {
  uint16_t size = 0;
  bool varying = false;
  bool is_signed = false;  // sign-extend fixed values into Cell::data
  uint64_t max_len = 0;    // varying: WIDTH for strings, else the prefix's limit
};

std::vector<FieldPlan> PlanFields(const TableData& data) {
  std::vector<FieldPlan> plans;
  plans.reserve(data.fields.size());
  for (const FieldDef& f : data.fields) {
    FieldPlan p;
    p.size = f.size;
    p.varying = f.varying();
    const uint16_t base = f.base();
    p.is_signed = !p.varying && (base == kBaseInt || base == kBaseDate || base == kBaseTime);
    if (p.varying) {
      p.max_len = coding::MaxPrefixedLength(f.size);
      const uint64_t width = base == kBaseString ? packet::FieldWidthParam(f) : 0;
      if (width != 0 && width < p.max_len) p.max_len = width;
    }
    plans.push_back(p);
  }
  return plans;
}

// ---- Reading -------------------------------------------------------------

// The fewest bytes a field descriptor and a parameter can take; counts are
// checked against them before anything is allocated for them.
constexpr size_t kMinDescriptorBytes = 1 + 2 + 2 + 2 + 2;
constexpr size_t kMinParamBytes = 1 + 2 + 2;

DBResult ReadFields(ByteReader* r, uint16_t count, TableData* out, std::string* error) {
  if (size_t{count} * kMinDescriptorBytes > r->remaining()) {
    return Fail(kDBCorruptPacket, error,
                "the header announces " + Num(count) + " field descriptors, more than the " +
                    Num(r->remaining()) + " bytes from offset " + Num(r->pos()) + " can hold");
  }
  out->fields.resize(count);
  for (uint16_t i = 0; i < count; ++i) {
    FieldDef& f = out->fields[i];
    const size_t start = r->pos();
    const std::string nth = "field descriptor " + Num(i + 1) + " at offset " + Num(start);
    uint8_t name_len = 0;
    std::string_view name;
    uint16_t param_count = 0;
    if (!r->GetFixed8(&name_len) || !r->GetBytes(name_len, &name) || !r->GetFixed16(&f.size) ||
        !r->GetFixed16(&f.type) || !r->GetFixed16(&f.attrs) || !r->GetFixed16(&param_count)) {
      return Fail(kDBCorruptPacket, error,
                  "truncated in " + nth + "; the packet ends at " + Num(r->size()));
    }
    f.name.assign(name);
    if (f.name.empty()) return Fail(kDBCorruptPacket, error, nth + " has no name");
    if (packet::FieldTypeName(f.type, f.size) == nullptr) {
      return Fail(kDBUnknownFieldType, error,
                  "field '" + Printable(f.name) + "' (" + nth + ") has unknown type " +
                      Hex4(f.type) + " with size " + Num(f.size));
    }
    const std::string what = "field '" + Printable(f.name) + "'";
    if (size_t{param_count} * kMinParamBytes > r->remaining()) {
      return Fail(kDBCorruptPacket, error,
                  what + " announces " + Num(param_count) + " parameters, more than the " +
                      Num(r->remaining()) + " bytes from offset " + Num(r->pos()) + " can hold");
    }
    f.params.resize(param_count);
    for (Param& p : f.params) {
      if (DBResult rc = ReadParam(r, what, &p, error); rc != kDBOk) return rc;
    }
  }
  return kDBOk;
}

DBResult ReadTableParams(ByteReader* r, TableData* out, std::string* error) {
  uint16_t count = 0;
  if (!r->GetFixed16(&count)) {
    return Fail(kDBCorruptPacket, error,
                "truncated at the table parameter count at offset " + Num(r->pos()));
  }
  for (uint16_t i = 0; i < count; ++i) {
    const size_t start = r->pos();
    Param p;
    if (DBResult rc = ReadParam(r, "the table", &p, error); rc != kDBOk) return rc;
    if (p.name != "CHANGE_LOG") {
      out->params.push_back(std::move(p));
      continue;
    }
    if (out->change_log_param_pos >= 0) {
      return Fail(kDBBadChangeLog, error, "a second CHANGE_LOG at offset " + Num(start));
    }
    if (p.type != (kBaseUInt | kTypeArray) || p.size != 4) {
      return Fail(kDBBadChangeLog, error,
                  "CHANGE_LOG at offset " + Num(start) + " has type " + Hex4(p.type) + " size " +
                      Num(p.size) + ", not an array of 4-byte unsigned integers");
    }
    out->change_log_param_pos = static_cast<int>(out->params.size());
    const auto* raw = reinterpret_cast<const uint8_t*>(p.raw.data());
    const size_t n = coding::DecodeUInt(raw, 4);
    out->change_log.resize(n);
    for (size_t k = 0; k < n; ++k) {
      out->change_log[k] = static_cast<uint32_t>(coding::DecodeUInt(raw + 4 + 4 * k, 4));
    }
  }
  return kDBOk;
}

DBResult ReadRows(ByteReader* r, uint32_t row_count, TableData* out, std::string* error,
                  bool values_in_place) {
  const size_t nf = out->fields.size();
  const size_t blank_bytes = (nf * 2 + 7) / 8;
  // Every row needs at least its status and blank codes; a count that cannot
  // fit is refused before anything is allocated for it.
  if (uint64_t{row_count} * (1 + blank_bytes) > r->remaining()) {
    return Fail(kDBCorruptPacket, error,
                "the header announces " + Num(row_count) + " rows, more than the " +
                    Num(r->remaining()) + " bytes from offset " + Num(r->pos()) + " can hold");
  }
  const std::vector<FieldPlan> plans = PlanFields(*out);
  out->status.resize(row_count);
  // The cells are most of what a large packet's read allocates: their
  // pages are faulted in ahead, in two threads, before they are written.
  out->cells.reserve(size_t{row_count} * nf);
  platform::PrefaultForWrite(out->cells.data(), out->cells.capacity() * sizeof(Cell));
  out->cells.resize(size_t{row_count} * nf);
  if (!values_in_place) out->heap.reserve(r->remaining());
  Cell* cell = out->cells.data();
  // The rows are read front to back but with long values jumped over, so
  // the hardware does not fetch ahead on its own and every row would wait
  // for memory at its start: the packet's bytes are fetched a stretch
  // ahead of the reading place instead, every line of them.
  constexpr size_t kFetchAhead = 8192;
  size_t fetched = r->pos();
  for (uint32_t row = 0; row < row_count; ++row) {
    const size_t row_start = r->pos();
    for (const size_t until = std::min(row_start + kFetchAhead, r->size()); fetched < until;
         fetched += 64)
      __builtin_prefetch(r->here() - row_start + fetched);
    auto where = [&](size_t f) {
      return "row " + Num(row + 1) + " (starting at offset " + Num(row_start) + "), field '" +
             Printable(out->fields[f].name) + "'";
    };
    uint8_t status = 0;
    std::string_view blanks;
    if (!r->GetFixed8(&status) || !r->GetBytes(blank_bytes, &blanks)) {
      return Fail(
          kDBCorruptPacket, error,
          "truncated in the status of row " + Num(row + 1) + " at offset " + Num(row_start));
    }
    if ((status & ~0x0F) != 0) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "0x%02X", status);
      return Fail(kDBCorruptPacket, error,
                  "row " + Num(row + 1) + " at offset " + Num(row_start) +
                      " has invalid status bits " + buf);
    }
    out->status[row] = status;
    // The last blank-code byte's bits past the last field carry nothing; set
    // ones would be lost on the way to XML and back, so they are refused.
    if (nf % 4 != 0) {
      const auto unused =
          static_cast<uint8_t>(static_cast<uint8_t>(blanks.back()) >> (2 * (nf % 4)));
      if (unused != 0) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "0x%02X", static_cast<uint8_t>(blanks.back()));
        return Fail(kDBCorruptPacket, error,
                    "row " + Num(row + 1) + " at offset " + Num(row_start) +
                        ": unused bits set in its last blank-code byte " + buf);
      }
    }
    for (size_t f = 0; f < nf; ++f, ++cell) {
      const uint8_t code = (static_cast<uint8_t>(blanks[f / 4]) >> (2 * (f % 4))) & 3;
      if (code == 3) {
        return Fail(kDBCorruptPacket, error, where(f) + ": invalid blank code 3");
      }
      cell->blank = code;
      if (code != kValue) continue;
      const FieldPlan& plan = plans[f];
      const size_t value_at = r->pos();
      uint64_t v = 0;
      if (!r->GetUInt(plan.size, &v)) {
        return Fail(kDBCorruptPacket, error,
                    where(f) + ": truncated at offset " + Num(value_at) + " (" + Num(plan.size) +
                        " bytes needed, " + Num(r->remaining()) + " left)");
      }
      if (!plan.varying) {
        cell->data = plan.is_signed ? static_cast<uint64_t>(coding::SignExtend(v, plan.size)) : v;
        continue;
      }
      std::string_view bytes;
      if (v > r->remaining() || !r->GetBytes(static_cast<size_t>(v), &bytes)) {
        return Fail(kDBCorruptPacket, error,
                    where(f) + ": value of " + Num(v) + " bytes at offset " + Num(value_at) +
                        " runs past the end of the packet (" + Num(r->remaining()) +
                        " bytes left)");
      }
      if (v > plan.max_len) {
        return Fail(kDBValueDoesNotFit, error,
                    where(f) + ": value of " + Num(v) + " characters is longer than its WIDTH " +
                        Num(plan.max_len));
      }
      cell->len = static_cast<uint32_t>(v);
      if (values_in_place) {
        cell->data = r->pos() - bytes.size();  // the value stays where it stands
      } else {
        cell->data = out->heap.size();
        out->heap.append(bytes.data(), bytes.size());
      }
    }
  }
  return kDBOk;
}

// ---- Writing -------------------------------------------------------------

DBResult CheckCellForWrite(const TableData& data, const std::vector<FieldPlan>& plans, size_t row,
                           size_t f, const Cell& c, std::string* error) {
  if (c.blank > kUnchanged) {
    return Fail(kDBCannotWritePacket, error,
                "row " + Num(row + 1) + ", field '" + Printable(data.fields[f].name) +
                    "': invalid blank code " + Num(c.blank));
  }
  if (c.blank == kValue && plans[f].varying && c.len > coding::MaxPrefixedLength(plans[f].size)) {
    return Fail(kDBCannotWritePacket, error,
                "row " + Num(row + 1) + ", field '" + Printable(data.fields[f].name) +
                    "': value of " + Num(c.len) + " bytes does not fit a " + Num(plans[f].size) +
                    "-byte length");
  }
  return kDBOk;
}

}  // namespace

DBResult ReadBinaryPacket(std::span<const uint8_t> packet, TableData* out, std::string* error,
                          bool values_in_place) {
  *out = TableData{};
  ByteReader r(packet);
  std::string_view sig;
  uint32_t header_len = 0, row_count = 0;
  uint16_t field_count = 0, row_offset = 0;
  if (!r.GetBytes(4, &sig) || PacketFormOfContent(sig) != PacketForm::kBinary) {
    return Fail(kDBCorruptPacket, error, "the signature 96 19 E0 BD is missing");
  }
  if (!r.GetFixed32(&out->header_word1) || !r.GetFixed32(&header_len) ||
      !r.GetFixed16(&field_count) || !r.GetFixed32(&row_count) ||
      !r.GetFixed32(&out->header_word2) || !r.GetFixed16(&row_offset)) {
    return Fail(kDBCorruptPacket, error,
                "truncated header: 24 bytes needed, " + Num(packet.size()) + " present");
  }
  std::string_view extra;
  if (header_len < kBinaryHeaderSize || header_len > packet.size() ||
      !r.GetBytes(header_len - kBinaryHeaderSize, &extra)) {
    return Fail(
        kDBCorruptPacket, error,
        "header length " + Num(header_len) + " at offset 8 is outside 24.." + Num(packet.size()));
  }
  out->header_extra.assign(extra);

  if (DBResult rc = ReadFields(&r, field_count, out, error); rc != kDBOk) return rc;
  if (DBResult rc = ReadTableParams(&r, out, error); rc != kDBOk) return rc;

  std::string_view gap;
  if (row_offset < r.pos() || row_offset > packet.size() ||
      !r.GetBytes(row_offset - r.pos(), &gap)) {
    return Fail(kDBCorruptPacket, error,
                "the first row's offset " + Num(row_offset) +
                    " (header offset 22) is not between "
                    "the end of the parameters at " +
                    Num(r.pos()) + " and the end of the packet at " + Num(packet.size()));
  }
  out->row_gap.assign(gap);

  if (DBResult rc = ReadRows(&r, row_count, out, error, values_in_place); rc != kDBOk) return rc;
  if (!r.at_end()) {
    return Fail(kDBCorruptPacket, error,
                Num(r.remaining()) + " bytes follow the last row at offset " + Num(r.pos()));
  }
  std::string text;
  if (DBResult rc = packet::CheckChangeLog(*out, &text); rc != kDBOk) {
    return Fail(rc, error, text);
  }
  return kDBOk;
}

DBResult WriteBinaryPacket(const TableData& data, std::string* out, std::string* error) {
  out->clear();
  const size_t nf = data.fields.size();
  if (nf > kMaxFields) return Fail(kDBCannotWritePacket, error, "more than 65535 fields");
  if (data.row_count() > UINT32_MAX) {
    return Fail(kDBCannotWritePacket, error, "more than 4294967295 rows");
  }
  const size_t extra_params = data.change_log_param_pos >= 0 || !data.change_log.empty();
  if (data.params.size() + extra_params > 0xFFFF) {
    return Fail(kDBCannotWritePacket, error, "more than 65535 table parameters");
  }

  std::string head;
  head.append(reinterpret_cast<const char*>(kBinarySignature), 4);
  coding::PutFixed32(&head, data.header_word1);
  coding::PutFixed32(&head, static_cast<uint32_t>(kBinaryHeaderSize + data.header_extra.size()));
  coding::PutFixed16(&head, static_cast<uint16_t>(nf));
  coding::PutFixed32(&head, static_cast<uint32_t>(data.row_count()));
  coding::PutFixed32(&head, data.header_word2);
  coding::PutFixed16(&head, 0);  // first row's offset, filled in below
  head.append(data.header_extra);

  for (const FieldDef& f : data.fields) {
    const std::string what = "field '" + Printable(f.name) + "'";
    if (f.name.empty() || f.name.size() > 255) {
      return Fail(kDBCannotWritePacket, error, what + ": a name must have 1 to 255 bytes");
    }
    if (packet::FieldTypeName(f.type, f.size) == nullptr) {
      return Fail(kDBCannotWritePacket, error,
                  what + " has unknown type " + Hex4(f.type) + " with size " + Num(f.size));
    }
    if (f.params.size() > 0xFFFF) {
      return Fail(kDBCannotWritePacket, error, what + " has more than 65535 parameters");
    }
    coding::PutFixed8(&head, static_cast<uint8_t>(f.name.size()));
    head.append(f.name);
    coding::PutFixed16(&head, f.size);
    coding::PutFixed16(&head, f.type);
    coding::PutFixed16(&head, f.attrs);
    coding::PutFixed16(&head, static_cast<uint16_t>(f.params.size()));
    for (const Param& p : f.params) {
      if (DBResult rc = CheckParamForWrite(p, what, error); rc != kDBOk) return rc;
      WriteParam(p, &head);
    }
  }

  coding::PutFixed16(&head, static_cast<uint16_t>(data.params.size() + extra_params));
  const size_t log_pos = data.change_log_param_pos < 0
                             ? data.params.size()
                             : std::min<size_t>(data.change_log_param_pos, data.params.size());
  for (size_t i = 0; i <= data.params.size(); ++i) {
    if (extra_params && i == log_pos) {
      if (data.change_log.size() > UINT32_MAX) {
        return Fail(kDBCannotWritePacket, error, "CHANGE_LOG too long");
      }
      Param log{"CHANGE_LOG", 4, kBaseUInt | kTypeArray, {}};
      WriteParam(log, &head);
      coding::PutFixed32(&head, static_cast<uint32_t>(data.change_log.size()));
      const size_t at = head.size();
      head.resize(at + 4 * data.change_log.size());
      for (size_t k = 0; k < data.change_log.size(); ++k) {
        coding::EncodeUInt(head.data() + at + 4 * k, data.change_log[k], 4);
      }
    }
    if (i == data.params.size()) break;
    if (DBResult rc = CheckParamForWrite(data.params[i], "the table", error); rc != kDBOk) {
      return rc;
    }
    WriteParam(data.params[i], &head);
  }
  head.append(data.row_gap);
  if (head.size() > 0xFFFF) {
    return Fail(kDBCannotWritePacket, error,
                "the rows would start at offset " + Num(head.size()) +
                    ", beyond the 16-bit offset field of the header (the change log or the "
                    "parameters are too long for the binary form)");
  }
  coding::EncodeUInt(head.data() + 22, head.size(), 2);

  // Size the rows exactly, then fill them through one pointer.
  const std::vector<FieldPlan> plans = PlanFields(data);
  const size_t blank_bytes = (nf * 2 + 7) / 8;
  size_t total = head.size() + data.row_count() * (1 + blank_bytes);
  const Cell* cell = data.cells.data();
  for (size_t row = 0; row < data.row_count(); ++row) {
    for (size_t f = 0; f < nf; ++f, ++cell) {
      if (cell->blank != kValue) {
        if (cell->blank > kUnchanged) return CheckCellForWrite(data, plans, row, f, *cell, error);
        continue;
      }
      total += plans[f].size;
      if (plans[f].varying) {
        if (DBResult rc = CheckCellForWrite(data, plans, row, f, *cell, error); rc != kDBOk) {
          return rc;
        }
        total += cell->len;
      }
    }
  }
  out->resize(total);
  char* p = out->data();
  coding::CopyBytes(p, head.data(), head.size());
  p += head.size();
  cell = data.cells.data();
  const char* heap = data.heap.data();
  for (size_t row = 0; row < data.row_count(); ++row) {
    *p++ = static_cast<char>(data.status[row]);
    char* blanks = p;
    std::memset(blanks, 0, blank_bytes);
    p += blank_bytes;
    for (size_t f = 0; f < nf; ++f, ++cell) {
      if (cell->blank != kValue) {
        blanks[f / 4] = static_cast<char>(blanks[f / 4] | (cell->blank << (2 * (f % 4))));
        continue;
      }
      const FieldPlan& plan = plans[f];
      if (!plan.varying) {
        coding::EncodeUInt(p, cell->data, plan.size);
        p += plan.size;
      } else {
        coding::EncodeUInt(p, cell->len, plan.size);
        p += plan.size;
        coding::CopyBytes(p, heap + cell->data, cell->len);
        p += cell->len;
      }
    }
  }
  return kDBOk;
}

}  // namespace engine
