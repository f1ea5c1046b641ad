// Cursor views narrowed by compiled filters (the filter language's blocks):
// the view equals the reference selection after loading, after each of a run
// of random edits (fixed seed), with two filters at once and after dropping
// one, with the current record kept where it can be.
#include <functional>
#include <random>

#include "engine_fixture.h"
#include "filter_test_host.h"
#include "store/filter_compile.h"

namespace engine_test {
namespace {

using engine::kDBOk;

struct FilterCase {
  const char* text;
  std::function<bool(const std::vector<FieldValue>&)> passes;
};

bool IntIs(const FieldValue& v, const std::function<bool(int64_t)>& f) {
  return v.kind == FieldValue::Kind::kInt && f(v.i);
}

std::vector<FilterCase> Cases() {
  return {
      {"Aargang = 2001",
       [](const auto& v) { return IntIs(v[kAargang - 1], [](int64_t i) { return i == 2001; }); }},
      {"Nummer > 5",
       [](const auto& v) { return IntIs(v[kNummer - 1], [](int64_t i) { return i > 5; }); }},
      {"Aargang >= 2000 and Nummer < 4",
       [](const auto& v) {
         return IntIs(v[kAargang - 1], [](int64_t i) { return i >= 2000; }) &&
                IntIs(v[kNummer - 1], [](int64_t i) { return i < 4; });
       }},
  };
}

std::vector<uint8_t> Compile(const char* text) {
  filter_test::ArticleHost host;
  store::TFilterOptions options;
  options.foCaseInsensitive = true;
  return store::CompileFilterText(host, text, options);
}

std::vector<FieldValue> RandomRecord(std::mt19937& rng) {
  std::uniform_int_distribution<int> year(1998, 2003), num(0, 9), coin(0, 9);
  return Article(coin(rng) == 0 ? Null() : Int(year(rng)), coin(rng) == 0 ? Null() : Int(num(rng)),
                 Str(std::string(1, char('a' + num(rng)))));
}

TEST(EngineFilterView, ViewFollowsEditsUnderCompiledFilters) {
  const auto cases = Cases();
  std::mt19937 rng(5150);
  TableData t = ArticleTable();
  std::vector<std::vector<FieldValue>> records;  // current records in packet order
  for (int i = 0; i < 300; ++i) {
    records.push_back(RandomRecord(rng));
    AddRow(&t, 0, records.back());
  }
  Opened db;
  ASSERT_EQ(db.Load(std::move(t)), kDBOk);
  auto editor = engine::CreateDSCursor();  // unfiltered, packet order
  ASSERT_EQ(editor->InitCursor(db.base.get()), kDBOk);

  for (const FilterCase& fc : cases) {
    SCOPED_TRACE(fc.text);
    engine::FilterHandle h = 0;
    std::vector<uint8_t> block = Compile(fc.text);
    ASSERT_EQ(db.cursor->AddFilter(block, &h), kDBOk) << db.Error(engine::kDBBadFilter);
    for (int step = 0; step < 60; ++step) {
      auto expected = records;
      expected.erase(std::remove_if(expected.begin(), expected.end(),
                                    [&](const auto& r) { return !fc.passes(r); }),
                     expected.end());
      auto got = ReadView(db.cursor.get());
      ASSERT_EQ(got.size(), expected.size()) << "step " << step;
      for (size_t i = 0; i < got.size(); ++i) ASSERT_TRUE(SameRecord(got[i], expected[i]));

      // One edit through the unfiltered cursor: packet order makes the
      // reference a plain vector (a modified record moves to the end).
      std::uniform_int_distribution<int> op(0, 2);
      std::uniform_int_distribution<size_t> which(0, records.size() - 1);
      RecordBuffer buf;
      switch (op(rng)) {
        case 0: {
          auto v = RandomRecord(rng);
          buf.values = v;
          ASSERT_EQ(editor->InsertRecord(buf), kDBOk);
          records.push_back(v);
          break;
        }
        case 1: {
          size_t k = which(rng);
          ASSERT_EQ(editor->MoveToSeqNo(uint32_t(k + 1)), kDBOk);
          auto v = RandomRecord(rng);
          buf.values = v;
          ASSERT_EQ(editor->ModifyRecord(buf), kDBOk);
          records.erase(records.begin() + k);
          records.push_back(v);
          break;
        }
        default: {
          size_t k = which(rng);
          ASSERT_EQ(editor->MoveToSeqNo(uint32_t(k + 1)), kDBOk);
          ASSERT_EQ(editor->DeleteRecord(), kDBOk);
          records.erase(records.begin() + k);
          break;
        }
      }
    }
    ASSERT_EQ(db.cursor->DropFilter(h), kDBOk);
  }
}

// 400 random records loaded and a cursor on them.
struct RandomTable {
  explicit RandomTable(uint32_t seed) {
    std::mt19937 rng(seed);
    TableData t = ArticleTable();
    for (int i = 0; i < 400; ++i) {
      records.push_back(RandomRecord(rng));
      AddRow(&t, 0, records.back());
    }
    status = db.Load(std::move(t));
  }
  template <typename Pred>
  uint32_t CountOf(Pred pred) const {
    return uint32_t(std::count_if(records.begin(), records.end(), pred));
  }
  std::vector<std::vector<FieldValue>> records;
  Opened db;
  engine::DBResult status = engine::kDBOk;
};

TEST(EngineFilterView, TwoFiltersNarrowTogetherAndDropApart) {
  const auto cases = Cases();
  RandomTable table(99);
  ASSERT_EQ(table.status, kDBOk);
  Opened& db = table.db;
  auto count_of = [&](auto pred) { return table.CountOf(pred); };
  engine::FilterHandle year = 0, number = 0;
  ASSERT_EQ(db.cursor->AddFilter(Compile(cases[0].text), &year), kDBOk);
  ASSERT_EQ(db.cursor->AddFilter(Compile(cases[1].text), &number), kDBOk);
  uint32_t count = 0;
  ASSERT_EQ(db.cursor->GetRecordCount(&count), kDBOk);
  EXPECT_EQ(count,
            count_of([&](const auto& r) { return cases[0].passes(r) && cases[1].passes(r); }));

  // Stand on a record that passes both, drop one filter: still on it.
  ASSERT_EQ(db.cursor->MoveToSeqNo(count / 2 + 1), kDBOk);
  engine::Bookmark bm = 0;
  ASSERT_EQ(db.cursor->GetCurrentBookmark(&bm), kDBOk);
  ASSERT_EQ(db.cursor->DropFilter(year), kDBOk);
  engine::Bookmark now = 0;
  ASSERT_EQ(db.cursor->GetCurrentBookmark(&now), kDBOk);
  EXPECT_EQ(now, bm);
  ASSERT_EQ(db.cursor->GetRecordCount(&count), kDBOk);
  EXPECT_EQ(count, count_of(cases[1].passes));
  EXPECT_EQ(db.cursor->DropFilter(year), engine::kDBNoSuchFilter);
  ASSERT_EQ(db.cursor->DropFilter(number), kDBOk);
  ASSERT_EQ(db.cursor->GetRecordCount(&count), kDBOk);
  EXPECT_EQ(count, 400u);
  ASSERT_EQ(db.cursor->GetCurrentBookmark(&now), kDBOk);
  EXPECT_EQ(now, bm);
}

// Replacing a filter gives the view that dropping it and adding the new one
// gives, keeps the record where it can, and changes nothing when refused.
TEST(EngineFilterView, ReplacedFilterTakesTheOldOnesPlace) {
  const auto cases = Cases();
  RandomTable table(7);
  ASSERT_EQ(table.status, kDBOk);
  Opened& db = table.db;
  auto count_of = [&](auto pred) { return table.CountOf(pred); };
  engine::FilterHandle year = 0, number = 0, replaced = 0;
  ASSERT_EQ(db.cursor->AddFilter(Compile(cases[0].text), &year), kDBOk);
  ASSERT_EQ(db.cursor->AddFilter(Compile(cases[1].text), &number), kDBOk);
  ASSERT_EQ(db.cursor->MoveToSeqNo(2), kDBOk);
  engine::Bookmark bm = 0, now = 0;
  ASSERT_EQ(db.cursor->GetCurrentBookmark(&bm), kDBOk);
  // The same condition anew: the same view, the same record.
  ASSERT_EQ(db.cursor->ReplaceFilter(number, Compile(cases[1].text), &replaced), kDBOk);
  EXPECT_NE(replaced, number);
  ASSERT_EQ(db.cursor->GetCurrentBookmark(&now), kDBOk);
  EXPECT_EQ(now, bm);
  uint32_t count = 0;
  ASSERT_EQ(db.cursor->GetRecordCount(&count), kDBOk);
  EXPECT_EQ(count,
            count_of([&](const auto& r) { return cases[0].passes(r) && cases[1].passes(r); }));
  ASSERT_EQ(db.cursor->ReplaceFilter(replaced, Compile(cases[2].text), &replaced), kDBOk);
  ASSERT_EQ(db.cursor->GetRecordCount(&count), kDBOk);
  EXPECT_EQ(count,
            count_of([&](const auto& r) { return cases[0].passes(r) && cases[2].passes(r); }));

  std::vector<uint8_t> broken = Compile(cases[0].text);
  broken.resize(broken.size() / 2);
  engine::FilterHandle unused = 0;
  EXPECT_NE(db.cursor->ReplaceFilter(replaced, broken, &unused), kDBOk);
  EXPECT_EQ(db.cursor->ReplaceFilter(number, Compile(cases[0].text), &unused),
            engine::kDBNoSuchFilter);
  uint32_t after = 0;
  ASSERT_EQ(db.cursor->GetRecordCount(&after), kDBOk);
  EXPECT_EQ(after, count);
  ASSERT_EQ(db.cursor->DropFilter(replaced), kDBOk);  // still in force
  ASSERT_EQ(db.cursor->GetRecordCount(&count), kDBOk);
  EXPECT_EQ(count, count_of(cases[0].passes));
}

}  // namespace
}  // namespace engine_test
