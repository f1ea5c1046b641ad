// The edition registry as its readers see it: the cover-disc headings each
// shipped edition writes into a record, the rules of a registration, the
// shipped data files beside the table's rows, and a made-up fifth edition
// (Icelandic) registered at run time that the edition rules and the window
// take like a shipped one: its texts, its "all" word, its alphabet, its data
// file and its cover-disc headings.
#include <QAction>
#include <QHeaderView>
#include <QTest>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include "app/cover_disc_list.h"
#include "app/edition.h"
#include "maintenance_window.h"
#include "store/edition_registry.h"
#include "ui/code_page.h"
#include "ui/grid_columns.h"

namespace app {
namespace {

constexpr int32_t kIcelandic = platform::kLangIcelandic;
constexpr uint32_t kIcelandicLocale = 0x040F;

// A made-up edition: nothing of it is shipped.
constexpr Edition kIcelandicEdition = {
    kIcelandic,
    "./BaseIs.xml",
    "Allt",
    engine::Collation::kDanishNorwegian,
    "Vexor fyrir alla - ársskrá",
    "Árgangur:",
    "Tölublað:",
    "Flokkur:",
    "Leita í:  ",
    "Leitarorð:",
    {"Árgangur", "Tbl.", "Titill", "Flokkur", "Byrjun", "Síður"},
    "Efni:",
    "Lykilorð",
    "Hætta",
    {"Umsögn", "Grein", "Myndasafn", "V-CD", "Prófun", "Fréttir", "Nýtt á netinu", "Skóli",
     "Spurðu okkur", "Svona virkar..."},
    {"árekstur",
     {"%1 hefur verið breytt af öðrum.", "%1 hefur verið skipt út.", "%1 hefur verið eytt.",
      "%1 hefur verið búin til af öðrum."},
     " Ekkert var skrifað yfir; breytingarnar eru í %2.",
     " Ekkert var skrifað yfir, en ekki tókst að vista breytingarnar í %2.",
     "%1 er opin hjá öðrum ritstjóra%2%3.",
     " síðan %1",
     " á "},
    "Afrita",
    "Greinar",
    "Icelandic",
    {"V-forrit á V-diski ", "Einnig á V-diski "},
};

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(CoverDiscHeadings, EachEditionsHeadingsAsRecordBytes) {
  struct Case {
    int32_t sprog;
    const char* programs;  // Windows-1252
    const char* also;
  } cases[] = {
      {kDansk, "V-programmer p\xE5 V-cd ", "Ogs\xE5 p\xE5 V-cd "},
      {kNorsk, "V-programmer p\xE5 V-cd ", "Ogs\xE5 p\xE5 V-cd "},
      {kSvensk, "V-programmer p\xE5 V-cd ", "Ogs\xE5 p\xE5 V-cd "},
      {kSuomi, "V-ohjelmat V-cd:ll\xE4 ", "My\xF6s V-cd:ll\xE4 "},
  };
  ASSERT_EQ(std::size(cases), std::size(kEditions));
  for (const Case& c : cases) {
    const CoverDiscHeadings h = CoverDiscHeadingsOf(c.sprog);
    EXPECT_EQ(h.programs, c.programs) << c.sprog;
    EXPECT_EQ(h.also, c.also) << c.sprog;
  }
  // A code without an edition has no headings: none are borrowed.
  EXPECT_THROW(CoverDiscHeadingsOf(kIcelandic), std::invalid_argument);
  EXPECT_THROW(CoverDiscHeadingsOf(platform::kLangEnglish), std::invalid_argument);
}

TEST(EditionRegistry, ShippedRowsAreTheShippedDataFiles) {
  // The packaging installs the table's files and the generator writes them:
  // data/ holds exactly one file per row.
  std::set<std::string> shipped;
  for (const auto& entry : std::filesystem::directory_iterator(VR_SOURCE_DIR "/data")) {
    if (entry.path().extension() == ".xml") shipped.insert(entry.path().filename().string());
  }
  std::set<std::string> rows;
  for (const Edition* e : store::Editions()) rows.insert(std::string(store::DataFileName(*e)));
  EXPECT_EQ(rows, shipped);
  EXPECT_EQ(rows.size(), std::size(kEditions));
}

TEST(EditionRegistry, ARegisteredEditionJoinsEveryRuleUntilItsHandleEnds) {
  struct Rule {
    const char* what;
    std::function<std::string()> answer;
    std::string without, with;
  } rules[] = {
      {"locale", [] { return std::to_string(SprogFromLocale(kIcelandicLocale)); }, "6", "15"},
      {"after Finnish", [] { return std::to_string(NextSprog(kSuomi)); }, "6", "15"},
      {"after Icelandic", [] { return std::to_string(NextSprog(kIcelandic)); }, "15", "6"},
      {"all word", [] { return AlleOrdOf(kIcelandic); }, "", "Allt"},
      {"all word moved", [] { return NormaliserAlle("Allt", "Alle"); }, "Allt", "Alle"},
      {"to its all word", [] { return NormaliserAlle("Kaikki", "Allt"); }, "Allt", "Allt"},
      {"data file",
       [] {
         const Edition* e = FindEdition(kIcelandic);
         return std::string(e != nullptr ? e->data_file : "");
       },
       "", "./BaseIs.xml"},
      {"last known", [] { return std::string(store::Editions().back()->language); }, "Finnish",
       "Icelandic"},
  };
  auto expect = [&](bool registered) {
    for (const Rule& r : rules) {
      EXPECT_EQ(r.answer(), registered ? r.with : r.without) << r.what;
    }
  };
  expect(false);
  {
    store::EditionRegistration first = store::RegisterEdition(kIcelandicEdition);
    // The registry holds its own copy.
    EXPECT_NE(&first.edition(), &kIcelandicEdition);
    store::EditionRegistration moved = std::move(first);
    expect(true);
    EXPECT_EQ(store::Editions().size(), std::size(kEditions) + 1);
  }
  expect(false);
  EXPECT_EQ(store::Editions().size(), std::size(kEditions));
}

TEST(EditionRegistry, RefusesATakenCodeAndAnEditionShortOfAText) {
  struct Case {
    const char* what;
    Edition edition;
    const char* message;
  };
  Edition danish_again = kIcelandicEdition;
  danish_again.sprog = kDansk;
  Edition no_heading = kIcelandicEdition;
  no_heading.cover_disc.also = nullptr;
  Edition no_category = kIcelandicEdition;
  no_category.categories[9] = nullptr;
  const Case cases[] = {
      {"taken", danish_again, "an edition with the code 6 is known already"},
      {"heading", no_heading, "the edition with the code 15 lacks its cover_disc.also"},
      {"category", no_category, "the edition with the code 15 lacks its categories"},
  };
  for (const Case& c : cases) {
    try {
      store::EditionRegistration r = store::RegisterEdition(c.edition);
      ADD_FAILURE() << c.what << " was registered";
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), c.message) << c.what;
    }
    EXPECT_EQ(store::Editions().size(), std::size(kEditions)) << c.what;
  }
  // The same code twice while the first holds it.
  store::EditionRegistration held = store::RegisterEdition(kIcelandicEdition);
  EXPECT_THROW((void)store::RegisterEdition(kIcelandicEdition), std::invalid_argument);
}

// Two Icelandic rows; by title "Afritun", then "Prentarar í prófun".
std::vector<std::string> IcelandicArticles() {
  return {
      ArticleRow("Aargang=\"2003\" Nummer=\"2\" Titel=\"Prentarar \xED pr\xF3"
                 "fun\" "
                 "Tekst=\"Sex prentarar\" Kategori=\"Pr\xF3"
                 "fun\" StartSide=\"4\" "
                 "SlutSide=\"7\""),
      ArticleRow("Aargang=\"2003\" Nummer=\"1\" Titel=\"Afritun\" Tekst=\"\xD6ryggi\" "
                 "Kategori=\"Grein\" StartSide=\"10\" SlutSide=\"10\""),
  };
}

class IcelandicWindow : public MaintenanceWindow {
 protected:
  void SetUp() override {
    MaintenanceWindow::SetUp();
    icelandic_.emplace(store::RegisterEdition(kIcelandicEdition));
    WriteFile("Base.xml", EditionXml(ThreeArticles()));
    WriteFile("BaseFi.xml", EditionXml({}));
    WriteFile("BaseIs.xml", EditionXml(IcelandicArticles()));
  }
  void TearDown() override {
    // The window and the notice texts it set point into the registered copy.
    window_.reset();
    SetNoticeTexts(nullptr);
    icelandic_.reset();
    MaintenanceWindow::TearDown();
  }
  std::vector<QString> Titles() {
    std::vector<QString> titles;
    auto* model = window_->ArtikelGrid->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      titles.push_back(model->index(row, ui::kColTitel).data().toString());
    }
    return titles;
  }
  void ExpectIcelandic(TVRegister& w) {
    const Edition& e = kIcelandicEdition;
    EXPECT_EQ(w.Sprog, kIcelandic);
    EXPECT_EQ(w.windowTitle(), U(e.caption));
    EXPECT_EQ(w.Aargang->text(), U(e.aargang));
    EXPECT_EQ(w.Nummer->text(), U(e.nummer));
    EXPECT_EQ(w.Kategori->text(), U(e.kategori));
    EXPECT_EQ(w.FilterGruppe->title(), U(e.filter_gruppe));
    EXPECT_EQ(w.Tekst->text(), U(e.tekst));
    EXPECT_EQ(w.TekstLabel->text(), U(e.tekst_label));
    EXPECT_EQ(w.KeyLabel->text(), U(e.key_label));
    EXPECT_EQ(w.Afslut->text(), U(e.afslut));
    EXPECT_EQ(w.ArtikelGrid->CopyAction()->text(), U(e.kopier));
    EXPECT_EQ(w.ArtikelGrid->accessibleName(), U(e.grid_name));
    EXPECT_EQ(w.AargangEdit->accessibleName(), "Árgangur");
    auto* model = w.ArtikelGrid->model();
    for (const ui::GridColumnDef& c : ui::kGridColumns) {
      if (c.title_slot == ui::kNoSlot) continue;
      EXPECT_EQ(model->headerData(c.id, Qt::Horizontal).toString(), U(e.grid_titles[c.title_slot]));
    }
    ASSERT_EQ(w.KategoriValg->count(), 11);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(w.KategoriValg->itemText(i + 1), U(e.categories[i]));
    for (ui::TStyledComboBox* list : {w.AargangEdit, w.NummerEdit, w.KategoriValg}) {
      EXPECT_EQ(list->itemText(0), "Allt");
      EXPECT_EQ(list->Text(), "Allt");
    }
    // Its own file, in its alphabet, and nothing of the Danish one.
    EXPECT_EQ(w.ArtikelData->FileName(), "./BaseIs.xml");
    EXPECT_EQ(w.ArtikelData->Collation(), e.alphabet);
    EXPECT_EQ(Titles(), (std::vector<QString>{"Afritun", U("Prentarar í prófun")}));
  }
  std::optional<store::EditionRegistration> icelandic_;
};

TEST_F(IcelandicWindow, StartsInItsLanguageWithItsTextsAllWordAndFile) {
  TVRegister& w = Start(kIcelandicLocale);
  ExpectIcelandic(w);
  // Its category narrows the list like a shipped one's.
  w.KategoriValg->setCurrentIndex(4);
  QTest::keyClick(w.KategoriValg, Qt::Key_Down);
  ASSERT_EQ(w.KategoriValg->Text(), U("Prófun"));
  EXPECT_EQ(Titles(), (std::vector<QString>{U("Prentarar í prófun")}));
  // The cycle leaves it for the first edition, and the "all" word moves.
  w.KategoriValg->setCurrentIndex(0);
  w.NytSprogClick();
  EXPECT_EQ(w.Sprog, kDansk);
  EXPECT_EQ(w.ArtikelData->FileName(), "./Base.xml");
  EXPECT_EQ(w.AargangEdit->Text(), "Alle");
  EXPECT_EQ(Titles().size(), 3u);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(IcelandicWindow, TheCycleReachesItAfterTheShippedEditions) {
  TVRegister& w = Start(0x040B);  // Finnish
  EXPECT_EQ(w.AargangEdit->Text(), "Kaikki");
  w.NytSprogClick();
  ExpectIcelandic(w);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(IcelandicWindow, TheCoverDiscImportWritesItsHeadings) {
  drives_.drives['D'] = {platform::DriveType::kCdrom, (dir_ / "disc").string()};
  WriteFile("disc/V.DTX", "[V1]\r\nTitel=Alfa\r\nVProgram=JA\r\n[V2]\r\nTitel=Beta\r\n");
  TVRegister& w = Start(kIcelandicLocale);
  SetList(w.NummerEdit, "5");
  SetList(w.AargangEdit, "2003");
  w.HentV->click();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_EQ(F("TEKST").AsString(),
            "V-forrit \xE1 V-diski 5-2003:\r\nAlfa\r\n\r\n"
            "Einnig \xE1 V-diski 5-2003:\r\nBeta\r\n");
}

}  // namespace
}  // namespace app
