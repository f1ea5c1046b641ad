// The article table's behaviour while open: page count, fields and their
// conversions, sort orders, navigation, the editing cycle with its settling
// rules, delete positioning, the DISABLE_* parameters and the data links.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fake_file_system.h"
#include "store/artikel_data.h"
#include "store/db_error.h"
#include "table_test_packets.h"

namespace {

using store::EDatabaseError;
using store::EVariantError;
using store::TableState;
using store::TArtikelData;
using store::Variant;
using table_test::Art;
using table_test::Article;
using table_test::ExpectError;
using table_test::MakePacket;

class Counter : public store::DataLink {
 public:
  int changed = 0, record = 0, scrolled = 0, state = 0;
  void DataSetChanged() override { ++changed; }
  void RecordChanged() override { ++record; }
  void DataSetScrolled() override { ++scrolled; }
  void StateChanged() override { ++state; }
};

class TableTest : public ::testing::Test {
 protected:
  // Opens a table on `rows` with the page-count hook, sorted by `index`.
  void OpenOn(const std::vector<Article>& rows, const std::string& index = "TitelX",
              std::vector<engine::Param> params = {}) {
    table_.SetData(MakePacket(rows, std::move(params)));
    table_.SetIndexName(index);
    table_.OnCalcFields = table_test::PageCountHook;
    table_.Open();
    ASSERT_TRUE(table_.Active());
  }
  std::vector<Article> Sample() {
    return {Art(2001, 1, "Delta", "Spil", 12, 15), Art(2002, 2, "Alfa", "V-CD", 1, 1),
            Art(2000, 3, "Charlie", "v-cd", 3, 7), Art(2003, 4, "Bravo", "Test", 20, 20),
            Art(1999, 5, "Echo", "", 12, 10)};
  }
  std::vector<std::string> Titles() {
    std::vector<std::string> out;
    std::vector<Variant> row;
    for (int i = 0; i < table_.RecordCount(); ++i) {
      table_.ReadRow(i, &row);
      out.push_back(row[2].IsNull() ? "<null>" : row[2].AsString());
    }
    return out;
  }
  Variant Pages() { return table_.FieldByName("sideantal").Value(); }
  void GoTo(const std::string& title) {
    table_.First();
    while (!table_.Eof() && table_.FieldByName("Titel").AsString() != title) table_.Next();
    ASSERT_EQ(table_.FieldByName("Titel").AsString(), title);
  }

  testing_fs::FakeFileSystem fs_;
  TArtikelData table_{fs_};
};

// ------------------------------------------------------------ page count

TEST_F(TableTest, PageCountFollowsCategoryAndPages) {
  OpenOn(Sample());
  struct Case {
    const char* title;
    Variant pages;
  } cases[] = {
      {"Delta", Variant(4)},    // 12..15
      {"Alfa", Variant()},      // "V-CD" exactly: empty
      {"Charlie", Variant(5)},  // "v-cd" in lower case counts pages
      {"Bravo", Variant(1)},    // equal pages
      {"Echo", Variant(-1)},    // 12/10: nothing is clamped
  };
  for (const Case& c : cases) {
    GoTo(c.title);
    EXPECT_EQ(Pages(), c.pages) << c.title;
  }
}

TEST_F(TableTest, PageCountWithoutCategory) {
  Article a = Art(2001, 1, "NoCat", "", 5, 6);
  a.kategori.reset();
  OpenOn({a});
  EXPECT_EQ(Pages(), Variant(2));
}

TEST_F(TableTest, FailingCalculationFailsTheRead) {
  Article good = Art(2001, 1, "A", "Spil", 1, 2);
  Article bad = Art(2001, 1, "B", "Spil", 1, 2);
  bad.slut.reset();
  Article vcd = Art(2001, 1, "C", "V-CD", std::nullopt, std::nullopt);
  OpenOn({good, bad, vcd});
  table_.OnCalcFields = table_test::SubtractingHook;
  std::vector<Variant> row;
  ExpectError<EVariantError>([&] { table_.ReadRow(1, &row); }, "Invalid variant operation");
  ExpectError<EVariantError>([&] { table_.Next(); }, "Invalid variant operation");
  // The table stays open; the move happened, only the count is missing.
  EXPECT_TRUE(table_.Active());
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "B");
  EXPECT_TRUE(Pages().IsNull());
  table_.Next();
  EXPECT_TRUE(Pages().IsNull());  // V-CD never subtracts
  table_.ReadRow(2, &row);
  EXPECT_TRUE(row[8].IsNull());
}

TEST_F(TableTest, PageCountOutOfSmallintRange) {
  OpenOn({Art(2001, 1, "Aok", "Spil", 1, 1), Art(2001, 1, "Big", "Spil", 1, 40000),
          Art(2001, 1, "Low", "Spil", 40000, 1)});
  std::vector<Variant> row;
  table_.ReadRow(0, &row);
  EXPECT_EQ(row[8], Variant(1));
  ExpectError<EDatabaseError>(
      [&] { table_.ReadRow(1, &row); },
      "40000 is not a valid value for field 'Sideantal'. The allowed range is -32768 to 32767");
  ExpectError<EDatabaseError>(
      [&] { table_.ReadRow(2, &row); },
      "-39998 is not a valid value for field 'Sideantal'. The allowed range is -32768 to 32767");
}

TEST_F(TableTest, PageCountOfMillionsPrintsWhole) {
  OpenOn({Art(2001, 1, "Aok", "Spil", 1, 1), Art(2001, 1, "Huge", "Spil", 1, 1234563)});
  std::vector<Variant> row;
  ExpectError<EDatabaseError>(
      [&] { table_.ReadRow(1, &row); },
      "1234563 is not a valid value for field 'Sideantal'. The allowed range is -32768 to 32767");
}

TEST_F(TableTest, PageCountReadUnderAnySpelling) {
  OpenOn({Art(2001, 1, "A", "Spil", 12, 15)});
  for (const char* name : {"Sideantal", "SIDEANTAL", "sideantal", "SideAntal"}) {
    EXPECT_EQ(table_.FieldByName(name).Value(), Variant(4)) << name;
  }
}

TEST_F(TableTest, InsertShowsEmptyCountUntilPost) {
  OpenOn(Sample());
  table_.Insert();
  table_.FieldByName("Titel").SetAsString("Zulu");
  table_.FieldByName("StartSide").SetAsInteger(3);
  table_.FieldByName("SlutSide").SetAsInteger(9);
  EXPECT_TRUE(Pages().IsNull());
  table_.Post();
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Zulu");
  EXPECT_EQ(Pages(), Variant(7));
}

TEST_F(TableTest, EditingLastPageLeavesCountUntilPost) {
  OpenOn(Sample());
  GoTo("Delta");
  table_.Edit();
  EXPECT_EQ(Pages(), Variant(4));
  table_.FieldByName("SLUTSIDE").SetAsInteger(30);
  EXPECT_EQ(Pages(), Variant(4));
  std::vector<Variant> row;
  table_.ReadRow(table_.RecNo() - 1, &row);
  EXPECT_EQ(row[5], Variant(30));  // the grid shows the edited buffer
  EXPECT_EQ(row[8], Variant(4));
  table_.Post();
  EXPECT_EQ(Pages(), Variant(19));
}

// ------------------------------------------------------------ fields

TEST_F(TableTest, FieldObjectsAndLookup) {
  const char* names[] = {"Aargang",  "Nummer", "Titel",       "Kategori", "StartSide",
                         "SlutSide", "Tekst",  "VProgrammer", "Sideantal"};
  ASSERT_EQ(table_.FieldCount(), 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(table_.Fields()[i]->FieldName(), names[i]);
  EXPECT_EQ(&table_.FieldByName("KATEGORI"), table_.Fields()[3].get());
  EXPECT_EQ(table_.FindField("nope"), nullptr);
  ExpectError<EDatabaseError>([&] { table_.FieldByName("Nope"); },
                              "ArtikelData: Field 'Nope' not found");
  EXPECT_EQ(table_.FieldByName("Sideantal").Kind(), store::FieldKind::kCalculated);
  EXPECT_EQ(table_.FieldByName("Sideantal").DataType(), store::TFieldType::ftSmallint);
  // Field numbers for the filter come from the table's own definitions,
  // open or not.
  EXPECT_EQ(table_.FieldByNameForFilter("kategori").number, 5);
  EXPECT_EQ(table_.FieldByNameForFilter("TEKST").number, 4);
  EXPECT_EQ(table_.FieldByNameForFilter("VProgrammer").number, 8);
  ExpectError<EDatabaseError>([&] { table_.FieldByNameForFilter("x"); },
                              "ArtikelData: Field 'x' not found");
  OpenOn(Sample());
  EXPECT_EQ(table_.FieldByNameForFilter("Aargang").number, 1);
  EXPECT_EQ(table_.FieldByNameForFilter("SlutSide").number, 7);
}

TEST_F(TableTest, FieldWritesConvertAndRefuse) {
  OpenOn(Sample());
  ExpectError<EDatabaseError>([&] { table_.FieldByName("Aargang").SetAsInteger(1); },
                              "ArtikelData: Dataset not in edit or insert mode");
  ExpectError<EDatabaseError>([&] { table_.FieldByName("Sideantal").SetAsInteger(1); },
                              "ArtikelData: Dataset not in edit or insert mode");
  table_.Edit();
  auto& year = table_.FieldByName("AARGANG");
  year.SetValue(Variant("2005"));
  EXPECT_EQ(year.Value(), Variant(2005));
  year.SetAsString("  -3");
  EXPECT_EQ(year.AsInteger(), -3);
  for (const char* bad : {"", "abc", "12 ", "1.5", "Alle"}) {
    ExpectError<EDatabaseError>([&] { year.SetAsString(bad); },
                                "Invalid value for field 'Aargang'");
  }
  EXPECT_EQ(year.AsInteger(), -3);  // a refused value changes nothing
  ExpectError<EDatabaseError>(
      [&] { year.SetAsString("3000000000"); },
      "3000000000 is not a valid value for field 'Aargang'. The allowed range is -2147483648 "
      "to 2147483647");
  year.SetValue(Variant());
  EXPECT_TRUE(year.IsNull());
  EXPECT_EQ(year.AsString(), "");
  EXPECT_EQ(year.AsInteger(), 0);

  auto& title = table_.FieldByName("titel");
  title.SetAsInteger(42);
  EXPECT_EQ(title.Value(), Variant("42"));
  title.SetAsString(std::string(100, 'x'));
  EXPECT_EQ(title.AsString().size(), 80u);  // cut to the field's width
  title.Clear();
  EXPECT_TRUE(title.Value().IsNull());
  ExpectError<EVariantError>([&] { title.Value().AsString(); },
                             "Could not convert variant of type (Null) into type (String)");
  // A memo that holds nothing reads as the empty text.
  auto& memo = table_.FieldByName("VPROGRAMMER");
  memo.Clear();
  EXPECT_EQ(memo.Value(), Variant(""));
  EXPECT_TRUE(memo.IsNull());
  memo.SetAsString("a\r\nb");
  EXPECT_EQ(memo.AsString(), "a\r\nb");
  table_.Cancel();
}

TEST_F(TableTest, ClosedTableReadsNullAndRefusesWork) {
  EXPECT_TRUE(table_.FieldByName("Titel").IsNull());
  EXPECT_EQ(table_.RecordCount(), 0);
  EXPECT_EQ(table_.RecNo(), 0);
  EXPECT_TRUE(table_.Eof() && table_.Bof());
  for (auto op : std::vector<std::function<void()>>{
           [&] { table_.First(); }, [&] { table_.Next(); }, [&] { table_.Insert(); },
           [&] { table_.Edit(); }, [&] { table_.Delete(); }, [&] { table_.Post(); }}) {
    ExpectError<EDatabaseError>(op,
                                "ArtikelData: Cannot perform this operation on a closed dataset");
  }
}

// ------------------------------------------------------------ sort orders

TEST_F(TableTest, OrdersMatchStableSortOfRandomRecords) {
  std::mt19937 rng(7);
  std::vector<Article> rows;
  for (int i = 0; i < 300; ++i) {
    Article a = Art(1990 + rng() % 15, rng() % 12, "T" + std::to_string(rng() % 50), "K",
                    rng() % 90, rng() % 90);
    rows.push_back(a);
  }
  OpenOn(rows, "AargangX");
  struct Case {
    const char* index;
    int column;
    std::function<int64_t(const Article&)> key;
  } cases[] = {
      {"AargangX", 0, [](const Article& a) { return int64_t{*a.aargang}; }},
      {"NummerX", 1, [](const Article& a) { return int64_t{*a.nummer}; }},
      {"StartX", 4, [](const Article& a) { return int64_t{*a.start}; }},
      {"SlutX", 5, [](const Article& a) { return int64_t{*a.slut}; }},
  };
  for (const Case& c : cases) {
    table_.SetIndexName(c.index);
    EXPECT_EQ(table_.IndexName(), c.index);
    std::vector<Article> expected = rows;
    std::stable_sort(expected.begin(), expected.end(),
                     [&](const Article& a, const Article& b) { return c.key(a) < c.key(b); });
    ASSERT_EQ(table_.RecordCount(), 300);
    std::vector<Variant> row;
    for (int i = 0; i < 300; ++i) {
      table_.ReadRow(i, &row);
      ASSERT_EQ(row[c.column].AsInt64(), c.key(expected[i])) << c.index << " row " << i;
    }
  }
}

TEST_F(TableTest, SameIndexNameRereadsNothing) {
  OpenOn(Sample());
  GoTo("Charlie");
  Counter links;
  table_.AddDataLink(&links);
  table_.SetIndexName("TitelX");
  EXPECT_EQ(links.changed, 0);
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Charlie");
  table_.RemoveDataLink(&links);
}

TEST_F(TableTest, UnknownOrderFailsAndKeepsOrder) {
  OpenOn(Sample());
  GoTo("Charlie");
  std::vector<std::string> before = Titles();
  ExpectError<EDatabaseError>([&] { table_.SetIndexName("X"); },
                              "ArtikelData: Index 'X' not found");
  EXPECT_EQ(table_.IndexName(), "TitelX");
  EXPECT_EQ(Titles(), before);
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Charlie");
}

TEST_F(TableTest, OrderChangeKeepsCurrentRecordAndNameAsWritten) {
  OpenOn(Sample());
  GoTo("Echo");
  table_.SetIndexName("aargangx");  // definitions are matched without regard to case
  EXPECT_EQ(table_.IndexName(), "aargangx");
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Echo");
  EXPECT_EQ(table_.RecNo(), 1);  // 1999 is the lowest year
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Echo", "Charlie", "Delta", "Alfa", "Bravo"}));
}

TEST_F(TableTest, UnknownOrderAtOpenFailsTheOpen) {
  table_.SetData(MakePacket(Sample()));
  table_.SetIndexName("Nothing");
  ExpectError<EDatabaseError>([&] { table_.Open(); }, "ArtikelData: Index 'Nothing' not found");
  EXPECT_FALSE(table_.Active());
  EXPECT_TRUE(table_.HasHeldPacket());
  table_.SetIndexName("KategoriX");
  table_.Open();
  EXPECT_TRUE(table_.Active());
}

// ------------------------------------------------------------ navigation

TEST_F(TableTest, NavigationAndPositions) {
  OpenOn(Sample());
  EXPECT_EQ(table_.RecNo(), 1);
  EXPECT_TRUE(table_.Bof());
  EXPECT_EQ(table_.MoveBy(10), 4);
  EXPECT_TRUE(table_.Eof());
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Echo");
  table_.Next();
  EXPECT_EQ(table_.RecNo(), 5);
  table_.Prior();
  EXPECT_EQ(table_.RecNo(), 4);
  EXPECT_FALSE(table_.Eof());
  table_.SetRecNo(2);
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Bravo");
  std::vector<Variant> row;
  table_.ReadRow(4, &row);  // reading a row does not move the current record
  EXPECT_EQ(row[2], Variant("Echo"));
  EXPECT_EQ(row.size(), 9u);
  EXPECT_EQ(table_.RecNo(), 2);
  table_.Next();
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Charlie");
  table_.Last();
  EXPECT_TRUE(table_.Eof());
  EXPECT_EQ(table_.RecNo(), 5);
}

// ------------------------------------------------------------ editing cycle

TEST_F(TableTest, SettlingPostsChangedAndCancelsUnchanged) {
  OpenOn(Sample());
  GoTo("Bravo");
  table_.Edit();
  table_.Next();  // nothing written: cancelled
  EXPECT_EQ(table_.State(), TableState::kBrowse);
  EXPECT_EQ(table_.RecordCount(), 5);

  GoTo("Bravo");
  table_.Edit();
  table_.FieldByName("Titel").SetAsString("Bravo2");
  EXPECT_TRUE(table_.Modified());
  table_.SetIndexName("AargangX");  // settles by posting
  EXPECT_EQ(table_.State(), TableState::kBrowse);
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Bravo2");

  // Values set by the new-record hook do not count as a change.
  table_.OnNewRecord = [](TArtikelData& d) { d.FieldByName("Kategori").SetAsString("Ny"); };
  table_.Insert();
  EXPECT_EQ(table_.State(), TableState::kInsert);
  EXPECT_FALSE(table_.Modified());
  EXPECT_EQ(table_.RecordCount(), 6);
  table_.First();
  EXPECT_EQ(table_.RecordCount(), 5);

  table_.Insert();
  table_.FieldByName("Titel").SetAsString("Kept");
  table_.FieldByName("StartSide").SetAsInteger(1);
  table_.FieldByName("SlutSide").SetAsInteger(1);
  table_.Insert();  // the changed record is posted before the next insert
  table_.Cancel();
  EXPECT_EQ(table_.RecordCount(), 6);
}

TEST_F(TableTest, InsertPlacesBeforeCurrentAndPostSorts) {
  OpenOn(Sample());
  GoTo("Charlie");  // position 3 in title order
  table_.Insert();
  EXPECT_EQ(table_.RecNo(), 3);
  std::vector<Variant> row;
  table_.ReadRow(2, &row);
  EXPECT_TRUE(row[2].IsNull());  // the empty new record stands at the current place
  table_.ReadRow(3, &row);
  EXPECT_EQ(row[2], Variant("Charlie"));
  table_.FieldByName("Titel").SetAsString("Aaa");
  table_.FieldByName("StartSide").SetAsInteger(1);
  table_.FieldByName("SlutSide").SetAsInteger(1);
  table_.Post();
  EXPECT_EQ(table_.RecNo(), 1);
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Aaa");
}

TEST_F(TableTest, PostedRecordWithoutPagesIsKeptThoughItsCountFails) {
  OpenOn(Sample());
  table_.OnCalcFields = table_test::SubtractingHook;
  table_.Insert();
  table_.FieldByName("Titel").SetAsString("NoPages");
  ExpectError<EVariantError>([&] { table_.Post(); }, "Invalid variant operation");
  EXPECT_EQ(table_.State(), TableState::kBrowse);
  EXPECT_EQ(table_.RecordCount(), 6);
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "NoPages");
}

TEST_F(TableTest, OpenOnRecordWithoutPagesStaysOpen) {
  Article a = Art(2001, 1, "A", "Spil", 1, 1);
  a.start.reset();
  table_.SetData(MakePacket({a}));
  table_.OnCalcFields = table_test::SubtractingHook;
  ExpectError<EVariantError>([&] { table_.Open(); }, "Invalid variant operation");
  EXPECT_TRUE(table_.Active());
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "A");
}

TEST_F(TableTest, FailingNewRecordHookDropsTheRecord) {
  OpenOn(Sample());
  GoTo("Charlie");
  table_.OnNewRecord = [](TArtikelData& d) { d.FieldByName("StartSide").SetAsString(""); };
  ExpectError<EDatabaseError>([&] { table_.Insert(); }, "Invalid value for field 'StartSide'");
  EXPECT_EQ(table_.State(), TableState::kBrowse);
  EXPECT_EQ(table_.RecordCount(), 5);
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Charlie");
}

TEST_F(TableTest, EditOnEmptyTableStartsInsert) {
  OpenOn({});
  EXPECT_TRUE(table_.IsEmpty());
  table_.Edit();
  EXPECT_EQ(table_.State(), TableState::kInsert);
  table_.Cancel();
  ExpectError<EDatabaseError>([&] { table_.Delete(); },
                              "ArtikelData: Cannot perform this operation on an empty dataset");
}

TEST_F(TableTest, DeletePositionsOnNextOrPrevious) {
  OpenOn(Sample());
  GoTo("Charlie");
  table_.Delete();
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Delta");  // the one after
  table_.Last();
  table_.Delete();
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Delta");  // none after: the one before
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Alfa", "Bravo", "Delta"}));
  table_.Insert();
  table_.Delete();  // in insert state delete cancels
  EXPECT_EQ(table_.RecordCount(), 3);
  while (!table_.IsEmpty()) table_.Delete();
  EXPECT_EQ(table_.RecNo(), 0);
  EXPECT_TRUE(table_.FieldByName("Titel").IsNull());
}

TEST_F(TableTest, DisableParamsRefuseChanges) {
  OpenOn(
      Sample(), "TitelX",
      {table_test::BoolParam("DISABLE_EDITS", true), table_test::BoolParam("DISABLE_INSERTS", true),
       table_test::BoolParam("DISABLE_DELETES", true)});
  ExpectError<EDatabaseError>([&] { table_.Edit(); }, "ArtikelData: Modifications are not allowed");
  ExpectError<EDatabaseError>([&] { table_.Insert(); }, "ArtikelData: Inserts are not allowed");
  ExpectError<EDatabaseError>([&] { table_.Delete(); }, "ArtikelData: Deletes are not allowed");
  EXPECT_EQ(table_.State(), TableState::kBrowse);
}

TEST_F(TableTest, FalseDisableParamsAllowChanges) {
  OpenOn(Sample(), "TitelX", {table_test::BoolParam("DISABLE_EDITS", false)});
  table_.Edit();
  EXPECT_EQ(table_.State(), TableState::kEdit);
}

TEST_F(TableTest, DataLinksHearChanges) {
  Counter links;
  table_.AddDataLink(&links);
  OpenOn(Sample());
  EXPECT_GE(links.changed, 1);
  int scrolled = links.scrolled;
  table_.Next();
  EXPECT_EQ(links.scrolled, scrolled + 1);
  table_.Edit();
  table_.FieldByName("Titel").SetAsString("x");
  EXPECT_EQ(links.record, 1);
  int changed = links.changed;
  table_.Post();
  EXPECT_GT(links.changed, changed);
  table_.RemoveDataLink(&links);
  table_.Next();
  EXPECT_EQ(links.scrolled, scrolled + 1);
}

TEST_F(TableTest, AppendStandsLastUntilPosted) {
  OpenOn(Sample());
  table_.First();
  table_.Append();
  EXPECT_EQ(table_.RecNo(), 6);
  EXPECT_EQ(table_.RecordCount(), 6);
  std::vector<Variant> row;
  table_.ReadRow(5, &row);
  EXPECT_TRUE(row[2].IsNull());
  EXPECT_EQ(row[6], Variant(""));  // an empty memo reads as empty text
  table_.ReadRow(0, &row);
  EXPECT_EQ(row[2], Variant("Alfa"));
  table_.Cancel();
  EXPECT_EQ(table_.RecordCount(), 5);
  EXPECT_EQ(table_.FieldByName("Titel").AsString(), "Alfa");
}

TEST_F(TableTest, LinkMayRemoveItselfWhileTold) {
  struct SelfRemoving : store::DataLink {
    TArtikelData* table = nullptr;
    int calls = 0;
    void DataSetScrolled() override {
      ++calls;
      table->RemoveDataLink(this);
    }
  } first, second;
  first.table = second.table = &table_;
  OpenOn(Sample());
  table_.AddDataLink(&first);
  table_.AddDataLink(&second);
  table_.Next();
  table_.Next();
  EXPECT_EQ(first.calls, 1);
  EXPECT_EQ(second.calls, 1);
}

}  // namespace
