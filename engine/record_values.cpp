// Field values of rows; see record_values.h.
#include "engine/record_values.h"

#include <cassert>
#include <cstring>
#include <limits>

#include "engine/coding.h"

namespace engine {
namespace {

coding::ByteReader ParamReader(const Param& p) {
  return coding::ByteReader(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(p.raw.data()), p.raw.size()));
}

const Param* FindFieldParam(const FieldDef& field, std::string_view name) {
  for (const Param& p : field.params) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

bool IsIntegerBase(uint16_t base) {
  return base == kBaseInt || base == kBaseUInt || base == kBaseBool || base == kBaseDate ||
         base == kBaseTime;
}

std::string FieldText(const FieldDef& field) { return "field '" + field.name + "'"; }

}  // namespace

const Cell& ResolvedCell(const TableData& data, const std::vector<uint32_t>& replaces, uint32_t row,
                         size_t field) {
  const Cell* c = &data.cell(row, field);
  while (c->blank == kUnchanged) {
    assert(replaces[row] != 0 && replaces[row] - 1 < row);
    row = replaces[row] - 1;
    c = &data.cell(row, field);
  }
  return *c;
}

FieldValue::Kind KindOfField(const FieldDef& field) {
  if (field.varying() || (field.type & kTypeArray)) return FieldValue::Kind::kBytes;
  switch (field.base()) {
    case kBaseFloat:
    case kBaseDateTime:
      return FieldValue::Kind::kFloat;
    case kBaseString:
    case kBaseBytes:
      return FieldValue::Kind::kBytes;
    default:
      return FieldValue::Kind::kInt;
  }
}

uint32_t FieldWidth(const FieldDef& field) {
  const Param* p = FindFieldParam(field, "WIDTH");
  if (p == nullptr || (p->type & (kTypeVarying | kTypeArray)) || p->size == 0 || p->size > 8)
    return 0;
  coding::ByteReader reader = ParamReader(*p);
  uint64_t v = 0;
  if (!reader.GetUInt(p->size, &v)) return 0;
  return v > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                  : uint32_t(v);
}

bool FieldIsMemo(const FieldDef& field) {
  const Param* p = FindFieldParam(field, "SUBTYPE");
  if (p == nullptr || !(p->type & kTypeVarying) || (p->type & kTypeArray) || p->size == 0 ||
      p->size > 8)
    return false;
  coding::ByteReader reader = ParamReader(*p);
  std::string_view text;
  if (!reader.GetLengthPrefixed(p->size, &text)) return false;
  // The text is stored with a terminating zero byte.
  while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
  return text == "Text";
}

FieldValue CellToValue(const TableData& data, const FieldDef& field, const Cell& cell) {
  assert(cell.blank != kUnchanged);
  FieldValue v;
  if (cell.blank != kValue) return v;
  v.kind = KindOfField(field);
  switch (v.kind) {
    case FieldValue::Kind::kBytes:
      if (field.varying()) v.bytes.assign(data.bytes(cell));
      break;
    case FieldValue::Kind::kFloat: {
      double d;
      static_assert(sizeof d == sizeof cell.data);
      std::memcpy(&d, &cell.data, sizeof d);
      v.f = d;
      break;
    }
    default:
      v.i = int64_t(cell.data);
      if (field.base() == kBaseBool) v.i = v.i != 0;
      break;
  }
  return v;
}

DBResult CheckValue(const FieldDef& field, const FieldValue& value, std::string* error) {
  auto refuse = [&](const std::string& why) {
    if (error) *error = "Value for " + FieldText(field) + " does not fit: " + why;
    return kDBValueDoesNotFit;
  };
  if (value.kind == FieldValue::Kind::kNull) return kDBOk;
  FieldValue::Kind want = KindOfField(field);
  if (value.kind != want) {
    static const char* kKindNames[] = {"null", "integer", "float", "text"};
    return refuse(std::string("a ") + kKindNames[int(value.kind)] +
                  " value where the field holds " + kKindNames[int(want)] + " values");
  }
  if (want == FieldValue::Kind::kBytes) {
    if (!field.varying()) return refuse("the field has no room for a varying value");
    uint32_t width = FieldWidth(field);
    if (field.base() == kBaseString && width != 0 && value.bytes.size() > width) {
      return refuse(std::to_string(value.bytes.size()) + " characters, at most " +
                    std::to_string(width) + " allowed");
    }
    uint64_t max_len = field.size >= 4 ? 0xFFFFFFFFull : (1ull << (8 * field.size)) - 1;
    if (field.size == 0 || value.bytes.size() > max_len) {
      return refuse(std::to_string(value.bytes.size()) + " bytes, at most " +
                    std::to_string(field.size == 0 ? 0 : max_len) + " allowed");
    }
    return kDBOk;
  }
  if (want == FieldValue::Kind::kInt && IsIntegerBase(field.base())) {
    int64_t lo, hi;
    if (field.base() == kBaseBool) {
      lo = std::numeric_limits<int64_t>::min();
      hi = std::numeric_limits<int64_t>::max();
    } else if (field.base() == kBaseUInt) {
      lo = 0;
      hi = field.size >= 8 ? std::numeric_limits<int64_t>::max()
                           : int64_t((1ull << (8 * field.size)) - 1);
    } else {
      size_t size = field.size == 0 || field.size > 8 ? 8 : field.size;
      hi = size >= 8 ? std::numeric_limits<int64_t>::max() : int64_t((1ull << (8 * size - 1)) - 1);
      lo = -hi - 1;
    }
    if (value.i < lo || value.i > hi) {
      return refuse(std::to_string(value.i) + " is outside " + std::to_string(lo) + " to " +
                    std::to_string(hi));
    }
  }
  return kDBOk;
}

Cell ValueToCell(TableData* data, const FieldDef& field, const FieldValue& value) {
  Cell c;
  switch (value.kind) {
    case FieldValue::Kind::kNull:
      c.blank = kNull;
      return c;
    case FieldValue::Kind::kBytes:
      return data->AddBytes(value.bytes);
    case FieldValue::Kind::kFloat:
      std::memcpy(&c.data, &value.f, sizeof c.data);
      break;
    case FieldValue::Kind::kInt:
      c.data = uint64_t(field.base() == kBaseBool ? int64_t(value.i != 0) : value.i);
      break;
  }
  c.blank = kValue;
  return c;
}

bool CellEquals(const TableData& data, const FieldDef& field, const Cell& cell,
                const FieldValue& value) {
  if (cell.blank != kValue || value.kind == FieldValue::Kind::kNull)
    return cell.blank != kValue && value.kind == FieldValue::Kind::kNull;
  FieldValue have = CellToValue(data, field, cell);
  if (have.kind != value.kind) return false;
  switch (have.kind) {
    case FieldValue::Kind::kBytes:
      return have.bytes == value.bytes;
    case FieldValue::Kind::kFloat:
      return std::memcmp(&have.f, &value.f, sizeof have.f) == 0;
    case FieldValue::Kind::kInt:
      return have.i == value.i;
    default:
      return true;
  }
}

}  // namespace engine
