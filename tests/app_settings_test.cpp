// The index browser's rules without a window: the edition table and its
// cycle, NormaliserAlle, the composed filter texts, the settings file's
// integer forms, defaults, read and write order, and the placement bounds.
#include <gtest/gtest.h>

#include <string>

#include "app/edition.h"
#include "app/search_filter.h"
#include "app/settings.h"
#include "tests/fake_file_system.h"

namespace app {
namespace {

TEST(EditionTest, CodesFileNamesAndCycle) {
  struct Case {
    uint32_t locale_id;
    int32_t sprog;
    const char* file;
    const char* alle;
    int32_t next;
  } cases[] = {
      {0x0406, 6, "./Base.xml", "Alle", 20},     {0x0414, 20, "./BaseNo.xml", "Alle", 29},
      {0x041D, 29, "./BaseSv.xml", "Alla", 11},  {0x081D, 29, "./BaseSv.xml", "Alla", 11},
      {0x040B, 11, "./BaseFi.xml", "Kaikki", 6}, {0x0409, 6, "./Base.xml", "Alle", 20},
      {0x040F, 6, "./Base.xml", "Alle", 20},     {0x0407, 6, "./Base.xml", "Alle", 20},
      {0x10000, 6, "./Base.xml", "Alle", 20},    {0, 6, "./Base.xml", "Alle", 20},
  };
  for (const Case& c : cases) {
    int32_t sprog = SprogFromLocale(c.locale_id);
    EXPECT_EQ(sprog, c.sprog) << std::hex << c.locale_id;
    ASSERT_NE(FindEdition(sprog), nullptr);
    EXPECT_STREQ(FindEdition(sprog)->data_file, c.file);
    EXPECT_EQ(AlleOrdOf(sprog), c.alle);
    EXPECT_EQ(NextSprog(sprog), c.next);
  }
  EXPECT_EQ(NextSprog(9), 9);
  EXPECT_EQ(FindEdition(9), nullptr);
  EXPECT_EQ(AlleOrdOf(9), "");
}

TEST(EditionTest, NormaliserAlleTakesEveryEditionsWordOnly) {
  struct Case {
    const char* text;
    const char* alle;
    const char* expected;
  } cases[] = {
      {"", "Kaikki", "Kaikki"},   {"Alle", "Kaikki", "Kaikki"},     {"Alla", "Alle", "Alle"},
      {"Kaikki", "Alla", "Alla"}, {"alle", "Alle", "alle"},         {"Alle ", "Alle", "Alle "},
      {"2002", "Alle", "2002"},   {"Artikel", "Kaikki", "Artikel"},
  };
  for (const Case& c : cases) EXPECT_EQ(NormaliserAlle(c.text, c.alle), c.expected) << c.text;
}

TEST(SearchFilterTest, ComposesThePiecesInOrder) {
  struct Case {
    SearchInputs in;
    const char* alle;
    const char* expected;
  } cases[] = {
      {{"virus", "2002", "Alle", "Alle"},
       "Alle",
       "(Tekst LIKE '%virus%' or Titel LIKE '%virus%') and Aargang = '2002'"},
      {{"", "Alle", "3", "V-CD"}, "Alle", "Nummer = '3' and KATEGORI = 'V-CD'"},
      {{"", "Alle", "Alle", "Alle"}, "Alle", ""},
      {{"", "", "", ""}, "Alle", ""},
      {{"a", "Alle", "Alle", "Alle"}, "Alle", "(Tekst LIKE '%a%' or Titel LIKE '%a%')"},
      // Inserted as typed: quotes, percent signs, blanks, case.
      {{" It's 50%_", "Alle", "Alle", "Alle"},
       "Alle",
       "(Tekst LIKE '% It's 50%_%' or Titel LIKE '% It's 50%_%')"},
      // Only the current edition's word means "all".
      {{"", "Alla", "Kaikki", "Alle"}, "Alle", "Aargang = 'Alla' and Nummer = 'Kaikki'"},
      {{"", "2003", "12", "Artikel"},
       "Kaikki",
       "Aargang = '2003' and Nummer = '12' and KATEGORI = 'Artikel'"},
  };
  for (const Case& c : cases) EXPECT_EQ(ComposeFilter(c.in, c.alle), c.expected);
}

TEST(SettingsTest, IntegerForms) {
  struct Case {
    const char* text;
    int32_t expected;
  } cases[] = {
      {"636", 636},
      {"0x300", 768},
      {"0X300", 768},
      {"7O0", -1},
      {"", -1},
      {"0x", -1},
      {"$", -1},
      {"-", -1},
      {"+12", 12},
      {"-20", -20},
      {"  12", 12},
      {"12 ", -1},
      {"$1F", 31},
      {"x1f", 31},
      {"X10", 16},
      {"-$10", -16},
      {"-0x10", -16},
      {"$FFFFFFFF", -1},
      {"$7FFFFFFF", 2147483647},
      {"$100000000", -1},
      {"2147483647", 2147483647},
      {"2147483648", -1},
      {"-2147483648", INT32_MIN},
      {"-2147483649", -1},
      {"99999999999999999999", -1},
      {"00012", 12},
      {"1e3", -1},
      {"0x1G", -1},
      {"--1", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(ProfileInteger(c.text, -1), c.expected) << c.text;
}

std::string FileText(testing_fs::FakeFileSystem& fs, const std::string& path) {
  const std::vector<uint8_t>& b = fs.Bytes(path);
  return std::string(b.begin(), b.end());
}

TEST(SettingsTest, DefaultsWithoutAFile) {
  testing_fs::FakeFileSystem fs;
  platform::ProfileFiles files(fs, "/cfg");
  Indstillinger s = LaesIndstillinger(files, "Kaikki");
  EXPECT_EQ(s.aargang, "Kaikki");
  EXPECT_EQ(s.nummer, "Kaikki");
  EXPECT_EQ(s.kategori, "Kaikki");
  EXPECT_EQ(s.start_side, 1);
  EXPECT_EQ(s.tekstord, "");
  EXPECT_EQ(s.sort_order, "TitelX");
  EXPECT_EQ(s.venstre, 100);
  EXPECT_EQ(s.top, 100);
  EXPECT_EQ(s.bredde, 636);
  EXPECT_EQ(s.hoejde, 459);
  EXPECT_TRUE(fs.files.empty());
}

TEST(SettingsTest, FinnishFileReadByTheDanishEdition) {
  testing_fs::FakeFileSystem fs;
  platform::ProfileFiles files(fs, "/cfg");
  fs.Put("/cfg/VDatabase.ini",
         "[Defaults]\r\nAargang=Kaikki\r\nNummer=\r\nKategori=Artikkeli\r\nStartSide=0\r\n"
         "TekstOrd=\"virus\"\r\nSortOrder=AargangX\r\nVenstre=5000\r\nTop=-20\r\n"
         "Bredde=0x300\r\nH\xF8jde=7O0\r\n");
  Indstillinger s = LaesIndstillinger(files, "Alle");
  EXPECT_EQ(s.aargang, "Alle");
  EXPECT_EQ(s.nummer, "Alle");
  EXPECT_EQ(s.kategori, "Artikkeli");
  EXPECT_EQ(s.start_side, 0);
  EXPECT_EQ(s.tekstord, "virus");
  EXPECT_EQ(s.sort_order, "AargangX");
  EXPECT_EQ(s.bredde, 768);
  EXPECT_EQ(s.hoejde, 459);
  Placement p = BoundPlacement(s, 1024, 768);
  EXPECT_EQ(p.left, 924);
  EXPECT_EQ(p.top, 0);
  EXPECT_EQ(p.width, 768);
  EXPECT_EQ(p.height, 459);
}

TEST(SettingsTest, PlacementBoundsLowerThenUpper) {
  struct Case {
    int32_t value;
    int32_t left, top, width, height;
  } cases[] = {
      {-20, 0, 0, 100, 100},        {0, 0, 0, 100, 100},
      {50, 50, 50, 100, 100},       {924, 924, 668, 924, 924},
      {5000, 924, 668, 1280, 1024}, {1100, 924, 668, 1100, 1024},
      {INT32_MIN, 0, 0, 100, 100},  {INT32_MAX, 924, 668, 1280, 1024},
  };
  for (const Case& c : cases) {
    Indstillinger s;
    s.venstre = s.top = s.bredde = s.hoejde = c.value;
    Placement p = BoundPlacement(s, 1024, 768);
    EXPECT_EQ(p.left, c.left) << c.value;
    EXPECT_EQ(p.top, c.top) << c.value;
    EXPECT_EQ(p.width, c.width) << c.value;
    EXPECT_EQ(p.height, c.height) << c.value;
  }
}

TEST(SettingsTest, WriteOrderKeyNamesAndOneReplacePerKey) {
  testing_fs::FakeFileSystem fs;
  platform::ProfileFiles files(fs, "/cfg");
  fs.Put("/cfg/VDatabase.ini", "; kept\r\n[Other]\r\nX=\xE6\r\n[defaults]\r\ntekstord=old\r\n");
  Indstillinger s;
  s.aargang = "2002";
  s.nummer = "Alle";
  s.kategori = "Sp\xF8rg os";
  s.tekstord = "virus";
  s.sort_order = "AargangX";
  SkrivIndstillinger(files, s);
  EXPECT_EQ(fs.replaces, 10);
  EXPECT_EQ(FileText(fs, "/cfg/VDatabase.ini"),
            "; kept\r\n[Other]\r\nX=\xE6\r\n[defaults]\r\ntekstord=virus\r\nAargang=2002\r\n"
            "Nummer=Alle\r\nKategori=Sp\xF8rg os\r\nStartSide=1\r\nBredde=636\r\nH\xF8jde=459\r\n"
            "Venstre=100\r\nTop=100\r\nSortOrder=AargangX\r\n");
  // And it reads back as written.
  Indstillinger back = LaesIndstillinger(files, "Alle");
  EXPECT_EQ(back.kategori, "Sp\xF8rg os");
  EXPECT_EQ(back.tekstord, "virus");
  EXPECT_EQ(back.sort_order, "AargangX");
}

TEST(SettingsTest, ARefusedKeyEndsTheWriteThere) {
  testing_fs::FakeFileSystem fs;
  platform::ProfileFiles files(fs, "/cfg");
  // The fifth write (Bredde) is refused: the four before it are in the file.
  struct Refusing : platform::IProfileFiles {
    platform::IProfileFiles& inner;
    int left;
    Refusing(platform::IProfileFiles& i, int n) : inner(i), left(n) {}
    std::string GetString(const std::string& f, std::string_view s, std::string_view k,
                          std::string_view d) override {
      return inner.GetString(f, s, k, d);
    }
    bool WriteString(const std::string& f, std::string_view s, std::string_view k,
                     std::string_view v) override {
      return left-- > 0 && inner.WriteString(f, s, k, v);
    }
    bool CanRead(const std::string& f) override { return inner.CanRead(f); }
  } refusing(files, 4);
  try {
    SkrivIndstillinger(refusing, Indstillinger());
    ADD_FAILURE() << "no error";
  } catch (const EIniFileException& e) {
    EXPECT_STREQ(e.what(), "Unable to write to VDatabase.ini");
  }
  EXPECT_EQ(FileText(fs, "/cfg/VDatabase.ini"),
            "[Defaults]\r\nAargang=\r\nNummer=\r\nKategori=\r\nStartSide=1\r\n");
}

}  // namespace
}  // namespace app
