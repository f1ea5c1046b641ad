// Figures for the engine at a million rows: loading a table and building its
// packet-order view, creating orders (one sort each), the upkeep of orders
// and views per change, and moving a cursor by position.
#include <benchmark/benchmark.h>

#include <random>

#include "engine/cursor.h"
#include "engine/data_object.h"
#include "engine/ds_interfaces.h"
#include "engine/table_data.h"
#include "store/article_filter_host.h"
#include "store/filter_compile.h"
#include "tests/packet_samples.h"

namespace {

using engine::FieldValue;

// An article-shaped table of `rows` base rows with random years, issues,
// titles and short memo texts.
const engine::TableData& MillionRows() {
  static const engine::TableData table = [] {
    const size_t rows = 1000000;
    engine::TableData t;
    packet_samples::AddArticleFields(&t);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> year(1990, 2010), num(1, 12), page(1, 200), letter('A', 'z'),
        len(5, 40);
    static const char* kCats[] = {"Leder", "Test", "Anmeldelse", "Nyheder", "V-CD"};
    t.status.assign(rows, 0);
    t.cells.reserve(rows * 8);
    std::string s;
    for (size_t r = 0; r < rows; ++r) {
      auto num_cell = [](int64_t v) {
        engine::Cell c;
        c.data = uint64_t(v);
        c.blank = engine::kValue;
        return c;
      };
      t.cells.push_back(num_cell(year(rng)));
      t.cells.push_back(num_cell(num(rng)));
      s.clear();
      for (int i = len(rng); i > 0; --i) s.push_back(char(letter(rng)));
      t.cells.push_back(t.AddBytes(s));
      t.cells.push_back(t.AddBytes(s + "\r\n" + s));
      t.cells.push_back(t.AddBytes(kCats[r % 5]));
      int start = page(rng);
      t.cells.push_back(num_cell(start));
      t.cells.push_back(num_cell(start + 3));
      t.cells.push_back(engine::Cell{});
    }
    return t;
  }();
  return table;
}

engine::IndexDesc Index(std::string name, uint16_t field) {
  engine::IndexDesc d;
  d.name = std::move(name);
  d.fields = {field};
  return d;
}

void BM_LoadMillionRows(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    engine::TableData copy = MillionRows();
    auto base = engine::CreateDSBase();
    state.ResumeTiming();
    benchmark::DoNotOptimize(engine::LoadTableData(base.get(), std::move(copy)));
    auto cursor = engine::CreateDSCursor();
    cursor->InitCursor(base.get());
    uint32_t count = 0;
    cursor->GetRecordCount(&count);
    benchmark::DoNotOptimize(count);
    state.PauseTiming();
    cursor.reset();
    base.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LoadMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CreateIndex(benchmark::State& state) {
  const uint16_t field = uint16_t(state.range(0));
  auto base = engine::CreateDSBase();
  engine::LoadTableData(base.get(), MillionRows());
  int n = 0;
  for (auto _ : state) {
    std::string name = std::to_string(n++);
    name.insert(0, 1, 'X');
    benchmark::DoNotOptimize(base->CreateIndex(Index(name, field)));
  }
  state.SetLabel(field == 1   ? "integer key (Aargang)"
                 : field == 3 ? "string key (Titel)"
                              : "string key (Kategori)");
}
BENCHMARK(BM_CreateIndex)->Arg(1)->Arg(3)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(3);

// The order on Titel in an edition's alphabet (two weight tables per key),
// beside the bytewise one above.
void BM_CreateIndexInAlphabet(benchmark::State& state) {
  auto base = engine::CreateDSBase();
  engine::LoadTableData(base.get(), MillionRows());
  int n = 0;
  for (auto _ : state) {
    engine::IndexDesc desc = Index("X" + std::to_string(n++), 3);
    desc.collation = engine::Collation::kDanishNorwegian;
    benchmark::DoNotOptimize(base->CreateIndex(desc));
  }
  state.SetLabel("string key (Titel), Danish alphabet");
}
BENCHMARK(BM_CreateIndexInAlphabet)->Unit(benchmark::kMillisecond)->Iterations(3);

// One modification with three orders and two cursors (one filtered view
// would add one more binary search) kept current.
void BM_ModifyWithOrders(benchmark::State& state) {
  auto base = engine::CreateDSBase();
  engine::LoadTableData(base.get(), MillionRows());
  base->CreateIndex(Index("AargangX", 1));
  base->CreateIndex(Index("TitelX", 3));
  auto a = engine::CreateDSCursor(), b = engine::CreateDSCursor();
  a->InitCursor(base.get());
  b->InitCursor(base.get());
  a->UseIndexOrder("TitelX");
  b->UseIndexOrder("AargangX");
  std::mt19937 rng(7);
  std::uniform_int_distribution<uint32_t> pos(1, 900000);
  engine::RecordBuffer buf;
  for (auto _ : state) {
    a->MoveToSeqNo(pos(rng));
    a->GetCurrentRecord(&buf);
    buf.values[2].bytes += "x";
    benchmark::DoNotOptimize(a->ModifyRecord(buf));
  }
}
BENCHMARK(BM_ModifyWithOrders)->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_MoveToSeqNoAndRead(benchmark::State& state) {
  auto base = engine::CreateDSBase();
  engine::LoadTableData(base.get(), MillionRows());
  base->CreateIndex(Index("TitelX", 3));
  auto c = engine::CreateDSCursor();
  c->InitCursor(base.get());
  c->UseIndexOrder("TitelX");
  std::mt19937 rng(9);
  std::uniform_int_distribution<uint32_t> pos(1, 1000000);
  engine::RecordBuffer buf;
  for (auto _ : state) {
    c->MoveToSeqNo(pos(rng));
    benchmark::DoNotOptimize(c->GetCurrentRecord(&buf));
  }
}
BENCHMARK(BM_MoveToSeqNoAndRead)->Unit(benchmark::kMicrosecond);

// Switching the order of a cursor whose filter passes about a tenth of a
// million rows: the view is selected again from the new order.
void BM_UseIndexOrderFiltered(benchmark::State& state) {
  auto base = engine::CreateDSBase();
  engine::LoadTableData(base.get(), MillionRows());
  base->CreateIndex(Index("AargangX", 1));
  base->CreateIndex(Index("TitelX", 3));
  auto c = engine::CreateDSCursor();
  c->InitCursor(base.get());
  store::ArticleFilterHost host;
  std::vector<uint8_t> block =
      store::CompileFilterText(host, "Aargang >= 2000 and Aargang <= 2001", {true, false});
  engine::FilterHandle h;
  c->AddFilter(block, &h);
  uint32_t count = 0;
  c->GetRecordCount(&count);
  bool by_year = false;
  for (auto _ : state) {
    benchmark::DoNotOptimize(c->UseIndexOrder((by_year = !by_year) ? "AargangX" : "TitelX"));
  }
  state.SetLabel(std::to_string(count) + " rows pass");
}
BENCHMARK(BM_UseIndexOrderFiltered)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
