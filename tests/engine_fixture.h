// Helpers shared by the engine tests: an article-shaped table built in memory,
// value makers, a reference key comparison written from the rules (not from
// the engine's code), and readers that list a cursor's whole view.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/cursor.h"
#include "engine/data_object.h"
#include "engine/ds_interfaces.h"
#include "engine/filter_program.h"
#include "engine/record_values.h"
#include "engine/table_data.h"

namespace engine_test {

using engine::FieldValue;
using engine::RecordBuffer;
using engine::TableData;

// Field numbers of the article table, 1-based.
enum : uint16_t {
  kAargang = 1,
  kNummer,
  kTitel,
  kTekst,
  kKategori,
  kStartSide,
  kSlutSide,
  kVProgrammer
};

inline engine::Param WidthParam(uint16_t width) {
  engine::Param p;
  p.name = "WIDTH";
  p.size = 2;
  p.type = 0x0002;
  p.raw = std::string{char(width & 0xFF), char(width >> 8)};
  return p;
}

inline engine::Param TextSubtype() {
  engine::Param p;
  p.name = "SUBTYPE";
  p.size = 2;
  p.type = 0x0049;
  p.raw = std::string("\x05\x00Text\0", 7);
  return p;
}

inline engine::FieldDef Field(std::string name, uint16_t size, uint16_t type,
                              std::vector<engine::Param> params = {}) {
  engine::FieldDef f;
  f.name = std::move(name);
  f.size = size;
  f.type = type;
  f.attrs = 0x0010;
  f.params = std::move(params);
  return f;
}

// The eight stored fields of the article table, no rows.
inline TableData ArticleTable() {
  TableData t;
  t.fields = {Field("Aargang", 4, 0x0001),
              Field("Nummer", 4, 0x0001),
              Field("Titel", 1, 0x0049, {WidthParam(80)}),
              Field("Tekst", 4, 0x004B, {TextSubtype()}),
              Field("Kategori", 1, 0x0049, {WidthParam(20)}),
              Field("StartSide", 4, 0x0001),
              Field("SlutSide", 4, 0x0001),
              Field("VProgrammer", 4, 0x004B, {TextSubtype()})};
  t.change_log_param_pos = 0;
  return t;
}

inline FieldValue Null() { return FieldValue{}; }
inline FieldValue Int(int64_t i) {
  FieldValue v;
  v.kind = FieldValue::Kind::kInt;
  v.i = i;
  return v;
}
inline FieldValue Str(std::string s) {
  FieldValue v;
  v.kind = FieldValue::Kind::kBytes;
  v.bytes = std::move(s);
  return v;
}

inline bool SameValue(const FieldValue& a, const FieldValue& b) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case FieldValue::Kind::kInt:
      return a.i == b.i;
    case FieldValue::Kind::kFloat:
      return a.f == b.f;
    case FieldValue::Kind::kBytes:
      return a.bytes == b.bytes;
    default:
      return true;
  }
}

inline bool SameRecord(const std::vector<FieldValue>& a, const std::vector<FieldValue>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!SameValue(a[i], b[i])) return false;
  }
  return true;
}

// Appends a row with its own values (no "unchanged" cells).
inline void AddRow(TableData* t, uint8_t status, const std::vector<FieldValue>& values) {
  t->status.push_back(status);
  for (size_t f = 0; f < t->fields.size(); ++f) {
    const FieldValue& v = values[f];
    if (v.kind == FieldValue::Kind::kNull) {
      t->cells.push_back(engine::Cell{});
    } else if (v.kind == FieldValue::Kind::kBytes) {
      t->cells.push_back(t->AddBytes(v.bytes));
    } else {
      engine::Cell c;
      c.data = uint64_t(v.i);
      c.blank = engine::kValue;
      t->cells.push_back(c);
    }
  }
}

inline std::vector<FieldValue> Article(FieldValue aargang, FieldValue nummer, FieldValue titel,
                                       FieldValue tekst = Null(), FieldValue kategori = Null()) {
  return {aargang, nummer, titel, tekst, kategori, Int(1), Int(2), Null()};
}

// Case folding as the order rules state it, for the reference comparison.
inline uint8_t RefFold(uint8_t c) {
  if (c >= 'A' && c <= 'Z') return uint8_t(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return uint8_t(c + 32);
  switch (c) {
    case 0x8A:
      return 0x9A;
    case 0x8C:
      return 0x9C;
    case 0x8E:
      return 0x9E;
    case 0x9F:
      return 0xFF;
    default:
      return c;
  }
}

struct RefKey {
  uint16_t field;  // 1-based
  bool descending = false;
  bool case_insensitive = false;
};

// Negative, zero or positive: reference comparison of two records on keys.
inline int RefCompare(const std::vector<FieldValue>& a, const std::vector<FieldValue>& b,
                      const std::vector<RefKey>& keys) {
  for (const RefKey& k : keys) {
    const FieldValue& x = a[k.field - 1];
    const FieldValue& y = b[k.field - 1];
    int c = 0;
    bool xn = x.kind == FieldValue::Kind::kNull, yn = y.kind == FieldValue::Kind::kNull;
    if (xn || yn) {
      c = int(yn) - int(xn);
    } else if (x.kind == FieldValue::Kind::kInt) {
      c = x.i < y.i ? -1 : x.i > y.i ? 1 : 0;
    } else {
      std::string s = x.bytes, t = y.bytes;
      if (k.case_insensitive) {
        for (char& ch : s) ch = char(RefFold(uint8_t(ch)));
        for (char& ch : t) ch = char(RefFold(uint8_t(ch)));
      }
      // Unsigned bytewise, shorter first on a common prefix.
      std::basic_string<unsigned char> us(s.begin(), s.end()), ut(t.begin(), t.end());
      c = us < ut ? -1 : ut < us ? 1 : 0;
    }
    if (c != 0) return k.descending ? -c : c;
  }
  return 0;
}

inline engine::IndexDesc MakeIndex(std::string name, const std::vector<RefKey>& keys,
                                   bool unique = false) {
  engine::IndexDesc d;
  d.name = std::move(name);
  for (const RefKey& k : keys) {
    d.fields.push_back(k.field);
    d.descending.push_back(k.descending);
    d.case_insensitive.push_back(k.case_insensitive);
  }
  d.unique = unique;
  return d;
}

// Every record of the cursor's view, first to last, read by stepping.
inline std::vector<std::vector<FieldValue>> ReadView(engine::IDSCursor* c) {
  std::vector<std::vector<FieldValue>> out;
  EXPECT_EQ(c->MoveToBOF(), engine::kDBOk);
  RecordBuffer buf;
  while (c->GetNextRecord(&buf) == engine::kDBOk) out.push_back(buf.values);
  return out;
}

// A loaded data object with one cursor on it.
struct Opened {
  std::unique_ptr<engine::IDSBase> base = engine::CreateDSBase();
  std::unique_ptr<engine::IDSCursor> cursor = engine::CreateDSCursor();
  engine::DBResult Load(TableData t) {
    engine::DBResult r = engine::LoadTableData(base.get(), std::move(t));
    if (r != engine::kDBOk) return r;
    return cursor->InitCursor(base.get());
  }
  std::string Error(engine::DBResult code) {
    std::string text;
    base->GetErrorString(code, &text);
    return text;
  }
};

// A filter that passes rows whose resolved integer field is even, or any row
// whose field is null when `null_passes`; stands in for a compiled filter.
class EvenFilter : public engine::FilterProgram {
 public:
  explicit EvenFilter(uint16_t field, bool null_passes = false)
      : field_(field), null_passes_(null_passes) {}
  void Select(const TableData& data, const std::vector<uint32_t>& replaces,
              engine::filter::ColumnCache& /*cache*/, const std::vector<uint32_t>& rows,
              std::vector<uint32_t>* out) const override {
    for (uint32_t r : rows) {
      if (Matches(data, replaces, r)) out->push_back(r);
    }
  }
  bool Matches(const TableData& data, const std::vector<uint32_t>& replaces,
               uint32_t row) const override {
    const engine::Cell& c = engine::ResolvedCell(data, replaces, row, field_ - 1);
    if (c.blank != engine::kValue) return null_passes_;
    return int64_t(c.data) % 2 == 0;
  }

 private:
  uint16_t field_;
  bool null_passes_;
};

}  // namespace engine_test
