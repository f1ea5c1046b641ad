// The peer the search benchmarks compare with: the same article rows in an
// in-memory SQLite table, searched there with LIKE in the same run.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string_view>

#include "engine/table_data.h"

namespace bench {

// An in-memory database holding `t`'s year, issue, title, text and category
// in a table `a`; the caller closes it.
inline sqlite3* LoadSqliteArticles(const engine::TableData& t) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_exec(db,
               "CREATE TABLE a(aargang INTEGER, nummer INTEGER, titel TEXT, tekst TEXT, "
               "kategori TEXT)",
               nullptr, nullptr, nullptr);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO a VALUES(?,?,?,?,?)", -1, &ins, nullptr);
  for (size_t r = 0; r < t.row_count(); ++r) {
    sqlite3_bind_int64(ins, 1, static_cast<int64_t>(t.cell(r, 0).data));
    sqlite3_bind_int64(ins, 2, static_cast<int64_t>(t.cell(r, 1).data));
    for (int f : {2, 3, 4}) {
      const std::string_view v = t.bytes(t.cell(r, static_cast<size_t>(f)));
      sqlite3_bind_text(ins, f + 1, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    sqlite3_step(ins);
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  return db;
}

}  // namespace bench
