// Fuzzes the filter language end to end: a text goes in and is either
// refused with one of the system's errors or compiled into a block that the
// engine decodes and evaluates over a small table without fault. An input
// that starts with the byte 0xB7 is a block instead and goes to the engine's
// decoder directly, which must refuse it or evaluate it safely.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/filter_cache.h"
#include "engine/filter_program.h"
#include "engine/row_set.h"
#include "engine/table_data.h"
#include "store/article_filter_host.h"
#include "store/db_error.h"
#include "store/filter_compile.h"

namespace {

// The article table's fields and, numbered after them, one field of each
// type the table lacks, so that every kind of constant and comparison meets
// the compiler.
const store::ArticleFilterHost& Host() {
  static const store::ArticleFilterHost host = [] {
    using store::TFieldType;
    store::ArticleFilterHost h;
    h.Add("Pris", 9, TFieldType::ftFloat, 0);
    h.Add("Aktiv", 10, TFieldType::ftBoolean, 0);
    h.Add("Lille", 11, TFieldType::ftSmallint, 0);
    h.Add("Dato", 12, TFieldType::ftDate, 0);
    return h;
  }();
  return host;
}

const engine::TableData& Table() {
  static const engine::TableData table = [] {
    using namespace engine;
    TableData t;
    auto field = [&](const char* name, uint16_t type, uint16_t size) {
      FieldDef f;
      f.name = name;
      f.type = type;
      f.size = size;
      t.fields.push_back(f);
    };
    field("Aargang", kBaseInt, 4);
    field("Nummer", kBaseInt, 4);
    field("Titel", kBaseString | kTypeVarying, 1);
    field("Tekst", kBaseBytes | kTypeVarying, 4);
    field("Kategori", kBaseString | kTypeVarying, 1);
    field("StartSide", kBaseInt, 4);
    field("SlutSide", kBaseInt, 4);
    field("VProgrammer", kBaseBytes | kTypeVarying, 4);
    field("Pris", kBaseFloat, 8);
    field("Aktiv", kBaseBool, 2);
    field("Lille", kBaseInt, 2);
    field("Dato", kBaseDate, 4);
    const char* texts[] = {"", "virus", "It's nice", "N\xe6t og \xc6RLIGT 50%", "a_b", "O'Brien"};
    for (int r = 0; r < 12; ++r) {
      t.status.push_back(0);
      for (size_t f = 0; f < t.fields.size(); ++f) {
        Cell c;
        if ((r + static_cast<int>(f)) % 5 == 4) {
          c.blank = (r > 0 && f == 3) ? kUnchanged : kNull;
        } else if (t.fields[f].varying()) {
          c = t.AddBytes(texts[(r + f) % 6]);
        } else {
          c.blank = kValue;
          c.data = static_cast<uint64_t>(static_cast<int64_t>(r * 37 - 100));
        }
        t.cells.push_back(c);
      }
    }
    return t;
  }();
  return table;
}

void Evaluate(std::span<const uint8_t> block) {
  const engine::TableData& t = Table();
  std::unique_ptr<engine::FilterProgram> program;
  std::string error;
  if (engine::FilterProgram::Decode(block, t, &program, &error) != engine::kDBOk) return;
  std::vector<uint32_t> replaces(t.row_count(), 0);
  for (uint32_t r = 1; r < t.row_count(); ++r) replaces[r] = r;  // row r replaces row r-1
  std::vector<uint32_t> rows, out;
  for (uint32_t r = 0; r < t.row_count(); ++r) rows.push_back(t.row_count() - 1 - r);
  // One cache for the one table, kept across runs as a data object keeps it.
  static engine::filter::ColumnCache cache;
  program->Select(t, replaces, cache, rows, &out);
  // The set form, which the views use, must let through exactly the rows
  // that pass one by one.
  engine::RowSet all(t.row_count()), passed;
  for (uint32_t r = 0; r < t.row_count(); ++r) all.Set(r);
  program->SelectSet(t, replaces, cache, all, &passed);
  for (uint32_t r : rows)
    if (program->Matches(t, replaces, r) != passed.Test(r)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0 && data[0] == 0xB7) {
    Evaluate(std::span(data + 1, size - 1));
    return 0;
  }
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const store::TFilterOptions options :
       {store::TFilterOptions{true, false}, store::TFilterOptions{false, true}}) {
    std::vector<uint8_t> block;
    try {
      block = store::CompileFilterText(Host(), text, options, size % 2 ? ',' : '.');
    } catch (const store::Exception&) {
      continue;
    }
    Evaluate(block);
  }
  return 0;
}
