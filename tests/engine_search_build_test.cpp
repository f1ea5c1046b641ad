// Word indexes built on the engine's own thread: a search gives the same rows
// before a field's index is built (scanning), while it is being built and
// after it is taken over; closing the table, loading new data or an edit ends
// a build cleanly; an index that outgrows its budget is never used.
// Builds are held at a gate, so every step is decided by the test, not by time.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <iterator>
#include <thread>

#include "engine_fixture.h"
#include "filter_test_host.h"
#include "store/filter_compile.h"
#include "tests/packet_samples.h"

namespace {

using engine::kDBOk;
using engine::filter::ColumnCache;
using engine::filter::WordIndex;

constexpr int kTitelField = 2, kTekstField = 3;  // 0-based

std::vector<uint8_t> Search(const std::string& word) {
  filter_test::ArticleHost host;
  return store::CompileFilterText(
      host, "(Tekst LIKE '%" + word + "%' or Titel LIKE '%" + word + "%')", {true, false});
}

// The titles of the cursor's view under `block`, and the filter dropped again.
std::vector<std::string> Titles(engine::IDSCursor* cursor, const std::vector<uint8_t>& block) {
  engine::FilterHandle handle = 0;
  EXPECT_EQ(cursor->AddFilter(block, &handle), kDBOk);
  std::vector<std::string> out;
  for (const auto& record : engine_test::ReadView(cursor)) out.push_back(record[2].bytes);
  EXPECT_EQ(cursor->DropFilter(handle), kDBOk);
  return out;
}

// Holds every build at its start until opened, or until the build is stopped.
struct Gate {
  std::atomic<bool> open{false};
  std::atomic<int> arrived{0};
  std::atomic<int> stopped{0};
  engine::filter::WordIndexBuilder::Gate Hook() {
    return [this](const std::atomic<bool>& stop) {
      ++arrived;
      while (!open.load() && !stop.load()) std::this_thread::yield();
      if (stop.load()) ++stopped;
    };
  }
  void WaitArrived(int n) const {
    while (arrived.load() < n) std::this_thread::yield();
  }
};

struct Table {
  std::unique_ptr<engine::IDSBase> base = engine::CreateDSBase();
  std::unique_ptr<engine::IDSCursor> cursor = engine::CreateDSCursor();
  ColumnCache& cache() { return dynamic_cast<engine::DataObject&>(*base).filter_cache(); }
  explicit Table(Gate* gate) {
    cache().builder().SetGateForTesting(gate->Hook());
    EXPECT_EQ(engine::LoadTableData(base.get(), packet_samples::Articles(3000)), kDBOk);
    EXPECT_EQ(cursor->InitCursor(base.get()), kDBOk);
  }
  // Waits until nothing is queued or being built.
  void WaitBuilt() {
    while (cache().builder().Pending(kTitelField) || cache().builder().Pending(kTekstField))
      std::this_thread::yield();
  }
};

TEST(EngineSearchBuild, SameRowsBeforeDuringAndAfterTheBuild) {
  Gate gate;
  Table table(&gate);
  const char* const words[] = {"ab", "qu", "e", "xyzzy"};
  std::vector<std::vector<std::string>> before;
  for (const char* word : words) {
    before.push_back(Titles(table.cursor.get(), Search(word)));  // asks for both indexes
  }
  gate.WaitArrived(1);
  for (size_t i = 0; i < std::size(words); ++i) {
    SCOPED_TRACE(words[i]);
    EXPECT_EQ(Titles(table.cursor.get(), Search(words[i])), before[i]);  // build held
  }
  EXPECT_FALSE(table.cache().HasWords(kTitelField));
  EXPECT_FALSE(table.cache().HasWords(kTekstField));
  gate.open = true;
  table.WaitBuilt();
  for (size_t i = 0; i < std::size(words); ++i) {
    SCOPED_TRACE(words[i]);
    EXPECT_EQ(Titles(table.cursor.get(), Search(words[i])), before[i]);  // indexes taken over
    EXPECT_TRUE(table.cache().HasWords(kTitelField));
    EXPECT_TRUE(table.cache().HasWords(kTekstField));
  }
  EXPECT_EQ(gate.stopped.load(), 0);
  EXPECT_GT(before[0].size(), 0u);
}

// Asked for ahead of any search, the indexes are built aside and the first
// search already uses them; fields without words and unknown fields are
// told apart.
TEST(EngineSearchBuild, PreparedIndexesServeTheFirstSearch) {
  Gate gate;
  Table table(&gate);
  const auto scanned = Titles(table.cursor.get(), Search("ab"));
  Table prepared(&gate);
  gate.open = true;
  ASSERT_EQ(prepared.base->PrepareWordSearch(kTekstField + 1), kDBOk);
  ASSERT_EQ(prepared.base->PrepareWordSearch(kTitelField + 1), kDBOk);
  EXPECT_EQ(prepared.base->PrepareWordSearch(1), kDBOk);  // a year: nothing to build
  EXPECT_EQ(prepared.base->PrepareWordSearch(99), engine::kDBBadArgument);
  prepared.WaitBuilt();
  EXPECT_EQ(Titles(prepared.cursor.get(), Search("ab")), scanned);
  EXPECT_TRUE(prepared.cache().HasWords(kTitelField));
  EXPECT_TRUE(prepared.cache().HasWords(kTekstField));
}

TEST(EngineSearchBuild, ClosingLoadingOrEditingEndsTheBuild) {
  struct Case {
    const char* name;
    std::function<void(Table&)> change;
  } cases[] = {
      {"last cursor closed", [](Table& t) { t.cursor.reset(); }},
      {"new data loaded",
       [](Table& t) {
         ASSERT_EQ(engine::LoadTableData(t.base.get(), packet_samples::Articles(10)), kDBOk);
       }},
      {"record inserted",
       [](Table& t) {
         engine::RecordBuffer buf;
         ASSERT_EQ(t.cursor->InitRecord(&buf), kDBOk);
         ASSERT_EQ(t.cursor->PutField(&buf, 3, engine_test::Str("abba")), kDBOk);
         ASSERT_EQ(t.cursor->InsertRecord(buf), kDBOk);
       }},
      {"data object destroyed",
       [](Table& t) {
         t.cursor.reset();
         t.base.reset();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Gate gate;
    Table table(&gate);
    const auto block = Search("ab");
    const auto before = Titles(table.cursor.get(), block);
    gate.WaitArrived(1);
    c.change(table);  // returns only after the build has ended
    EXPECT_EQ(gate.stopped.load(), 1);
    if (!table.base) continue;
    EXPECT_FALSE(table.cache().HasWords(kTitelField));
    EXPECT_FALSE(table.cache().builder().Pending(kTitelField));
    if (!table.cursor) continue;
    // A later search asks again and, once built, gives the rows a scan gives.
    gate.open = true;
    const auto scanned = Titles(table.cursor.get(), block);
    table.WaitBuilt();
    EXPECT_EQ(Titles(table.cursor.get(), block), scanned);
    EXPECT_TRUE(table.cache().HasWords(kTekstField));
  }
}

TEST(EngineSearchBuild, BuildStopsAtItsFlagAndAtItsBudget) {
  const engine::TableData t = packet_samples::Articles(20000);
  std::atomic<bool> stop{true};
  WordIndex stopped;
  EXPECT_EQ(stopped.ExtendTo(t, kTekstField, t.row_count(), &stop, SIZE_MAX),
            WordIndex::Progress::kStopped);
  WordIndex small;
  EXPECT_EQ(small.ExtendTo(t, kTekstField, t.row_count(), nullptr, 64 << 10),
            WordIndex::Progress::kOverBudget);
  WordIndex whole;
  stop = false;
  EXPECT_EQ(whole.ExtendTo(t, kTekstField, t.row_count(), &stop, SIZE_MAX),
            WordIndex::Progress::kDone);
  EXPECT_EQ(whole.rows(), t.row_count());
}

}  // namespace
