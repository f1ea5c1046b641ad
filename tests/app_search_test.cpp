// The reader's side of the main window, driven offscreen on the shipped
// edition files: narrowing by year, issue, category and word, re-sorting by a
// title click, the four editions and their switch, the settings file read at
// start-up and written once on either way out, and a whole session closed and
// started again. The test named UnderX runs on a real X server (Xvfb) with the
// system's own locale and settings directory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/edition.h"
#include "app/error_display.h"
#include "app/guarded_application.h"
#include "app/indeks_base.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"
#include "platform/screen.h"
#include "ui/code_page.h"

namespace app {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kDanishLocale = 0x0406;
constexpr uint32_t kNorwegianLocale = 0x0414;
constexpr uint32_t kSwedishLocale = 0x041D;
constexpr uint32_t kFinnishLocale = 0x040B;

// Profile files that count the writes and can refuse them.
class CountingProfiles : public platform::IProfileFiles {
 public:
  explicit CountingProfiles(std::string dir) : inner_(platform::DefaultFileSystem(), dir) {}
  std::string GetString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view def) override {
    return inner_.GetString(file, section, key, def);
  }
  bool WriteString(const std::string& file, std::string_view section, std::string_view key,
                   std::string_view value) override {
    ++writes;
    return !refuse && inner_.WriteString(file, section, key, value);
  }
  bool CanRead(const std::string& file) override { return inner_.CanRead(file); }
  int writes = 0;
  bool refuse = false;

 private:
  platform::ProfileFiles inner_;
};

class SearchWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_dir_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("vregister_search_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    fs::create_directories(dir_ / "cfg");
    fs::current_path(dir_);
    for (const char* name : {"Base.xml", "BaseNo.xml", "BaseSv.xml", "BaseFi.xml"}) {
      fs::copy_file(fs::path(VR_SOURCE_DIR) / "data" / name, dir_ / name);
    }
    SetErrorSink([this](const std::string&, const std::string& text) { errors_.push_back(text); });
    profiles_ = std::make_unique<CountingProfiles>((dir_ / "cfg").string());
  }
  void TearDown() override {
    window_.reset();
    ResetErrorSink();
    fs::current_path(old_dir_);
    fs::remove_all(dir_);
  }

  TVRegister& Start(uint32_t lcid = kDanishLocale) {
    window_.reset();
    locale_ = std::make_unique<platform::FixedLocale>(lcid);
    window_ =
        std::make_unique<TVRegister>(*locale_, platform::DefaultFileSystem(), *profiles_, &screen_);
    window_->show();
    QApplication::processEvents();
    return *window_;
  }

  std::string Settings() {
    std::ifstream in(dir_ / "cfg" / "VDatabase.ini", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  void PutSettings(const std::string& text) {
    std::ofstream(dir_ / "cfg" / "VDatabase.ini", std::ios::binary) << text;
  }

  // Picks the entry below the one a list shows, as the Down key does.
  void PickNext(ui::TStyledComboBox* list) { QTest::keyClick(list, Qt::Key_Down); }
  void ClickTitle(int column) {
    QHeaderView* header = window_->ArtikelGrid->horizontalHeader();
    // The middle of the title: near its edges a press grips the column's border.
    QTest::mouseClick(
        header->viewport(), Qt::LeftButton, {},
        QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, 5));
  }
  std::string Filter() { return window_->ArtikelData->Filter(); }
  int Rows() { return window_->ArtikelGrid->model()->rowCount(); }
  QString Title(int column) {
    return window_->ArtikelGrid->model()->headerData(column, Qt::Horizontal).toString();
  }
  QRect Outer() { return window_->frameGeometry(); }

  static inline int counter_ = 0;
  fs::path old_dir_, dir_;
  platform::FixedScreen screen_{1024, 768};
  std::unique_ptr<CountingProfiles> profiles_;
  std::unique_ptr<platform::FixedLocale> locale_;
  std::unique_ptr<TVRegister> window_;
  std::vector<std::string> errors_;
};

// ---- Search and sort ----

TEST_F(SearchWindowTest, ListsAndWordComposeTheFilter) {
  TVRegister& w = Start();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  const int all = Rows();
  EXPECT_FALSE(w.ArtikelData->Filtered());
  PickNext(w.AargangEdit);  // 2001
  PickNext(w.AargangEdit);  // 2002
  EXPECT_EQ(Filter(), "Aargang = '2002'");
  EXPECT_TRUE(w.ArtikelData->Filtered());
  QTest::keyClicks(w.Tekstord, "virus");
  EXPECT_EQ(Filter(), "(Tekst LIKE '%virus%' or Titel LIKE '%virus%') and Aargang = '2002'");
  for (int i = 0; i < 5; ++i) QTest::keyClick(w.Tekstord, Qt::Key_Backspace);
  EXPECT_EQ(Filter(), "Aargang = '2002'");
  // Typed into a list: nothing until the next selection or word change,
  // then used as typed.
  w.AargangEdit->lineEdit()->selectAll();
  QTest::keyClicks(w.AargangEdit, "Alle");
  EXPECT_EQ(Filter(), "Aargang = '2002'");
  PickNext(w.NummerEdit);  // 1
  PickNext(w.NummerEdit);  // 2
  PickNext(w.NummerEdit);  // 3
  EXPECT_EQ(Filter(), "Nummer = '3'");
  w.KategoriValg->SetText("V-CD");  // set by code: no selection
  EXPECT_EQ(Filter(), "Nummer = '3'");
  QTest::keyClicks(w.Tekstord, "x");
  QTest::keyClick(w.Tekstord, Qt::Key_Backspace);
  EXPECT_EQ(Filter(), "Nummer = '3' and KATEGORI = 'V-CD'");
  // Back to "all" everywhere: filtering off, every row again.
  w.NummerEdit->SetText("Alle");
  w.KategoriValg->SetText("Alle");
  QTest::keyClicks(w.Tekstord, "x");
  QTest::keyClick(w.Tekstord, Qt::Key_Backspace);
  EXPECT_EQ(Filter(), "");
  EXPECT_FALSE(w.ArtikelData->Filtered());
  EXPECT_EQ(Rows(), all);
  // Another edition's "all" word is a value here.
  w.KategoriValg->SetText("Kaikki");
  QTest::keyClicks(w.Tekstord, "a");
  EXPECT_EQ(Filter(), "(Tekst LIKE '%a%' or Titel LIKE '%a%') and KATEGORI = 'Kaikki'");
  EXPECT_EQ(Rows(), 0);
  EXPECT_TRUE(errors_.empty());
  // A year typed into a list must be a whole number.
  w.KategoriValg->SetText("Alle");
  w.AargangEdit->SetText("Alla");
  QTest::keyClick(w.Tekstord, Qt::Key_Backspace);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "'Alla' is not a valid integer value.");
}

TEST_F(SearchWindowTest, AQuoteInTheWordIsShownAndThePreviousViewStays) {
  TVRegister& w = Start();
  QTest::keyClicks(w.Tekstord, "it");
  const std::string it_filter = Filter();
  const int it_rows = Rows();
  QTest::keyClicks(w.Tekstord, "'");
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "Invalid filter expression character: '%'");
  QTest::keyClicks(w.Tekstord, "s");
  ASSERT_EQ(errors_.size(), 2u);
  EXPECT_EQ(errors_[1].rfind("')' expected but ", 0), 0u) << errors_[1];
  // The switch is on, the previous text is in force, the word stays typed.
  EXPECT_TRUE(w.ArtikelData->Filtered());
  EXPECT_EQ(Filter(), it_filter);
  EXPECT_EQ(Rows(), it_rows);
  EXPECT_EQ(w.Tekstord->Text(), "it's");
  // A blank after the s makes an accepted word again.
  QTest::keyClicks(w.Tekstord, " ");
  EXPECT_EQ(errors_.size(), 2u);
  EXPECT_EQ(Filter(), "(Tekst LIKE '%it's %' or Titel LIKE '%it's %')");
}

TEST_F(SearchWindowTest, TitleClicksSortByTheColumnsCreationNumber) {
  TVRegister& w = Start();
  EXPECT_EQ(w.ArtikelData->IndexName(), "TitelX");
  ClickTitle(ui::kColAargang);
  EXPECT_EQ(w.ArtikelData->IndexName(), "AargangX");
  ClickTitle(ui::kColSideantal);  // no order: unchanged
  EXPECT_EQ(w.ArtikelData->IndexName(), "AargangX");
  w.ArtikelGridTitleClick(ui::kColSlut);
  EXPECT_EQ(w.ArtikelData->IndexName(), "AargangX");
  ClickTitle(ui::kColStart);
  EXPECT_EQ(w.ArtikelData->IndexName(), "StartX");
  // The title column dragged to the far left is still the title column.
  w.ArtikelGrid->horizontalHeader()->moveSection(
      w.ArtikelGrid->horizontalHeader()->visualIndex(ui::kColTitel), 0);
  ClickTitle(ui::kColTitel);
  EXPECT_EQ(w.ArtikelData->IndexName(), "TitelX");
  ClickTitle(ui::kColKategori);
  EXPECT_EQ(w.ArtikelData->IndexName(), "KategoriX");
  ClickTitle(ui::kColNummer);
  EXPECT_EQ(w.ArtikelData->IndexName(), "NummerX");
  EXPECT_TRUE(errors_.empty());
}

// ---- Editions ----

void ExpectEditionTexts(TVRegister& w, const Edition& e, const QString& slut_title) {
  auto T = [](const char* s) { return QString::fromUtf8(s); };
  EXPECT_EQ(w.windowTitle(), T(e.caption));
  EXPECT_EQ(w.Aargang->text(), T(e.aargang));
  EXPECT_EQ(w.Nummer->text(), T(e.nummer));
  EXPECT_EQ(w.Kategori->text(), T(e.kategori));
  EXPECT_EQ(w.FilterGruppe->title(), T(e.filter_gruppe));
  EXPECT_EQ(w.Tekst->text(), T(e.tekst));
  EXPECT_EQ(w.TekstLabel->text(), T(e.tekst_label));
  EXPECT_EQ(w.KeyLabel->text(), T(e.key_label));
  EXPECT_EQ(w.Afslut->text(), T(e.afslut));
  EXPECT_EQ(w.ArtikelGrid->CopyAction()->text(), T(e.kopier));
  auto* model = w.ArtikelGrid->model();
  for (const ui::GridColumnDef& c : ui::kGridColumns) {
    if (c.title_slot == ui::kNoSlot) continue;
    EXPECT_EQ(model->headerData(c.id, Qt::Horizontal).toString(), T(e.grid_titles[c.title_slot]));
  }
  EXPECT_EQ(model->headerData(ui::kColSlut, Qt::Horizontal).toString(), slut_title);
  ASSERT_EQ(w.KategoriValg->count(), 11);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(w.KategoriValg->itemText(i + 1), T(e.categories[i]));
  for (ui::TStyledComboBox* list : {w.AargangEdit, w.NummerEdit, w.KategoriValg}) {
    EXPECT_EQ(list->itemText(0), T(e.alle_ord));
  }
  EXPECT_EQ(w.ArtikelData->FileName(), e.data_file);
  // Inputs are named by their labels for a screen reader.
  EXPECT_EQ(w.AargangEdit->accessibleName(), T(e.aargang).remove(':'));
  EXPECT_EQ(w.Tekstord->accessibleName(), T(e.tekst).remove(':'));
}

TEST_F(SearchWindowTest, EveryEditionsTextsAndTheCycle) {
  TVRegister& w = Start();
  const QString slut = Title(ui::kColSlut);
  EXPECT_EQ(slut, "Slutside");
  for (const Edition& e : kEditions) {
    SCOPED_TRACE(e.sprog);
    EXPECT_EQ(w.Sprog, e.sprog);
    ExpectEditionTexts(w, e, slut);
    EXPECT_EQ(w.ArtikelData->Collation(), e.alphabet);
    EXPECT_GT(Rows(), 500);
    w.NytSprogClick();
  }
  EXPECT_EQ(w.Sprog, kDansk);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  // Started in each edition, the same texts.
  for (uint32_t lcid : {kNorwegianLocale, kSwedishLocale, kFinnishLocale}) {
    TVRegister& again = Start(lcid);
    ExpectEditionTexts(again, *FindEdition(again.Sprog), slut);
  }
}

TEST_F(SearchWindowTest, SwitchKeepsChoicesAndMovesTheAllWord) {
  TVRegister& w = Start(kSwedishLocale);
  EXPECT_EQ(w.AargangEdit->Text(), "Alla");
  w.NytSprogClick();  // Finnish
  for (ui::TStyledComboBox* list : {w.AargangEdit, w.NummerEdit, w.KategoriValg}) {
    EXPECT_EQ(list->Text(), "Kaikki");
  }
  EXPECT_EQ(Filter(), "");
  EXPECT_FALSE(w.ArtikelData->Filtered());
  // A category of one edition stays untranslated in the next.
  w.NytSprogClick();  // Danish
  w.KategoriValg->setCurrentIndex(2);
  ASSERT_EQ(w.KategoriValg->Text(), "Artikel");
  PickNext(w.AargangEdit);
  w.ArtikelGridTitleClick(ui::kColAargang);
  w.NytSprogClick();  // Norwegian
  w.NytSprogClick();  // Swedish
  w.NytSprogClick();  // Finnish
  EXPECT_EQ(w.KategoriValg->Text(), "Artikel");
  EXPECT_EQ(w.AargangEdit->Text(), "2001");
  EXPECT_EQ(Filter(), "Aargang = '2001' and KATEGORI = 'Artikel'");
  EXPECT_EQ(w.ArtikelData->IndexName(), "AargangX");
  EXPECT_TRUE(errors_.empty());
}

TEST_F(SearchWindowTest, MissingEditionFileAtStartUpLeavesTheDesignTexts) {
  fs::remove(dir_ / "BaseFi.xml");
  TVRegister& w = Start(kFinnishLocale);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "ArtikelData: Missing data provider or data packet.");
  EXPECT_FALSE(w.ArtikelData->Active());
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Vexor for alle årsregister"));
  EXPECT_EQ(w.KategoriValg->itemText(5), "Vexor test");
  EXPECT_EQ(Title(ui::kColStart), "Side");
  // The settings were applied before: the window has its stored place.
  EXPECT_EQ(Outer(), QRect(100, 100, 636, 459));
}

TEST_F(SearchWindowTest, SwitchNeverOpensOneEditionsDataUnderAnothersFile) {
  fs::remove(dir_ / "BaseNo.xml");
  TVRegister& w = Start();
  // A change in the Danish data: the close before the switch writes Base.xml.
  w.ArtikelData->First();
  w.ArtikelData->Edit();
  w.ArtikelData->SetFieldValue("TITEL", store::Variant("Aaa ny titel"));
  w.ArtikelData->Post();
  Guard([&] { w.NytSprogClick(); });
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "ArtikelData: Missing data provider or data packet.");
  EXPECT_FALSE(w.ArtikelData->Active());
  window_.reset();
  EXPECT_FALSE(fs::exists(dir_ / "BaseNo.xml"));
  std::ifstream in(dir_ / "Base.xml", std::ios::binary);
  std::string danish((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(danish.find("Aaa ny titel"), std::string::npos);
}

TEST_F(SearchWindowTest, SwitchPostsARecordBeingEdited) {
  TVRegister& w = Start();
  w.ArtikelData->First();
  w.ArtikelData->Edit();
  w.ArtikelData->SetFieldValue("TITEL", store::Variant("Aaa under redigering"));
  w.NytSprogClick();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  std::ifstream in(dir_ / "Base.xml", std::ios::binary);
  std::string danish((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(danish.find("Aaa under redigering"), std::string::npos);
}

// ---- Settings ----

TEST_F(SearchWindowTest, NoSettingsFile) {
  TVRegister& w = Start();
  EXPECT_EQ(Outer(), QRect(100, 100, 636, 459));
  for (ui::TStyledComboBox* list : {w.AargangEdit, w.NummerEdit, w.KategoriValg}) {
    EXPECT_EQ(list->Text(), "Alle");
  }
  EXPECT_EQ(w.Tekstord->Text(), "");
  EXPECT_EQ(w.ArtikelData->IndexName(), "TitelX");
  EXPECT_EQ(w.StartSideEdit->Text(), "1");
  EXPECT_FALSE(fs::exists(dir_ / "cfg" / "VDatabase.ini"));
  // Laid out by the resize rules for 636 by 459.
  EXPECT_EQ(w.ArtikelGrid->size(), QSize(596, 144));
  EXPECT_EQ(w.ArtikelGrid->columnWidth(ui::kColTitel), 281);
  EXPECT_EQ(w.Afslut->pos(), QPoint(541, 392));
}

TEST_F(SearchWindowTest, StoredValuesBoundedAndConverted) {
  struct Case {
    std::string keys;
    QRect outer;
    QString start_side;
  } cases[] = {
      {"Venstre=5000\r\nTop=-20\r\n", QRect(924, 0, 636, 459), "1"},
      {"Bredde=0x300\r\nStartSide=0\r\n", QRect(100, 100, 768, 459), ""},
      {"Bredde=7O0\r\nH\xF8jde=50\r\n", QRect(100, 100, 636, 300), "1"},
      {"Bredde=2000\r\nH\xF8jde=2000\r\nStartSide=7\r\n", QRect(100, 100, 808, 827), "7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    PutSettings("[Defaults]\r\n" + c.keys);
    TVRegister& w = Start();
    EXPECT_EQ(Outer(), c.outer);
    EXPECT_EQ(w.StartSideEdit->Text(), c.start_side);
  }
}

TEST_F(SearchWindowTest, FinnishFileReadByTheDanishEdition) {
  PutSettings(
      "[Defaults]\r\nAargang=Kaikki\r\nNummer=Kaikki\r\nKategori=Kaikki\r\nTekstOrd=\r\n"
      "SortOrder=NummerX\r\n");
  TVRegister& w = Start();
  EXPECT_EQ(w.AargangEdit->Text(), "Alle");
  EXPECT_EQ(w.KategoriValg->Text(), "Alle");
  EXPECT_EQ(Filter(), "");
  EXPECT_EQ(w.ArtikelData->IndexName(), "NummerX");
}

TEST_F(SearchWindowTest, UnknownSortOrderEndsStartUpThere) {
  PutSettings("[Defaults]\r\nSortOrder=NoSuchX\r\nVenstre=300\r\n");
  TVRegister& w = Start();
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "ArtikelData: Index 'NoSuchX' not found.");
  EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Vexor for alle årsregister"));
  // The place and size of the stored window definition, also once shown.
  EXPECT_EQ(w.size(), QSize(665, 473));
  EXPECT_NE(w.pos(), QPoint(100, 100));
}

TEST_F(SearchWindowTest, BothWaysOutWriteTheSameFileOnce) {
  std::string files[2];
  for (int path = 0; path < 2; ++path) {
    fs::remove(dir_ / "cfg" / "VDatabase.ini");
    profiles_->writes = 0;
    TVRegister& w = Start();
    QTest::keyClicks(w.Tekstord, "spil");
    PickNext(w.AargangEdit);
    if (path == 0) {
      EXPECT_TRUE(w.close());
    } else {
      QTimer::singleShot(0, [&] { QTest::mouseClick(w.Afslut, Qt::LeftButton); });
      QTimer::singleShot(3000, [] { QCoreApplication::exit(1); });
      EXPECT_EQ(QApplication::exec(), 0);
    }
    window_.reset();
    EXPECT_EQ(profiles_->writes, 10) << path;
    files[path] = Settings();
  }
  EXPECT_EQ(files[0], files[1]);
  EXPECT_EQ(files[0],
            "[Defaults]\r\nAargang=2001\r\nNummer=Alle\r\nKategori=Alle\r\nStartSide=1\r\n"
            "Bredde=636\r\nH\xF8jde=459\r\nVenstre=100\r\nTop=100\r\nTekstOrd=spil\r\n"
            "SortOrder=TitelX\r\n");
  EXPECT_TRUE(errors_.empty());
}

TEST_F(SearchWindowTest, ARefusedWriteKeepsTheProgramOpen) {
  TVRegister& w = Start();
  profiles_->refuse = true;
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "Unable to write to VDatabase.ini.");
  // Afslut: the loop goes on (it ends only by the test's own timer).
  QTimer::singleShot(0, [&] { QTest::mouseClick(w.Afslut, Qt::LeftButton); });
  QTimer::singleShot(300, [] { QCoreApplication::exit(7); });
  EXPECT_EQ(QApplication::exec(), 7);
  EXPECT_EQ(errors_.size(), 2u);
  EXPECT_TRUE(w.isVisible());
  // Allowed again, the close writes.
  profiles_->refuse = false;
  profiles_->writes = 0;
  EXPECT_TRUE(w.close());
  EXPECT_EQ(profiles_->writes, 10);
}

TEST_F(SearchWindowTest, WritingKeepsTheRestOfTheFile) {
  PutSettings("; mine\r\n[Other]\r\nX=\xE6\xF8\xE5\r\n\r\n[defaults]\r\nbredde=700\r\n");
  TVRegister& w = Start();
  EXPECT_EQ(Outer().width(), 700);
  EXPECT_TRUE(w.close());
  EXPECT_EQ(Settings(),
            "; mine\r\n[Other]\r\nX=\xE6\xF8\xE5\r\n\r\n[defaults]\r\nbredde=700\r\n"
            "Aargang=Alle\r\nNummer=Alle\r\nKategori=Alle\r\nStartSide=1\r\nH\xF8jde=459\r\n"
            "Venstre=100\r\nTop=100\r\nTekstOrd=\r\nSortOrder=TitelX\r\n");
}

// ---- A whole session ----

TEST_F(SearchWindowTest, ASessionComesBackAsItWasLeft) {
  PutSettings("[Defaults]\r\nVenstre=40\r\nTop=30\r\nBredde=700\r\nH\xF8jde=520\r\n");
  {
    TVRegister& w = Start();
    PickNext(w.AargangEdit);
    PickNext(w.AargangEdit);
    for (const char* key : {"s", "p", "i", "l"}) QTest::keyClicks(w.Tekstord, key);
    ClickTitle(ui::kColAargang);
    EXPECT_EQ(w.ArtikelData->IndexName(), "AargangX");
    EXPECT_TRUE(w.close());
  }
  const std::string first = Settings();
  for (int again = 0; again < 2; ++again) {
    TVRegister& w = Start();
    EXPECT_EQ(w.AargangEdit->Text(), "2002");
    EXPECT_EQ(w.NummerEdit->Text(), "Alle");
    EXPECT_EQ(w.Tekstord->Text(), "spil");
    EXPECT_EQ(w.ArtikelData->IndexName(), "AargangX");
    EXPECT_EQ(Filter(), "(Tekst LIKE '%spil%' or Titel LIKE '%spil%') and Aargang = '2002'");
    EXPECT_GT(Rows(), 0);
    EXPECT_EQ(Outer(), QRect(40, 30, 700, 520));
    EXPECT_TRUE(w.close());
    EXPECT_EQ(Settings(), first);
  }
  EXPECT_TRUE(errors_.empty());
}

// ---- On a real X server, with the system's locale and settings place ----

TEST(SearchUnderX, FinnishSystemWithoutSettings) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server";
  const fs::path dir = fs::temp_directory_path() / ("vregister_x_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path old_dir = fs::current_path();
  fs::current_path(dir);
  fs::copy_file(fs::path(VR_SOURCE_DIR) / "data" / "BaseFi.xml", dir / "BaseFi.xml");
  ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  std::vector<std::string> errors;
  SetErrorSink([&](const std::string&, const std::string& text) { errors.push_back(text); });
  auto settings = [&] {
    std::ifstream in(dir / "config" / "VDatabase.ini", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  };
  std::string first;
  // Closed and started again without a move: the same place, size and file.
  for (int run = 0; run < 3; ++run) {
    platform::EnvironmentLocale locale;
    TVRegister w(locale, platform::DefaultFileSystem(), platform::DefaultProfileFiles());
    w.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Vexorri Kaikille - vuosihakemisto"));
    // No window manager draws a frame: the client area is the stored size.
    EXPECT_EQ(w.geometry(), QRect(100, 100, 636, 459)) << run;
    EXPECT_TRUE(w.close());
    if (run == 0) first = settings();
    EXPECT_EQ(settings(), first) << run;
  }
  EXPECT_NE(first.find("\r\nKategori=Kaikki\r\n"), std::string::npos) << first;
  EXPECT_TRUE(errors.empty()) << errors.front();
  ResetErrorSink();
  fs::current_path(old_dir);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace app
