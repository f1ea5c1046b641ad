// Shared packet rules: field type names, parameter shapes, change-log checks.
#include "engine/packet_rules.h"

#include <cstdio>
#include <cstring>
#include <span>

#include "engine/coding.h"

namespace engine::packet {
namespace {

struct TypeName {
  const char* name;
  uint16_t type;
  uint16_t size;  // 0: varying, any prefix width of 1, 2 or 4 bytes
};

constexpr TypeName kTypeNames[] = {
    {"i1", kBaseInt, 1},
    {"i2", kBaseInt, 2},
    {"i4", kBaseInt, 4},
    {"i8", kBaseInt, 8},
    {"ui1", kBaseUInt, 1},
    {"ui2", kBaseUInt, 2},
    {"ui4", kBaseUInt, 4},
    {"r8", kBaseFloat, 8},
    {"boolean", kBaseBool, 2},
    {"date", kBaseDate, 4},
    {"time", kBaseTime, 4},
    {"dateTime", kBaseDateTime, 8},
    {"string", kBaseString | kTypeVarying, 0},
    {"bin.hex", kBaseBytes | kTypeVarying, 0},
};

bool ValidPrefixSize(uint16_t size) { return size == 1 || size == 2 || size == 4; }

std::string Num(uint64_t v) { return std::to_string(v); }

}  // namespace

const char* FieldTypeName(uint16_t type, uint16_t size) {
  for (const TypeName& t : kTypeNames) {
    if (t.type != type) continue;
    if (t.size == 0 ? ValidPrefixSize(size) : t.size == size) return t.name;
  }
  return nullptr;
}

bool FieldTypeFromName(std::string_view name, uint16_t* type, uint16_t* size) {
  for (const TypeName& t : kTypeNames) {
    if (name == t.name) {
      *type = t.type;
      *size = t.size;
      return true;
    }
  }
  return false;
}

uint64_t FieldWidthParam(const FieldDef& field) {
  for (const Param& p : field.params) {
    if (p.name != "WIDTH") continue;
    const uint16_t base = p.type & kTypeBaseMask;
    if ((p.type & (kTypeVarying | kTypeArray)) != 0 || (base != kBaseInt && base != kBaseUInt) ||
        p.size < 1 || p.size > 8 || p.raw.size() != p.size) {
      return 0;
    }
    const uint64_t v = coding::DecodeUInt(reinterpret_cast<const uint8_t*>(p.raw.data()), p.size);
    if (base == kBaseInt && coding::SignExtend(v, p.size) < 0) return 0;
    return v;
  }
  return 0;
}

std::string_view VaryingParamBytes(const Param& p) {
  return std::string_view(p.raw).substr(p.size);
}

bool IsTextBlock(const FieldDef& field) {
  if (field.type != (kBaseBytes | kTypeVarying)) return false;
  for (const Param& p : field.params) {
    if (p.name != "SUBTYPE") continue;
    if ((p.type & kTypeVarying) == 0 || (p.type & kTypeArray) != 0 || !ParamShapeError(p).empty()) {
      return false;
    }
    std::string_view v = VaryingParamBytes(p);
    if (!v.empty() && v.back() == '\0') v.remove_suffix(1);
    return v == "Text";
  }
  return false;
}

std::string ParamShapeError(const Param& p) {
  const auto* raw = reinterpret_cast<const uint8_t*>(p.raw.data());
  if ((p.type & kTypeArray) != 0) {
    if ((p.type & kTypeVarying) != 0) return "an array of varying values is not supported";
    if (p.size == 0) return "array element size 0";
    if (p.raw.size() < 4) return "array without its element count";
    const uint64_t count = coding::DecodeUInt(raw, 4);
    if (count * p.size != p.raw.size() - 4) {
      return "array of " + Num(count) + " elements of " + Num(p.size) + " bytes holds " +
             Num(p.raw.size() - 4) + " bytes";
    }
    return {};
  }
  if ((p.type & kTypeVarying) != 0) {
    if (!ValidPrefixSize(p.size)) return "length prefix of " + Num(p.size) + " bytes";
    if (p.raw.size() < p.size) return "varying value without its length";
    const uint64_t len = coding::DecodeUInt(raw, p.size);
    if (len != p.raw.size() - p.size) {
      return "length " + Num(len) + " but " + Num(p.raw.size() - p.size) + " bytes";
    }
    return {};
  }
  if (p.raw.size() != p.size) {
    return "value of " + Num(p.raw.size()) + " bytes for size " + Num(p.size);
  }
  return {};
}

DBResult CheckChangeLog(const TableData& data, std::string* error) {
  const std::vector<uint32_t>& log = data.change_log;
  const size_t rows = data.row_count();
  if (log.size() % 3 != 0) {
    *error = "CHANGE_LOG holds " + Num(log.size()) + " numbers, not a multiple of three";
    return kDBBadChangeLog;
  }
  std::vector<uint32_t> replaces(rows, 0);
  for (size_t i = 0; i < log.size(); i += 3) {
    const uint32_t rec = log[i], old = log[i + 1], kind = log[i + 2];
    const std::string where = "CHANGE_LOG entry " + Num(i / 3 + 1) + " (" + Num(rec) + " " +
                              Num(old) + " " + Num(kind) + "): ";
    if (rec == 0 || rec > rows) {
      *error =
          where + "record " + Num(rec) + " does not exist (the packet has " + Num(rows) + " rows)";
      return kDBBadChangeLog;
    }
    if (old > rows) {
      *error = where + "replaced record " + Num(old) + " does not exist (the packet has " +
               Num(rows) + " rows)";
      return kDBBadChangeLog;
    }
    if (old != 0 && old >= rec) {
      *error = where + "a record can only replace an older one";
      return kDBBadChangeLog;
    }
    if (kind != kChangeInserted && kind != kChangeModified && kind != kChangeDeleted) {
      *error = where + "unknown kind of change " + Num(kind);
      return kDBBadChangeLog;
    }
    if (old != 0) {
      if (replaces[rec - 1] != 0 && replaces[rec - 1] != old) {
        *error =
            where + "record " + Num(rec) + " already replaces record " + Num(replaces[rec - 1]);
        return kDBBadChangeLog;
      }
      replaces[rec - 1] = old;
    }
  }
  const size_t nf = data.field_count();
  for (size_t r = 0; r < rows; ++r) {
    if (replaces[r] != 0) continue;
    for (size_t f = 0; f < nf; ++f) {
      if (data.cells[r * nf + f].blank == kUnchanged) {
        *error = "row " + Num(r + 1) + ", field '" + Printable(data.fields[f].name) +
                 "': marked unchanged, but the change log names no row it replaces";
        return kDBCorruptPacket;
      }
    }
  }
  return kDBOk;
}

void AppendHex(std::string_view bytes, std::string* out) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const size_t at = out->size();
  out->resize(at + 2 * bytes.size());
  char* p = out->data() + at;
  for (unsigned char c : bytes) {
    *p++ = kDigits[c >> 4];
    *p++ = kDigits[c & 15];
  }
}

bool DecodeHex(std::string_view hex, std::string* out) {
  if (hex.size() % 2 != 0) return false;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  out->reserve(out->size() + hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = digit(hex[i]), lo = digit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi * 16 + lo));
  }
  return true;
}

std::string Printable(std::string_view bytes) {
  std::string out;
  size_t n = 0;
  for (unsigned char c : bytes) {
    if (++n > 40) {
      out += "...";
      break;
    }
    if ((c >= 0x20 && c < 0x7F && c != '\\') || c >= 0xA0) {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

}  // namespace engine::packet
