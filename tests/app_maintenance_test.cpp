// The maintenance commands on the real window: the new-record defaults from
// the search choices (with the edition's "all" word), delete after the
// question, the two clean-ups, and the cover-disc import with fake drives and
// list files, damaged ones included.
#include <QApplication>
#include <random>

#include "app/cover_disc_list.h"
#include "app/guarded_application.h"
#include "app/text_cleanup.h"
#include "maintenance_window.h"
#include "store/variant.h"

namespace app {
namespace {

using platform::DriveType;

std::string Shown(const store::TableField& field) {
  return field.IsNull() ? "(null)" : field.AsString();
}

// ---- New-record defaults ----

struct DefaultsCase {
  const char* name;
  uint32_t lcid;
  const char* year;
  const char* issue;
  const char* category;
  int start_page;  // 0 leaves the spin edit's text empty
  const char* aargang;
  const char* nummer;
  const char* kategori;
  const char* start_side;
  const char* error;
};

const DefaultsCase kDefaults[] = {
    {"Danish", 0x0406, "2002", "Alle", "V-CD", 1, "2002", "(null)", "V-CD", "1", nullptr},
    // The edition's own word is "all": no value, also for the category.
    {"SwedishAll", 0x041D, "Alla", "Alla", "Alla", 1, "(null)", "(null)", "(null)", "1", nullptr},
    {"FinnishAll", 0x040B, "Kaikki", "3", "Kaikki", 7, "(null)", "3", "(null)", "7", nullptr},
    // Another edition's word is no number and no "all" here: dropped for year
    // and issue, kept as a category.
    {"SwedishDanishWord", 0x041D, "Alle", "Alle", "Alle", 1, "(null)", "(null)", "Alle", "1",
     nullptr},
    {"YearOfLetters", 0x0406, "tjue", "12", "Alle", 2, "(null)", "12", "(null)", "2", nullptr},
    {"StartPageNeverSet", 0x0406, "2002", "1", "Nyhed", 0, nullptr, nullptr, nullptr, nullptr,
     "Invalid value for field 'StartSide'"},
};

void PrintTo(const DefaultsCase& c, std::ostream* out) { *out << c.name; }

class NewRecordDefaults : public MaintenanceWindow,
                          public ::testing::WithParamInterface<DefaultsCase> {};

TEST_P(NewRecordDefaults, TakeTheSearchChoices) {
  const DefaultsCase& c = GetParam();
  const char* file = c.lcid == 0x041D ? "BaseSv.xml" : c.lcid == 0x040B ? "BaseFi.xml" : "Base.xml";
  WriteFile(file, EditionXml(ThreeArticles()));
  // A saved start page of 0 leaves the spin edit without text.
  if (c.start_page == 0) WriteFile("VDatabase.ini", "[Defaults]\r\nStartSide=0\r\n");
  TVRegister& v = Start(c.lcid);
  SetList(v.AargangEdit, c.year);
  SetList(v.NummerEdit, c.issue);
  SetList(v.KategoriValg, c.category);
  if (c.start_page != 0) v.StartSideEdit->SetValue(c.start_page);
  v.NyPost->click();
  if (c.error != nullptr) {
    ASSERT_EQ(errors_, std::vector<std::string>{c.error});
    EXPECT_EQ(v.ArtikelData->State(), store::TableState::kBrowse);
    EXPECT_EQ(v.ArtikelData->RecordCount(), 3);
    // The import inserts through the same defaults and fails the same way.
    drives_.drives['D'] = {DriveType::kCdrom, dir_.string()};
    WriteFile("V.DTX", "[V1]\nTitel=Alpha\n");
    v.HentV->click();
    EXPECT_EQ(errors_.size(), 2u);
    EXPECT_EQ(errors_.back(), c.error);
    EXPECT_EQ(v.ArtikelData->RecordCount(), 3);
    return;
  }
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  ASSERT_EQ(v.ArtikelData->State(), store::TableState::kInsert);
  EXPECT_EQ(Shown(F("AARGANG")), c.aargang);
  EXPECT_EQ(Shown(F("NUMMER")), c.nummer);
  EXPECT_EQ(Shown(F("KATEGORI")), c.kategori);
  EXPECT_EQ(Shown(F("STARTSIDE")), c.start_side);
  EXPECT_EQ(Shown(F("SLUTSIDE")), c.start_side);
  EXPECT_EQ(Shown(F("TITEL")), "(null)");
  EXPECT_EQ(v.ArtikelData->RecordCount(), 4);
}

INSTANTIATE_TEST_SUITE_P(Cases, NewRecordDefaults, ::testing::ValuesIn(kDefaults),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Delete ----

TEST_F(MaintenanceWindow, DeleteWithNoThenYes) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  TVRegister& w = Start();
  answer_yes_ = false;
  w.SletPost->click();
  EXPECT_EQ(questions_, std::vector<std::string>{"Slet post?|Vil du slette den aktuelle post?"});
  EXPECT_EQ(w.ArtikelData->RecordCount(), 3);
  answer_yes_ = true;
  w.SletPost->click();
  EXPECT_EQ(questions_.size(), 2u);
  ASSERT_EQ(w.ArtikelData->RecordCount(), 2);
  w.ArtikelData->First();
  EXPECT_EQ(F("TITEL").AsString(), "Printere i test");
  // A record being inserted is discarded, not a stored one deleted.
  w.NyPost->click();
  EXPECT_EQ(w.ArtikelData->RecordCount(), 3);
  w.SletPost->click();
  EXPECT_EQ(w.ArtikelData->RecordCount(), 2);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(MaintenanceWindow, DeleteOnAnEmptyViewShowsNothing) {
  WriteFile("Base.xml", EditionXml({}));
  TVRegister& w = Start();
  ASSERT_EQ(w.ArtikelData->RecordCount(), 0);
  w.SletPost->click();
  EXPECT_EQ(questions_.size(), 1u);
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(w.ArtikelData->RecordCount(), 0);
}

// ---- Clean-ups ----

TEST(TextCleanup, JoinsLinesAndTrimsTheEnd) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"abc-\r\ndef\r\n\r\nghi\r\n", "abc def  ghi"},  // the hyphen and its break are one blank
      {"abc- \r\ndef", "abc-  def"},                   // a blank before the break: no match
      {"tekst\r\n\r\n\r\n\r\n", "tekst"},
      {"uden skift", "uden skift"},
      {"ene\rCR og\nLF\r", "ene\rCR og\nLF"},  // lone CR and LF stay inside
      {"--\r\n\r\n", "-"},                     // "-\r\n" then "\r\n": "- " then " ", trimmed
      {"\r\n\r\n", ""},
      {" \t\x01\x1F", ""},
      {"\xE6\xF8\xE5\xA0", "\xE6\xF8\xE5\xA0"},  // bytes above 32 stay, also the no-break blank
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimEnd(JoinLines(c.in)), c.out) << c.in;
  // The inserted blank is not rescanned: "-" + "\r\n" + "\r\n".
  EXPECT_EQ(JoinLines("x-\r\n\r\ny"), "x  y");
}

TEST_F(MaintenanceWindow, CleanUpOfTextAndTitle) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  TVRegister& w = Start();
  w.ArtikelData->Last();  // "Rod i teksten"
  w.RydOp->click();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_EQ(w.ArtikelData->State(), store::TableState::kBrowse);
  EXPECT_EQ(F("TEKST").AsString(), "Linje skift  her");
  EXPECT_EQ(F("TITEL").AsString(), "Rod i teksten");
  EXPECT_EQ(F("VPROGRAMMER").AsString(), "ord\r\nflere\r\n");  // untouched
  w.RydOp2->click();
  EXPECT_EQ(F("VPROGRAMMER").AsString(), "ord flere");
  EXPECT_EQ(F("TEKST").AsString(), "Linje skift  her");
  EXPECT_EQ(F("TITEL").AsString(), "Rod i teksten");
  // A clean text and title are posted as they are.
  w.ArtikelData->First();
  w.RydOp->click();
  EXPECT_EQ(F("TEKST").AsString(), "Sikkerhed");
  EXPECT_EQ(F("TITEL").AsString(), "Automatisk backup");
  EXPECT_TRUE(errors_.empty());
}

TEST_F(MaintenanceWindow, CleanUpOfARecordWithoutTitleStopsAtTheTitle) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  TVRegister& w = Start();
  w.NyPost->click();
  w.ArtikelData->FieldByName("TEKST").SetAsString("ny-\r\ntekst\r\n");
  w.RydOp->click();
  EXPECT_EQ(errors_, std::vector<std::string>{
                         "Could not convert variant of type (Null) into type (String)"});
  EXPECT_EQ(w.ArtikelData->State(), store::TableState::kInsert);
  EXPECT_EQ(F("TEKST").AsString(), "ny tekst");
  EXPECT_TRUE(F("TITEL").IsNull());
}

TEST_F(MaintenanceWindow, DecapDoesNothing) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  TVRegister& w = Start();
  w.Decap->click();
  EXPECT_EQ(w.ArtikelData->State(), store::TableState::kBrowse);
  EXPECT_EQ(w.ArtikelData->RecordCount(), 3);
  EXPECT_TRUE(errors_.empty());
}

// ---- Cover-disc list ----

TEST(CoverDiscTitle, OneOrTwoBlanksByteWiseAgainstNine) {
  const struct {
    const char* issue;
    const char* title;
  } cases[] = {
      {"1", "V-CD  1-2001"},      {"9", "V-CD  9-2001"},      {"10", "V-CD  10-2001"},
      {"12", "V-CD  12-2001"},    {"", "V-CD  -2001"},        {"90", "V-CD 90-2001"},
      {"Alle", "V-CD Alle-2001"}, {"Alla", "V-CD Alla-2001"}, {"Kaikki", "V-CD Kaikki-2001"},
      {"\xE6", "V-CD \xE6-2001"},  // a byte above 127 sorts after "9"
  };
  for (const auto& c : cases) EXPECT_EQ(CoverDiscTitle(c.issue, "2001"), c.title) << c.issue;
}

TEST(CoverDiscList, ReadsOnlyV1ToV70InNumberOrder) {
  std::vector<std::string> asked;
  ListReader read = [&](const std::string& section, const std::string& key) -> std::string {
    asked.push_back(section + "." + key);
    return key == "Titel" ? "T" + section : "ja";
  };
  std::string text = CoverDiscText(read, {"A ", "B "}, "1", "2002");
  ASSERT_EQ(asked.size(), 140u);
  EXPECT_EQ(asked.front(), "V1.Titel");
  EXPECT_EQ(asked[1], "V1.VProgram");
  EXPECT_EQ(asked.back(), "V70.VProgram");
  EXPECT_EQ(text.substr(0, 19), "A 1-2002:\r\nTV1\r\nTV2");
  EXPECT_EQ(text.substr(text.size() - 25), "TV69\r\nTV70\r\n\r\nB 1-2002:\r\n");
}

class Import : public MaintenanceWindow {
 protected:
  // A disc in drive `letter` whose root holds `list` as "V.DTX" (or under
  // `name`).
  void Disc(char letter, const std::string& list, const std::string& name = "V.DTX") {
    std::string root = std::string("disc") + letter;
    drives_.drives[letter] = {DriveType::kCdrom, (dir_ / root).string()};
    WriteFile(std::filesystem::path(root) / name, list);
  }
  // The record the import posted: the current one afterwards.
  std::string Text() { return F("TEKST").AsString(); }
};

TEST_F(Import, WorkedExampleByteForByte) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  drives_.drives['D'] = {DriveType::kFixed, "/"};
  Disc('E',
       "[V4]\r\nTitel=Gamma\r\nVProgram=JA\r\n[V2]\r\nTitel=Beta\r\n"
       "[V3]\r\nTitel=\r\nVProgram=ja\r\n[V1]\r\nTitel=Alpha\r\nVProgram=ja\r\n");
  TVRegister& w = Start();
  SetList(w.NummerEdit, "5");
  SetList(w.AargangEdit, "2002");
  SetList(w.KategoriValg, "V-CD");
  w.HentV->click();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_EQ(drives_.asked, (std::vector<std::string>{"D:\\", "E:\\"}));
  EXPECT_EQ(w.ArtikelData->State(), store::TableState::kBrowse);
  EXPECT_EQ(w.ArtikelData->RecordCount(), 4);
  EXPECT_EQ(Text(),
            "V-programmer p\xE5 V-cd 5-2002:\r\nAlpha\r\nGamma\r\n\r\n"
            "Ogs\xE5 p\xE5 V-cd 5-2002:\r\nBeta\r\n");
  EXPECT_EQ(F("TITEL").AsString(), "V-CD  5-2002");
  EXPECT_EQ(Shown(F("STARTSIDE")), "0");
  EXPECT_EQ(Shown(F("SLUTSIDE")), "0");
  EXPECT_EQ(Shown(F("AARGANG")), "2002");
  EXPECT_EQ(Shown(F("NUMMER")), "5");
  EXPECT_EQ(Shown(F("KATEGORI")), "V-CD");
  EXPECT_TRUE(F("VPROGRAMMER").AsString().empty());
  // A second click gives a second record.
  w.HentV->click();
  EXPECT_EQ(w.ArtikelData->RecordCount(), 5);
}

TEST_F(Import, SectionOrderCaseOfJaAndEmptyTitles) {
  WriteFile("Base.xml", EditionXml({}));
  Disc('D',
       "[V3]\nTitel=Tre\nVProgram=JA\n[V1]\nTitel=En\nVProgram=Ja\n[V70]\nTitel=Halvfjerds\n"
       "VProgram=jA\n[V71]\nTitel=For sent\nVProgram=JA\n[v5]\nTitel=Fem\nVProgram=yes\n"
       "[V6]\nTitel=Seks\nVProgram=1\n[V7]\nTitel=Syv\n[V8]\nVProgram=JA\n[V9]\nTitel=Ni\n"
       "VProgram=J\xC5\n[V02]\nTitel=Nul to\nVProgram=JA\n",
       "v.dtx");  // as Linux shows a plain ISO 9660 name
  TVRegister& w = Start();
  w.HentV->click();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_EQ(Text(),
            "V-programmer p\xE5 V-cd Alle-Alle:\r\nEn\r\nTre\r\nHalvfjerds\r\n\r\n"
            "Ogs\xE5 p\xE5 V-cd Alle-Alle:\r\nFem\r\nSeks\r\nSyv\r\nNi\r\n");
  EXPECT_EQ(F("TITEL").AsString(), "V-CD Alle-Alle");
  EXPECT_TRUE(F("KATEGORI").IsNull());
}

TEST_F(Import, EmptyListFileGivesTheTwoHeadings) {
  WriteFile("Base.xml", EditionXml({}));
  Disc('D', "");
  TVRegister& w = Start();
  SetList(w.NummerEdit, "9");
  SetList(w.AargangEdit, "2001");
  w.HentV->click();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_EQ(Text(), "V-programmer p\xE5 V-cd 9-2001:\r\n\r\nOgs\xE5 p\xE5 V-cd 9-2001:\r\n");
  EXPECT_EQ(F("TITEL").AsString(), "V-CD  9-2001");
}

TEST_F(Import, FinnishHeadings) {
  WriteFile("BaseFi.xml", EditionXml({}));
  Disc('D', "[V1]\nTitel=Alpha\nVProgram=ja\n[V2]\nTitel=Beta\n");
  TVRegister& w = Start(0x040B);
  SetList(w.NummerEdit, "10");
  SetList(w.AargangEdit, "2002");
  w.HentV->click();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_EQ(
      Text(),
      "V-ohjelmat V-cd:ll\xE4 10-2002:\r\nAlpha\r\n\r\nMy\xF6s V-cd:ll\xE4 10-2002:\r\nBeta\r\n");
  EXPECT_EQ(F("TITEL").AsString(), "V-CD  10-2002");
}

TEST_F(Import, SwedishUsesTheDanishHeadings) {
  WriteFile("BaseSv.xml", EditionXml({}));
  Disc('D', "[V1]\nTitel=Alpha\n");
  TVRegister& w = Start(0x041D);
  SetList(w.NummerEdit, "Alla");
  SetList(w.AargangEdit, "Alla");
  SetList(w.KategoriValg, "Alla");
  w.HentV->click();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_EQ(Text(),
            "V-programmer p\xE5 V-cd Alla-Alla:\r\n\r\nOgs\xE5 p\xE5 V-cd Alla-Alla:\r\nAlpha\r\n");
  EXPECT_EQ(F("TITEL").AsString(), "V-CD Alla-Alla");
  EXPECT_TRUE(F("KATEGORI").IsNull());
}

TEST_F(Import, OnlyTheFirstOfTwoCdromDrivesIsRead) {
  WriteFile("Base.xml", EditionXml({}));
  Disc('E', "[V1]\nTitel=Fra E\n");
  Disc('F', "[V1]\nTitel=Fra F\n");
  TVRegister& w = Start();
  w.HentV->click();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_NE(Text().find("Fra E"), std::string::npos);
  EXPECT_EQ(Text().find("Fra F"), std::string::npos);
  EXPECT_EQ(drives_.asked, (std::vector<std::string>{"D:\\", "E:\\"}));
}

TEST_F(Import, DiscOnlyInTheSecondDriveIsNotRead) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  drives_.drives['E'] = {DriveType::kCdrom, (dir_ / "empty_drive").string()};
  Disc('F', "[V1]\nTitel=Fra F\n");
  TVRegister& w = Start();
  w.HentV->click();
  EXPECT_EQ(errors_, std::vector<std::string>{"Programlisten E:\\V.DTX kan ikke l\xE6ses."});
  EXPECT_EQ(w.ArtikelData->RecordCount(), 3);
  EXPECT_EQ(w.ArtikelData->State(), store::TableState::kBrowse);
}

TEST_F(Import, NoCdromDriveSaysSoAndInsertsNothing) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  drives_.drives['C'] = {DriveType::kCdrom, dir_.string()};  // never asked
  drives_.drives['D'] = {DriveType::kFixed, dir_.string()};
  TVRegister& w = Start();
  w.HentV->click();
  EXPECT_EQ(errors_, std::vector<std::string>{
                         "Der er intet cd-rom-drev, s\xE5 der er ingen programliste at hente."});
  ASSERT_EQ(drives_.asked.size(), 23u);  // D to Z
  EXPECT_EQ(drives_.asked.front(), "D:\\");
  EXPECT_EQ(drives_.asked.back(), "Z:\\");
  EXPECT_EQ(w.ArtikelData->RecordCount(), 3);
  EXPECT_EQ(w.ArtikelData->State(), store::TableState::kBrowse);
}

TEST_F(Import, UnreadableListFileIsNamedAndNothingIsInserted) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  // A directory of that name cannot be read as a file.
  drives_.drives['G'] = {DriveType::kCdrom, (dir_ / "discG").string()};
  std::filesystem::create_directories(dir_ / "discG" / "V.DTX");
  TVRegister& w = Start();
  w.HentV->click();
  EXPECT_EQ(errors_, std::vector<std::string>{"Programlisten G:\\V.DTX kan ikke l\xE6ses."});
  EXPECT_EQ(w.ArtikelData->RecordCount(), 3);
}

// ---- Damaged list files ----

TEST_F(Import, DamagedListFilesNeverCrashAndStopAtV70) {
  WriteFile("Base.xml", EditionXml({}));
  std::mt19937 random(7);
  std::string binary(20000, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  binary.insert(100, "\n[V1]\nTitel=Efter st\xF8j\n");
  std::string long_line = "[V1]\nTitel=" + std::string(100000, 'x') + "\nVProgram=JA\n[V2]\n" +
                          std::string(100000, '[') + "\n";
  std::string many;
  for (int n = 1; n <= 10000; ++n) {
    many += "[V" + std::to_string(n) + "]\nTitel=Program " + std::to_string(n) + "\n";
  }
  TVRegister& w = Start();
  int posted = 0;
  for (const std::string& list : {binary, long_line, many}) {
    drives_.drives.clear();
    Disc('D', list);
    w.HentV->click();
    ASSERT_TRUE(errors_.empty()) << errors_.front();
    ++posted;
    EXPECT_EQ(w.ArtikelData->RecordCount(), posted);
  }
  // The long title arrives cut to the profile services' 2047 bytes.
  w.ArtikelData->First();
  std::vector<std::string> texts;
  for (; !w.ArtikelData->Eof(); w.ArtikelData->Next()) texts.push_back(Text());
  bool found_long = false, found_many = false;
  for (const std::string& t : texts) {
    if (t.find(std::string(2047, 'x') + "\r\n") != std::string::npos) {
      found_long = true;
      EXPECT_EQ(t.find(std::string(2048, 'x')), std::string::npos);
    }
    if (t.find("Program 70\r\n") != std::string::npos) {
      found_many = true;
      EXPECT_EQ(t.find("Program 71\r\n"), std::string::npos);
      EXPECT_NE(t.find("Program 1\r\n"), std::string::npos);
    }
  }
  EXPECT_TRUE(found_long);
  EXPECT_TRUE(found_many);
}

}  // namespace
}  // namespace app
