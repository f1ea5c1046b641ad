// Sample packets for the packet tests, the packet benchmark and the seed
// corpora: an article table shaped like the shipped one (eight fields,
// inserted, modified and deleted rows, a change log, memo text with CR LF and
// Windows-1252 letters), built from a fixed seed so runs are repeatable.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "engine/coding.h"
#include "engine/table_data.h"

namespace packet_samples {

inline engine::Param WidthParam(uint16_t width) {
  engine::Param p{"WIDTH", 2, engine::kBaseUInt, {}};
  engine::coding::PutFixed16(&p.raw, width);
  return p;
}

inline engine::Param SubtypeText() {
  engine::Param p{"SUBTYPE", 2, engine::kBaseString | engine::kTypeVarying, {}};
  engine::coding::PutLengthPrefixed(&p.raw, std::string("Text", 5), 2);
  return p;
}

// The eight article fields in packet order.
inline void AddArticleFields(engine::TableData* t) {
  using engine::FieldDef;
  const uint16_t i4 = engine::kBaseInt, str = engine::kBaseString | engine::kTypeVarying,
                 memo = engine::kBaseBytes | engine::kTypeVarying;
  t->fields = {
      FieldDef{"Aargang", 4, i4, 0x10, {}},
      FieldDef{"Nummer", 4, i4, 0x10, {}},
      FieldDef{"Titel", 1, str, 0x10, {WidthParam(80)}},
      FieldDef{"Tekst", 4, memo, 0x10, {SubtypeText()}},
      FieldDef{"Kategori", 1, str, 0x10, {WidthParam(20)}},
      FieldDef{"StartSide", 4, i4, 0x10, {}},
      FieldDef{"SlutSide", 4, i4, 0x10, {}},
      FieldDef{"VProgrammer", 4, memo, 0x10, {SubtypeText()}},
  };
}

inline std::string RandomText(std::mt19937* rng, size_t len, bool lines) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz \xE6\xF8\xE5\xC6\xD8\xC5\xE4\xF6";
  std::string s;
  s.reserve(len);
  for (size_t i = 0; i < len; ++i) {
    if (lines && i % 80 == 79 && i + 2 < len) {
      s += "\r\n";
      ++i;
      continue;
    }
    s.push_back(kLetters[(*rng)() % (sizeof kLetters - 1)]);
  }
  return s;
}

// Appends one current article row (status `status`) with random values.
inline void AddArticleRow(engine::TableData* t, std::mt19937* rng, uint8_t status, size_t title_len,
                          size_t text_len) {
  using engine::Cell;
  t->status.push_back(status);
  auto num = [](int64_t v) {
    Cell c;
    c.data = static_cast<uint64_t>(v);
    c.blank = engine::kValue;
    return c;
  };
  static const char* kCategories[] = {"Artikel", "Test", "V-CD", "Nyheder", "Tips & tricks"};
  const int start = static_cast<int>((*rng)() % 100) + 1;
  t->cells.push_back(num(1995 + (*rng)() % 10));
  t->cells.push_back(num(1 + (*rng)() % 12));
  t->cells.push_back(t->AddBytes(RandomText(rng, title_len, false)));
  t->cells.push_back(t->AddBytes(RandomText(rng, text_len, true)));
  t->cells.push_back(t->AddBytes(kCategories[(*rng)() % 5]));
  t->cells.push_back(num(start));
  t->cells.push_back(num(start + static_cast<int>((*rng)() % 8)));
  Cell null_cell;
  t->cells.push_back((*rng)() % 3 == 0 ? t->AddBytes("prog.exe \"quoted\" <x>") : null_cell);
}

// A table of `rows` plain articles (status 0, no change log).
inline engine::TableData Articles(size_t rows, size_t title_len = 40, size_t text_len = 600,
                                  uint32_t seed = 1) {
  engine::TableData t;
  AddArticleFields(&t);
  std::mt19937 rng(seed);
  t.status.reserve(rows);
  t.cells.reserve(rows * 8);
  t.heap.reserve(rows * (title_len + text_len + 20));
  for (size_t i = 0; i < rows; ++i) AddArticleRow(&t, &rng, 0, title_len, text_len);
  return t;
}

// A small table with history: inserted rows, a modified row whose memos are
// "unchanged", a deleted row, nulls and empty strings, and its change log.
inline engine::TableData ArticlesWithHistory() {
  engine::TableData t;
  AddArticleFields(&t);
  std::mt19937 rng(7);
  for (int i = 0; i < 4; ++i) AddArticleRow(&t, &rng, engine::kRowInserted, 20, 100);
  t.cell(0, 7) = t.AddBytes("prog.exe \"quoted\" <x>");
  t.change_log = {1, 0, 4, 2, 0, 4, 3, 0, 4, 4, 0, 4};
  // Row 5 replaces row 2: a modified version whose memos are unchanged.
  t.status[1] |= engine::kRowReplaced;
  AddArticleRow(&t, &rng, engine::kRowInserted | engine::kRowModified, 10, 10);
  t.cell(4, 3).blank = engine::kUnchanged;
  t.cell(4, 7).blank = engine::kUnchanged;
  t.cell(4, 2) = t.AddBytes("");  // empty title, not null
  t.cell(4, 5).blank = engine::kNull;
  t.change_log.insert(t.change_log.end(), {5, 2, 8});
  // Row 3 deleted.
  t.status[2] |= engine::kRowDeleted;
  t.change_log.insert(t.change_log.end(), {3, 0, 2});
  t.change_log_param_pos = 0;
  return t;
}

// A table whose parameters exercise every text form: whole numbers of other
// sizes, booleans, zero-terminated and plain text, arrays, and raw bytes.
inline engine::TableData OddParameters() {
  engine::TableData t = ArticlesWithHistory();
  using engine::Param;
  Param lcid{"LCID", 4, engine::kBaseInt, {}};
  engine::coding::PutFixed32(&lcid.raw, 1030);
  Param disable{"DISABLE_INSERTS", 2, engine::kBaseBool, std::string("\1\0", 2)};
  Param odd_bool{"ODDBOOL", 2, engine::kBaseBool, std::string("\xFF\xFF", 2)};
  Param plain_text{"NOTE", 1, engine::kBaseString | engine::kTypeVarying,
                   "\x03"
                   "a&b"};
  Param small{"SMALL", 1, engine::kBaseUInt, "\x07"};
  Param list{"LIST", 2, engine::kBaseInt | engine::kTypeArray, {}};
  engine::coding::PutFixed32(&list.raw, 2);
  engine::coding::PutFixed16(&list.raw, 0xFFFF);
  engine::coding::PutFixed16(&list.raw, 5);
  Param blob{"BLOB", 3, engine::kBaseBytes, std::string("\0\1\2", 3)};
  Param zero_inside{"ZERO", 2, engine::kBaseString | engine::kTypeVarying,
                    std::string("\3\0a\0b", 5)};
  Param looks_true{"WORD", 2, engine::kBaseString | engine::kTypeVarying,
                   std::string("\5\0TRUE\0", 7)};
  t.params = {lcid, disable, odd_bool, plain_text, small, list, blob, zero_inside, looks_true};
  t.change_log_param_pos = 3;
  t.fields[0].params.push_back(small);
  t.fields[2].params[0] = WidthParam(300);  // Titel WIDTH 300 with a 1-byte prefix
  t.fields[3].size = 2;                     // Tekst with a 2-byte prefix
  t.fields[5].attrs = 0x0007;
  return t;
}

// Whether two tables hold the same packet content (heap layout aside).
inline bool SameTable(const engine::TableData& a, const engine::TableData& b, std::string* diff) {
  auto same_params = [](const std::vector<engine::Param>& x, const std::vector<engine::Param>& y) {
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i) {
      if (x[i].name != y[i].name || x[i].size != y[i].size || x[i].type != y[i].type ||
          x[i].raw != y[i].raw) {
        return false;
      }
    }
    return true;
  };
  if (a.header_word1 != b.header_word1 || a.header_word2 != b.header_word2 ||
      a.header_extra != b.header_extra || a.row_gap != b.row_gap) {
    *diff = "header";
    return false;
  }
  if (a.fields.size() != b.fields.size()) return *diff = "field count", false;
  for (size_t f = 0; f < a.fields.size(); ++f) {
    const engine::FieldDef &x = a.fields[f], &y = b.fields[f];
    if (x.name != y.name || x.size != y.size || x.type != y.type || x.attrs != y.attrs ||
        !same_params(x.params, y.params)) {
      return *diff = "field " + std::to_string(f + 1), false;
    }
  }
  if (!same_params(a.params, b.params)) return *diff = "table parameters", false;
  if (a.change_log != b.change_log) return *diff = "change log", false;
  if ((a.change_log_param_pos < 0) != (b.change_log_param_pos < 0) ||
      (a.change_log_param_pos >= 0 && a.change_log_param_pos != b.change_log_param_pos)) {
    return *diff = "change log position", false;
  }
  if (a.status != b.status) return *diff = "row status", false;
  for (size_t r = 0; r < a.row_count(); ++r) {
    for (size_t f = 0; f < a.field_count(); ++f) {
      const engine::Cell &x = a.cell(r, f), &y = b.cell(r, f);
      bool same = x.blank == y.blank;
      if (same && x.blank == engine::kValue) {
        same = a.fields[f].varying() ? a.bytes(x) == b.bytes(y) : x.data == y.data;
      }
      if (!same) {
        return *diff = "row " + std::to_string(r + 1) + " field " + std::to_string(f + 1), false;
      }
    }
  }
  return true;
}

}  // namespace packet_samples
