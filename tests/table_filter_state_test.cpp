// The table's filter state: the order of effects of Filtered, Filter and
// FilterOptions, what is compiled when, what a refused text leaves in force,
// and the filtered view checked against a plain loop over the records.
#include <gtest/gtest.h>

#include <random>

#include "fake_file_system.h"
#include "store/artikel_data.h"
#include "store/db_error.h"
#include "table_test_packets.h"

namespace {

using store::EConvertError;
using store::EDatabaseError;
using store::TableState;
using store::TArtikelData;
using store::TFilterOptions;
using table_test::Art;
using table_test::Article;
using table_test::ExpectError;
using table_test::MakePacket;

class FilterStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rows_ = {Art(2001, 1, "Alfa", "Spil", 1, 2), Art(2002, 1, "Bravo", "Test", 1, 2),
             Art(2002, 2, "Charlie", "Spil", 1, 2), Art(2003, 1, "Delta", "V-CD", 1, 2),
             Art(2002, 3, "Echo", "spil", 1, 2)};
    table_.SetData(MakePacket(rows_));
    table_.SetIndexName("TitelX");
  }
  std::string Current() { return table_.FieldByName("Titel").AsString(); }

  std::vector<Article> rows_;
  testing_fs::FakeFileSystem fs_;
  TArtikelData table_{fs_};
};

TEST_F(FilterStateTest, SwitchThenTextNarrowsAndMovesToFirst) {
  table_.Open();
  table_.Last();
  table_.SetFiltered(true);  // empty text: nothing installed, but moves to the first record
  EXPECT_EQ(table_.FilterCompileCount(), 0);
  EXPECT_EQ(table_.RecNo(), 1);
  table_.Last();
  table_.SetFilter("Aargang = '2002'");
  EXPECT_EQ(table_.Filter(), "Aargang = '2002'");
  EXPECT_EQ(table_.RecordCount(), 3);
  EXPECT_EQ(Current(), "Bravo");
  EXPECT_EQ(table_.FilterCompileCount(), 1);
}

TEST_F(FilterStateTest, UnchangedTextCompilesNothingButMovesToFirst) {
  table_.Open();
  table_.SetFiltered(true);
  table_.SetFilter("Aargang = '2002'");
  table_.Last();
  table_.SetFilter("Aargang = '2002'");
  EXPECT_EQ(table_.FilterCompileCount(), 1);
  EXPECT_EQ(Current(), "Bravo");
  table_.SetFilter("aargang = '2002'");  // compared exactly: another text
  EXPECT_EQ(table_.FilterCompileCount(), 2);
}

TEST_F(FilterStateTest, RefusedTextKeepsPreviousFilterAndText) {
  table_.Open();
  table_.SetFiltered(true);
  table_.SetFilter("KATEGORI = 'spil'");  // case-insensitive: Alfa, Charlie, Echo
  EXPECT_EQ(table_.RecordCount(), 3);
  table_.Next();
  ExpectError<EDatabaseError>([&] { table_.SetFilter("Titel"); },
                              "Incorrectly formed filter expression");
  ExpectError<EConvertError>([&] { table_.SetFilter("Aargang = 'abc'"); },
                             "'abc' is not a valid integer value");
  ExpectError<EDatabaseError>([&] { table_.SetFilter("Nope = 'x'"); },
                              "ArtikelData: Field 'Nope' not found");
  EXPECT_EQ(table_.Filter(), "KATEGORI = 'spil'");
  EXPECT_TRUE(table_.Filtered());
  EXPECT_EQ(table_.RecordCount(), 3);
  EXPECT_EQ(Current(), "Charlie");  // a refused text does not move
  int compiled = table_.FilterCompileCount();
  table_.SetFilter("KATEGORI = 'spil'");  // the previous text again: nothing compiled
  EXPECT_EQ(table_.FilterCompileCount(), compiled);
  EXPECT_EQ(table_.RecordCount(), 3);
}

TEST_F(FilterStateTest, SwitchOnWithBadStoredTextStaysOff) {
  table_.Open();
  table_.SetFilter("Tekst = 'x'");  // switch off: stored, not checked
  EXPECT_EQ(table_.FilterCompileCount(), 0);
  table_.Last();
  ExpectError<EDatabaseError>([&] { table_.SetFiltered(true); }, "Type mismatch in expression");
  EXPECT_FALSE(table_.Filtered());
  EXPECT_EQ(table_.RecordCount(), 5);
  EXPECT_EQ(table_.RecNo(), 1);
}

TEST_F(FilterStateTest, SwitchOffDropsFilterAndKeepsText) {
  table_.Open();
  table_.SetFiltered(true);
  table_.SetFilter("Nummer = '1'");
  EXPECT_EQ(table_.RecordCount(), 3);
  table_.SetFiltered(false);
  EXPECT_EQ(table_.RecordCount(), 5);
  EXPECT_EQ(table_.Filter(), "Nummer = '1'");
  table_.SetFiltered(true);  // reinstalls the stored text
  EXPECT_EQ(table_.RecordCount(), 3);
  table_.SetFilter("");
  EXPECT_EQ(table_.RecordCount(), 5);
}

TEST_F(FilterStateTest, ClosedTableStoresTextAndOpenInstallsIt) {
  table_.SetFiltered(true);
  table_.SetFilter("Aargang = ");  // unchecked while closed
  EXPECT_EQ(table_.Filter(), "Aargang = ");
  ExpectError<EDatabaseError>([&] { table_.Open(); }, "Expression expected but nothing found");
  EXPECT_FALSE(table_.Active());
  EXPECT_TRUE(table_.HasHeldPacket());
  table_.SetFilter("Aargang = '2003'");
  table_.Open();
  EXPECT_EQ(table_.RecordCount(), 1);
  EXPECT_EQ(Current(), "Delta");
  // Closing and reopening compiles the stored text again against the new data.
  table_.SetFileName("f.bin");
  table_.Edit();
  table_.FieldByName("Nummer").SetAsInteger(7);
  table_.Post();
  int compiled = table_.FilterCompileCount();
  table_.Close();
  table_.Open();
  EXPECT_EQ(table_.FilterCompileCount(), compiled + 1);
  EXPECT_EQ(table_.RecordCount(), 1);
  EXPECT_EQ(table_.FieldByName("Nummer").AsInteger(), 7);
}

TEST_F(FilterStateTest, OptionsRecompileOnlyWhenChanged) {
  table_.Open();
  table_.SetFiltered(true);
  table_.SetFilter("Kategori = 'spil'");
  EXPECT_EQ(table_.RecordCount(), 3);
  TFilterOptions sensitive;
  table_.SetFilterOptions(sensitive);
  EXPECT_EQ(table_.FilterCompileCount(), 2);
  EXPECT_EQ(table_.RecordCount(), 1);  // only "spil" itself
  table_.SetFilterOptions(sensitive);
  EXPECT_EQ(table_.FilterCompileCount(), 2);
}

TEST_F(FilterStateTest, FilterChangeSettlesPendingEdit) {
  table_.Open();
  table_.SetFiltered(true);
  table_.Edit();
  table_.FieldByName("Kategori").SetAsString("Ny");
  table_.SetFilter("Kategori = 'Ny'");
  EXPECT_EQ(table_.State(), TableState::kBrowse);
  EXPECT_EQ(table_.RecordCount(), 1);
  EXPECT_EQ(Current(), "Alfa");
}

TEST_F(FilterStateTest, SearchWordMatchesPlainLoop) {
  std::mt19937 rng(11);
  const char* words[] = {"disk", "Spil", "basic", "DISKETTE", "grafik"};
  std::vector<Article> rows;
  for (int i = 0; i < 400; ++i) {
    Article a = Art(1995 + rng() % 8, 1 + rng() % 12,
                    std::string(words[rng() % 5]) + " " + std::to_string(i), "K", 1, 2);
    a.tekst = std::string("about ") + words[rng() % 5];
    rows.push_back(a);
  }
  table_.SetData(MakePacket(rows));
  table_.Open();
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  table_.SetFiltered(true);
  for (const char* word : {"disk", "SPIL", "ette", "zzz"}) {
    for (int year : {1996, 2000}) {
      std::string text = std::string("(Tekst LIKE '%") + word + "%' or Titel LIKE '%" + word +
                         "%') and Aargang = '" + std::to_string(year) + "'";
      table_.SetFilter(text);
      int expected = 0;
      for (const Article& a : rows) {
        bool hit = lower(*a.tekst).find(lower(word)) != std::string::npos ||
                   lower(*a.titel).find(lower(word)) != std::string::npos;
        if (hit && *a.aargang == year) ++expected;
      }
      EXPECT_EQ(table_.RecordCount(), expected) << text;
    }
  }
}

}  // namespace
