// Orders of the data object against std::stable_sort of the same records:
// integer, string, multi-key, descending and case-insensitive keys, nulls,
// Nordic letters; order switching, record counts and positions.
#include <random>

#include "engine_fixture.h"

namespace engine_test {
namespace {

using engine::kDBOk;

// Titles mixing case, Nordic letters of Windows-1252 and a few bytes that
// only fold by the special pairs.
std::string RandomTitle(std::mt19937& rng) {
  static const char* kPieces[] = {"a",    "A",    "b",    "B",    "z",    "Z",    "\xE6",
                                  "\xC6", "\xF8", "\xD8", "\xE5", "\xC5", "\xE4", "\xC4",
                                  "\xF6", "\xD6", "\x8A", "\x9A", "\x8C", "\x9C", "\x9F",
                                  "\xFF", "\xD7", "\xF7", " ",    "1"};
  std::uniform_int_distribution<int> len(0, 4), piece(0, std::size(kPieces) - 1);
  std::string s;
  for (int i = len(rng); i > 0; --i) s += kPieces[piece(rng)];
  return s;
}

std::vector<std::vector<FieldValue>> RandomRecords(uint32_t seed, int count) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> year(1998, 2003), num(-3, 12), coin(0, 9);
  std::vector<std::vector<FieldValue>> records;
  for (int i = 0; i < count; ++i) {
    FieldValue y = coin(rng) == 0 ? Null() : Int(year(rng));
    FieldValue n = coin(rng) == 0 ? Null() : Int(num(rng));
    FieldValue t = coin(rng) == 0 ? Null() : Str(RandomTitle(rng));
    // Categories share long prefixes, so ties run past the first 8 bytes.
    FieldValue k = coin(rng) == 0  ? Null()
                   : coin(rng) < 5 ? Str("Anmeldelse \xC6" + RandomTitle(rng))
                                   : Str(RandomTitle(rng));
    FieldValue m = coin(rng) < 3 ? Null() : Str(RandomTitle(rng) + "\r\n" + RandomTitle(rng));
    records.push_back(Article(y, n, t, m, k));
  }
  return records;
}

TEST(EngineFold, FoldsAsciiAndWindows1252Letters) {
  struct Case {
    uint8_t in, out;
  } cases[] = {{'A', 'a'},   {'Z', 'z'},   {'a', 'a'},   {'@', '@'},   {'[', '['},   {0xC0, 0xE0},
               {0xC5, 0xE5}, {0xC6, 0xE6}, {0xD6, 0xF6}, {0xD7, 0xD7}, {0xD8, 0xF8}, {0xDE, 0xFE},
               {0xDF, 0xDF}, {0xE5, 0xE5}, {0xF7, 0xF7}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E},
               {0x9F, 0xFF}, {0x9A, 0x9A}, {0xFF, 0xFF}, {0x80, 0x80}};
  for (const Case& c : cases) EXPECT_EQ(engine::FoldCase(c.in), c.out) << int(c.in);
}

struct OrderCase {
  const char* name;
  std::vector<RefKey> keys;
};

class EngineOrderTest : public ::testing::TestWithParam<OrderCase> {};

void ExpectMatchesStableSort(const OrderCase& oc, int rows) {
  SCOPED_TRACE(oc.name);
  auto records = RandomRecords(1234, rows);
  TableData t = ArticleTable();
  for (const auto& r : records) AddRow(&t, 0, r);
  Opened db;
  ASSERT_EQ(db.Load(std::move(t)), kDBOk);
  ASSERT_EQ(db.base->CreateIndex(MakeIndex(oc.name, oc.keys)), kDBOk);
  ASSERT_EQ(db.cursor->UseIndexOrder(oc.name), kDBOk);

  auto expected = records;
  std::stable_sort(expected.begin(), expected.end(),
                   [&](const auto& a, const auto& b) { return RefCompare(a, b, oc.keys) < 0; });
  auto got = ReadView(db.cursor.get());
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_TRUE(SameRecord(got[i], expected[i])) << "position " << i + 1;
  }
  uint32_t count = 0;
  ASSERT_EQ(db.cursor->GetRecordCount(&count), kDBOk);
  EXPECT_EQ(count, expected.size());
  // Positions name the same records as stepping does.
  RecordBuffer buf;
  const uint32_t n = uint32_t(rows);
  for (uint32_t seq : {1u, 2u, n / 2, n - 1, n}) {
    ASSERT_EQ(db.cursor->MoveToSeqNo(seq), kDBOk);
    ASSERT_EQ(db.cursor->GetCurrentRecord(&buf), kDBOk);
    EXPECT_TRUE(SameRecord(buf.values, expected[seq - 1])) << seq;
    uint32_t got_seq = 0;
    ASSERT_EQ(db.cursor->GetSequenceNumber(&got_seq), kDBOk);
    EXPECT_EQ(got_seq, seq);
  }
}

TEST_P(EngineOrderTest, MatchesStableSort) { ExpectMatchesStableSort(GetParam(), 600); }

// Large sorts share their work between two threads.
TEST(EngineOrder, LargeSortMatchesStableSort) {
  for (const OrderCase& oc : {OrderCase{"TitelCI", {{kTitel, false, true}}},
                              OrderCase{"KatDescYear", {{kKategori, true, true}, {kAargang}}}}) {
    ExpectMatchesStableSort(oc, 70000);
  }
}

// A large order sorts aside while the first rows are read from its head,
// found in one pass; what lies past the head, and every edit, waits for the
// sort. Titles share their first 14 bytes, so the head is decided beyond the
// first 8.
TEST(EngineOrder, LargeOrderReadsItsHeadWhileSortingAndEditsAfter) {
  for (const OrderCase& oc :
       {OrderCase{"TitelCI", {{kTitel, false, true}}}, OrderCase{"TitelDesc", {{kTitel, true}}}}) {
    SCOPED_TRACE(oc.name);
    auto records = RandomRecords(99, 70000);
    for (auto& r : records) {
      if (r[kTitel - 1].kind != FieldValue::Kind::kNull) {
        r[kTitel - 1] = Str("Anmeldelse af " + r[kTitel - 1].bytes);
      }
    }
    TableData t = ArticleTable();
    for (const auto& r : records) AddRow(&t, 0, r);
    Opened db;
    ASSERT_EQ(db.Load(std::move(t)), kDBOk);
    static_cast<engine::DataObject*>(db.base.get())->SetSortAsideRows(60000);
    // Record numbers in the order; a bookmark is the record number plus 1.
    std::vector<uint32_t> place(records.size());
    for (uint32_t i = 0; i < place.size(); ++i) place[i] = i;
    std::stable_sort(place.begin(), place.end(), [&](uint32_t a, uint32_t b) {
      return RefCompare(records[a], records[b], oc.keys) < 0;
    });
    std::vector<std::vector<FieldValue>> expected;
    for (uint32_t r : place) expected.push_back(records[r]);
    RecordBuffer buf;
    auto expect_at_bookmark = [&](size_t at) {
      SCOPED_TRACE("bookmark of position " + std::to_string(at + 1));
      ASSERT_EQ(db.cursor->MoveToBookmark(place[at] + 1), kDBOk);
      ASSERT_EQ(db.cursor->GetCurrentRecord(&buf), kDBOk);
      EXPECT_TRUE(SameRecord(buf.values, expected[at]));
      uint32_t seq = 0;
      ASSERT_EQ(db.cursor->GetSequenceNumber(&seq), kDBOk);
      EXPECT_EQ(seq, at + 1);
    };
    // A second index of the same keys sorts aside again: the first is read
    // across its head's end, the second first meets a bookmark past it.
    ASSERT_EQ(db.base->CreateIndex(MakeIndex("Head", oc.keys)), kDBOk);
    ASSERT_EQ(db.cursor->UseIndexOrder("Head"), kDBOk);
    expect_at_bookmark(9);
    ASSERT_EQ(db.cursor->MoveToBOF(), kDBOk);
    for (size_t i = 0; i < 300; ++i) {
      ASSERT_EQ(db.cursor->GetNextRecord(&buf), kDBOk);
      ASSERT_TRUE(SameRecord(buf.values, expected[i])) << "position " << i + 1;
    }
    ASSERT_EQ(db.base->CreateIndex(MakeIndex(oc.name, oc.keys)), kDBOk);
    ASSERT_EQ(db.cursor->UseIndexOrder(oc.name), kDBOk);
    expect_at_bookmark(300);
    expect_at_bookmark(9);

    // A filter on an order sorting aside: counts, places and steps back
    // within the head, then a place past it.
    {
      SCOPED_TRACE("filtered");
      std::vector<size_t> even;  // places in the order of the filter's records
      for (size_t i = 0; i < expected.size(); ++i) {
        const FieldValue& n = expected[i][kNummer - 1];
        if (n.kind == FieldValue::Kind::kInt && n.i % 2 == 0) even.push_back(i);
      }
      ASSERT_EQ(db.base->CreateIndex(MakeIndex("Filtered", oc.keys)), kDBOk);
      ASSERT_EQ(db.cursor->UseIndexOrder("Filtered"), kDBOk);
      auto* cur = static_cast<engine::Cursor*>(db.cursor.get());
      engine::FilterHandle h;
      ASSERT_EQ(cur->AddFilterProgram(std::make_unique<EvenFilter>(kNummer), &h), kDBOk);
      uint32_t count = 0, seq = 0;
      ASSERT_EQ(db.cursor->GetRecordCount(&count), kDBOk);
      EXPECT_EQ(count, even.size());
      ASSERT_EQ(db.cursor->MoveToSeqNo(20), kDBOk);
      for (uint32_t k = 20; k >= 1; --k) {
        ASSERT_EQ(db.cursor->GetCurrentRecord(&buf), kDBOk);
        ASSERT_TRUE(SameRecord(buf.values, expected[even[k - 1]])) << "filtered record " << k;
        ASSERT_EQ(db.cursor->GetSequenceNumber(&seq), kDBOk);
        EXPECT_EQ(seq, k);
        ASSERT_EQ(db.cursor->GetPriorRecord(&buf), k > 1 ? kDBOk : engine::kDBBof);
      }
      ASSERT_EQ(db.cursor->MoveToSeqNo(1000), kDBOk);
      ASSERT_EQ(db.cursor->GetCurrentRecord(&buf), kDBOk);
      EXPECT_TRUE(SameRecord(buf.values, expected[even[999]]));
      ASSERT_EQ(cur->DropFilter(h), kDBOk);
    }

    // The second record gets a title that sorts last (a null, descending);
    // its new version is the newest row, so it follows every equal title.
    ASSERT_EQ(db.cursor->MoveToSeqNo(2), kDBOk);
    ASSERT_EQ(db.cursor->GetCurrentRecord(&buf), kDBOk);
    buf.values[kTitel - 1] = oc.keys[0].descending ? Null() : Str("\xFF");
    ASSERT_EQ(db.cursor->ModifyRecord(buf), kDBOk);
    expected.erase(expected.begin() + 1);
    expected.push_back(buf.values);
    auto got = ReadView(db.cursor.get());
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
      ASSERT_TRUE(SameRecord(got[i], expected[i])) << "after the edit, position " << i + 1;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EngineOrderTest,
    ::testing::Values(OrderCase{"AargangX", {{kAargang}}}, OrderCase{"TitelX", {{kTitel}}},
                      OrderCase{"TitelCI", {{kTitel, false, true}}},
                      OrderCase{"TitelDesc", {{kTitel, true}}}, OrderCase{"TekstX", {{kTekst}}},
                      OrderCase{"YearIssue", {{kAargang}, {kNummer, true}}},
                      OrderCase{"KatTitel", {{kKategori, false, true}, {kTitel, true, true}}},
                      OrderCase{"KategoriX", {{kKategori}}},
                      OrderCase{"KatDescYear", {{kKategori, true, true}, {kAargang}}},
                      OrderCase{"NoKeys", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EngineOrder, DefaultOrderIsPacketOrderOfCurrentRows) {
  TableData t = ArticleTable();
  AddRow(&t, 0, Article(Int(3), Null(), Str("c")));
  AddRow(&t, 0, Article(Int(1), Null(), Str("a")));
  AddRow(&t, 0, Article(Int(2), Null(), Str("b")));
  Opened db;
  ASSERT_EQ(db.Load(std::move(t)), kDBOk);
  auto view = ReadView(db.cursor.get());
  ASSERT_EQ(view.size(), 3u);
  EXPECT_EQ(view[0][0].i, 3);
  EXPECT_EQ(view[2][0].i, 2);
  ASSERT_EQ(db.base->CreateIndex(MakeIndex("AargangX", {{kAargang}})), kDBOk);
  ASSERT_EQ(db.cursor->UseIndexOrder("aargangx"), kDBOk);  // names match without case
  EXPECT_EQ(ReadView(db.cursor.get())[0][0].i, 1);
  ASSERT_EQ(db.cursor->UseIndexOrder("DEFAULT_ORDER"), kDBOk);
  EXPECT_EQ(ReadView(db.cursor.get())[0][0].i, 3);
}

TEST(EngineOrder, UseIndexOrderKeepsTheRecordAndRefusesUnknownNames) {
  TableData t = ArticleTable();
  for (int i = 0; i < 10; ++i) AddRow(&t, 0, Article(Int(10 - i), Int(i), Str("t")));
  Opened db;
  ASSERT_EQ(db.Load(std::move(t)), kDBOk);
  ASSERT_EQ(db.base->CreateIndex(MakeIndex("AargangX", {{kAargang}})), kDBOk);
  ASSERT_EQ(db.cursor->MoveToSeqNo(3), kDBOk);  // Aargang 8
  ASSERT_EQ(db.cursor->UseIndexOrder("AargangX"), kDBOk);
  RecordBuffer buf;
  ASSERT_EQ(db.cursor->GetCurrentRecord(&buf), kDBOk);
  EXPECT_EQ(buf.values[0].i, 8);
  uint32_t seq = 0;
  ASSERT_EQ(db.cursor->GetSequenceNumber(&seq), kDBOk);
  EXPECT_EQ(seq, 8u);

  EXPECT_EQ(db.cursor->UseIndexOrder("NoSuchX"), engine::kDBNoSuchIndex);
  EXPECT_NE(db.Error(engine::kDBNoSuchIndex).find("NoSuchX"), std::string::npos);
  ASSERT_EQ(db.cursor->GetCurrentRecord(&buf), kDBOk);
  EXPECT_EQ(buf.values[0].i, 8);
}

TEST(EngineOrder, CreateIndexChecksItsDescription) {
  TableData t = ArticleTable();
  AddRow(&t, 0, Article(Int(1), Null(), Str("x")));
  AddRow(&t, 0, Article(Int(1), Null(), Str("y")));
  Opened db;
  ASSERT_EQ(db.Load(std::move(t)), kDBOk);
  EXPECT_EQ(db.base->CreateIndex(MakeIndex("Bad", {{9}})), engine::kDBBadArgument);
  EXPECT_EQ(db.base->CreateIndex(MakeIndex("Bad", {{0}})), engine::kDBBadArgument);
  EXPECT_EQ(db.base->CreateIndex(MakeIndex("", {{1}})), engine::kDBBadArgument);
  EXPECT_EQ(db.base->CreateIndex(MakeIndex("U", {{kAargang}}, true)), engine::kDBKeyViolation);
  EXPECT_EQ(db.base->CreateIndex(MakeIndex("U", {{kTitel}}, true)), kDBOk);
  EXPECT_EQ(db.base->CreateIndex(MakeIndex("u", {{kTitel}})), engine::kDBDuplicateIndex);
  EXPECT_EQ(db.base->CreateIndex(MakeIndex("DEFAULT_ORDER", {})), engine::kDBDuplicateIndex);
}

TEST(EngineOrder, EmptyTableViewRunsOffBothEnds) {
  Opened db;
  ASSERT_EQ(db.Load(ArticleTable()), kDBOk);
  RecordBuffer buf;
  ASSERT_EQ(db.cursor->MoveToBOF(), kDBOk);
  EXPECT_EQ(db.cursor->GetNextRecord(&buf), engine::kDBEof);
  EXPECT_EQ(db.cursor->GetPriorRecord(&buf), engine::kDBBof);
  ASSERT_EQ(db.cursor->MoveToEOF(), kDBOk);
  EXPECT_EQ(db.cursor->GetPriorRecord(&buf), engine::kDBBof);
  uint32_t count = 7;
  ASSERT_EQ(db.cursor->GetRecordCount(&count), kDBOk);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(db.cursor->MoveToSeqNo(1), engine::kDBEof);
  EXPECT_EQ(db.cursor->DeleteRecord(), engine::kDBNoCurrentRecord);
}

TEST(EngineOrder, StepsAndEndsInBothDirections) {
  TableData t = ArticleTable();
  for (int i = 1; i <= 3; ++i) AddRow(&t, 0, Article(Int(i), Null(), Null()));
  Opened db;
  ASSERT_EQ(db.Load(std::move(t)), kDBOk);
  RecordBuffer buf;
  ASSERT_EQ(db.cursor->MoveToBOF(), kDBOk);
  EXPECT_EQ(db.cursor->GetCurrentRecord(&buf), engine::kDBBof);
  ASSERT_EQ(db.cursor->GetNextRecord(&buf), kDBOk);
  EXPECT_EQ(buf.values[0].i, 1);
  EXPECT_EQ(db.cursor->GetPriorRecord(&buf), engine::kDBBof);
  ASSERT_EQ(db.cursor->GetNextRecord(&buf), kDBOk);
  EXPECT_EQ(buf.values[0].i, 1);
  ASSERT_EQ(db.cursor->MoveToEOF(), kDBOk);
  EXPECT_EQ(db.cursor->GetNextRecord(&buf), engine::kDBEof);
  ASSERT_EQ(db.cursor->GetPriorRecord(&buf), kDBOk);
  EXPECT_EQ(buf.values[0].i, 3);
  ASSERT_EQ(db.cursor->GetNextRecord(&buf), engine::kDBEof);
  uint32_t seq = 0;
  EXPECT_EQ(db.cursor->GetSequenceNumber(&seq), engine::kDBEof);
  EXPECT_EQ(seq, 4u);
}

}  // namespace
}  // namespace engine_test
