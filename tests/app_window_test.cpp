// Drives the real main window offscreen: start-up on an edition file, the
// grid's rows and page counts, the text box following the selected row, the
// error box rules, and what closing writes (nothing, when only browsed).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/application_title.h"
#include "app/error_display.h"
#include "app/guarded_application.h"
#include "app/indeks_base.h"
#include "engine/collation.h"
#include "fake_file_system.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"
#include "store/db_error.h"
#include "ui/code_page.h"

namespace app {
namespace {

namespace fs = std::filesystem;

std::string Row(const std::string& attrs) { return "  <ROW RowState=\"4\" " + attrs + "/>\n"; }

// A small edition file in the XML form. Titles are out of order on purpose.
std::string EditionXml(const std::vector<std::string>& rows) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>\n"
      "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
      "<FIELD attrname=\"Aargang\" fieldtype=\"i4\"/>"
      "<FIELD attrname=\"Nummer\" fieldtype=\"i4\"/>"
      "<FIELD attrname=\"Titel\" fieldtype=\"string\" WIDTH=\"80\"/>"
      "<FIELD attrname=\"Tekst\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
      "<FIELD attrname=\"Kategori\" fieldtype=\"string\" WIDTH=\"20\"/>"
      "<FIELD attrname=\"StartSide\" fieldtype=\"i4\"/>"
      "<FIELD attrname=\"SlutSide\" fieldtype=\"i4\"/>"
      "<FIELD attrname=\"VProgrammer\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
      "</FIELDS><PARAMS/></METADATA><ROWDATA>\n";
  for (const auto& r : rows) xml += r;
  xml += "</ROWDATA></DATAPACKET>\n";
  return xml;
}

std::vector<std::string> DanishRows() {
  return {
      Row("Aargang=\"2001\" Nummer=\"3\" Titel=\"Printere i test\" "
          "Tekst=\"Seks printere&#13;&#10;sat p\xE5 pr\xF8ve\" Kategori=\"Test\" "
          "StartSide=\"12\" SlutSide=\"15\""),
      Row("Aargang=\"2002\" Nummer=\"5\" Titel=\"V-CD  5-2002\" Tekst=\"Programmer\" "
          "Kategori=\"V-CD\" StartSide=\"0\" SlutSide=\"0\""),
      Row("Aargang=\"2001\" Nummer=\"1\" Titel=\"Automatisk backup\" Tekst=\"Sikkerhed\" "
          "Kategori=\"Artikel\" StartSide=\"20\" SlutSide=\"20\""),
      Row("Aargang=\"2002\" Nummer=\"7\" Titel=\"Netv\xE6rk derhjemme\" Tekst=\"Kabler\" "
          "Kategori=\"v-cd\" StartSide=\"12\" SlutSide=\"10\""),
  };
}

// A title as the Danish alphabet orders it: its letters, then case and
// accents as the tie.
std::pair<std::string, std::string> DanishKey(const std::string& title) {
  const engine::CollationTables& t = engine::TablesOf(engine::Collation::kDanishNorwegian);
  std::pair<std::string, std::string> key;
  for (char c : title) {
    key.first.push_back(static_cast<char>(t.letter[uint8_t(c)]));
    key.second.push_back(static_cast<char>(t.tie[uint8_t(c)]));
  }
  return key;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_dir_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("vregister_window_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    fs::create_directories(dir_);
    fs::current_path(dir_);
    SetErrorSink([this](const std::string& caption, const std::string& text) {
      errors_.push_back(text);
      captions_.push_back(caption);
    });
    SetApplicationTitle("Vregister");
  }
  void TearDown() override {
    window_.reset();
    ResetErrorSink();
    fs::current_path(old_dir_);
    fs::remove_all(dir_);
  }

  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string ReadFile(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  TVRegister& Start(uint32_t lcid = 0x0406) {
    locale_ = std::make_unique<platform::FixedLocale>(lcid);
    profiles_ = std::make_unique<platform::ProfileFiles>(platform::DefaultFileSystem(), dir_);
    window_ = std::make_unique<TVRegister>(*locale_, platform::DefaultFileSystem(), *profiles_);
    window_->show();
    QApplication::processEvents();
    return *window_;
  }

  QString Cell(int row, int column) {
    auto* model = window_->ArtikelGrid->model();
    return model->data(model->index(row, column)).toString();
  }

  static inline int counter_ = 0;
  fs::path old_dir_, dir_;
  std::unique_ptr<platform::FixedLocale> locale_;
  std::unique_ptr<platform::ProfileFiles> profiles_;
  std::unique_ptr<TVRegister> window_;
  std::vector<std::string> errors_, captions_;
};

TEST_F(WindowTest, ListsTheEditionSortedByTitleWithPageCounts) {
  WriteFile("Base.xml", EditionXml(DanishRows()));
  TVRegister& w = Start();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  ASSERT_EQ(w.ArtikelGrid->model()->rowCount(), 4);
  EXPECT_EQ(Cell(0, ui::kColTitel), "Automatisk backup");
  EXPECT_EQ(Cell(1, ui::kColTitel), QString::fromUtf8("Netværk derhjemme"));
  EXPECT_EQ(Cell(2, ui::kColTitel), "Printere i test");
  EXPECT_EQ(Cell(3, ui::kColTitel), "V-CD  5-2002");
  // SlutSide - StartSide + 1; empty for a cover disc, counted for "v-cd".
  EXPECT_EQ(Cell(0, ui::kColSideantal), "1");
  EXPECT_EQ(Cell(1, ui::kColSideantal), "-1");
  EXPECT_EQ(Cell(2, ui::kColSideantal), "4");
  EXPECT_EQ(Cell(3, ui::kColSideantal), "");
  // Reader configuration.
  EXPECT_TRUE(w.ArtikelGrid->isColumnHidden(ui::kColSlut));
  EXPECT_FALSE(w.ArtikelGrid->isColumnHidden(ui::kColSideantal));
  EXPECT_TRUE(w.Manchet->isReadOnly());
  EXPECT_FALSE(w.VProgrammer->isVisible());
  EXPECT_FALSE(w.KeyLabel->isVisible());
  EXPECT_FALSE(w.StartSideEdit->isVisible());
  EXPECT_FALSE(w.NytSprog->isVisible());
  EXPECT_FALSE(w.NyPost->isVisible());
  EXPECT_EQ(w.ArtikelGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(WindowTest, TextBoxFollowsTheSelectedRow) {
  WriteFile("Base.xml", EditionXml(DanishRows()));
  TVRegister& w = Start();
  EXPECT_EQ(w.Manchet->toPlainText(), "Sikkerhed");
  auto* model = w.ArtikelGrid->model();
  w.ArtikelGrid->setCurrentIndex(model->index(2, ui::kColTitel));
  QApplication::processEvents();
  EXPECT_EQ(w.ArtikelData->RecNo(), 3);
  EXPECT_EQ(w.Manchet->toPlainText(), QString::fromUtf8("Seks printere\nsat på prøve"));
  // Keyboard: one row down.
  w.ArtikelGrid->setFocus();
  QTest::keyClick(w.ArtikelGrid, Qt::Key_Down);
  EXPECT_EQ(w.ArtikelData->RecNo(), 4);
  EXPECT_EQ(w.Manchet->toPlainText(), "Programmer");
}

// A long text of many lines shows every line, and the same text again after
// another row was shown; its line breaks come out as line breaks.
TEST_F(WindowTest, TextBoxShowsEveryLineOfALongText) {
  std::string tekst, expected;
  for (int i = 1; i <= 100; ++i) {
    const std::string line = "Linje " + std::to_string(i) + " om netv\xE6rk \x80";
    tekst += (i > 1 ? "&#13;&#10;" : "") + line;
    expected += (i > 1 ? "\n" : "") + line;
  }
  WriteFile("Base.xml",
            EditionXml({Row("Aargang=\"2001\" Nummer=\"1\" Titel=\"A lang\" Tekst=\"" + tekst +
                            "\" Kategori=\"Test\" StartSide=\"1\" SlutSide=\"2\""),
                        Row("Aargang=\"2001\" Nummer=\"2\" Titel=\"B kort\" Tekst=\"Kort\" "
                            "Kategori=\"Test\" StartSide=\"1\" SlutSide=\"2\"")}));
  TVRegister& w = Start();
  EXPECT_EQ(w.Manchet->toPlainText(), ui::FromCp1252(expected));
  w.ArtikelData->SetRecNo(2);
  EXPECT_EQ(w.Manchet->toPlainText(), "Kort");
  w.ArtikelData->SetRecNo(1);
  EXPECT_EQ(w.Manchet->toPlainText(), ui::FromCp1252(expected));
}

// Start-up opens the table on "Base.xml" and reopens it on the edition's file,
// the same file here: it is read once, and the reopen shows what a second
// read would have shown. A changed file is read again.
TEST_F(WindowTest, StartUpReadsAnUnchangedEditionFileOnce) {
  testing_fs::FakeFileSystem fs;
  const std::string xml = EditionXml(DanishRows());
  fs.Put("./Base.xml", std::vector<uint8_t>(xml.begin(), xml.end()));
  platform::FixedLocale danish(0x0406);
  // The settings file lives on the real disk: only the data file is counted.
  platform::ProfileFiles profiles(platform::DefaultFileSystem(), dir_);
  {
    TVRegister w(danish, fs, profiles);
    EXPECT_EQ(fs.reads, 1);
    EXPECT_EQ(w.ArtikelGrid->model()->rowCount(), 4);
    auto* model = w.ArtikelGrid->model();
    EXPECT_EQ(model->data(model->index(0, ui::kColTitel)).toString(), "Automatisk backup");
    EXPECT_FALSE(w.ArtikelData->HasHeldPacket());
    // Applying the edition again after the file changed reads it again.
    fs.Put("./Base.xml", std::vector<uint8_t>(xml.begin(), xml.end()));
    w.SaetSprog();
    EXPECT_EQ(fs.reads, 2);
  }
  EXPECT_EQ(fs.replaces, 0);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(WindowTest, BrowsingLeavesTheDataFileUntouched) {
  WriteFile("Base.xml", EditionXml(DanishRows()));
  std::string before = ReadFile("Base.xml");
  struct stat st_before {};
  ::stat((dir_ / "Base.xml").c_str(), &st_before);
  TVRegister& w = Start();
  w.ArtikelGrid->setCurrentIndex(w.ArtikelGrid->model()->index(3, 2));
  w.ArtikelGrid->horizontalHeader()->sectionClicked(0);
  QApplication::processEvents();
  window_.reset();
  EXPECT_TRUE(errors_.empty());
  struct stat st_after {};
  ::stat((dir_ / "Base.xml").c_str(), &st_after);
  EXPECT_EQ(ReadFile("Base.xml"), before);
  EXPECT_EQ(st_before.st_mtim.tv_sec, st_after.st_mtim.tv_sec);
  EXPECT_EQ(st_before.st_mtim.tv_nsec, st_after.st_mtim.tv_nsec);
  EXPECT_EQ(st_before.st_ino, st_after.st_ino);
}

TEST_F(WindowTest, PostedChangeIsWrittenBackAsXmlWhenTheWindowGoes) {
  WriteFile("Base.xml", EditionXml(DanishRows()));
  TVRegister& w = Start();
  w.ArtikelData->Edit();
  w.ArtikelData->FieldByName("TITEL").SetAsString("Automatisk backup, del 1");
  w.ArtikelData->Post();
  window_.reset();
  EXPECT_TRUE(errors_.empty());
  std::string after = ReadFile("Base.xml");
  EXPECT_EQ(after.rfind("<?xml", 0), 0u);
  EXPECT_NE(after.find("Automatisk backup, del 1"), std::string::npos);
}

TEST_F(WindowTest, FailedRowShowsOneErrorPerViewNotPerRepaint) {
  auto rows = DanishRows();
  // 40001 pages do not fit the page count.
  rows.push_back(
      Row("Aargang=\"2001\" Nummer=\"2\" Titel=\"Brevkassen\" Kategori=\"Spørg os\" "
          "StartSide=\"40\" SlutSide=\"40040\""));
  WriteFile("Base.xml", EditionXml(rows));
  TVRegister& w = Start();
  for (int i = 0; i < 5; ++i) {
    w.ArtikelGrid->viewport()->repaint();
    QApplication::processEvents();
  }
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0],
            "40001 is not a valid value for field 'Sideantal'. The allowed range is -32768 to "
            "32767.");
  EXPECT_EQ(captions_[0], "Vregister");
  // A new view may report again.
  w.ArtikelData->SetIndexName("AargangX");
  for (int i = 0; i < 3; ++i) {
    w.ArtikelGrid->viewport()->repaint();
    QApplication::processEvents();
  }
  EXPECT_EQ(errors_.size(), 2u);
}

TEST_F(WindowTest, EditionFollowsTheSystemLanguage) {
  WriteFile("Base.xml", EditionXml(DanishRows()));
  // English and German start the Danish edition.
  Start(0x0409);
  EXPECT_EQ(window_->Sprog, 6);
  EXPECT_EQ(window_->AlleOrd, "Alle");
  EXPECT_EQ(window_->ArtikelData->FileName(), "./Base.xml");
  Start(0x0407);
  EXPECT_EQ(window_->Sprog, 6);
  // Finnish without its file: the missing-data error and an empty grid.
  errors_.clear();
  Start(0x040B);
  EXPECT_EQ(window_->Sprog, 11);
  EXPECT_EQ(window_->AlleOrd, "Kaikki");
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "ArtikelData: Missing data provider or data packet.");
  EXPECT_EQ(window_->ArtikelGrid->model()->rowCount(), 0);
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(WindowTest, AfslutEndsTheEventLoop) {
  WriteFile("Base.xml", EditionXml(DanishRows()));
  TVRegister& w = Start();
  bool quit = false;
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] { quit = true; });
  QTimer::singleShot(0, [&] { QTest::mouseClick(w.Afslut, Qt::LeftButton); });
  QTimer::singleShot(2000, [] { QCoreApplication::exit(1); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(quit);
}

// The grid's model keeps Qt's rules for item models (checked by Qt's own
// model tester on every signal) while the view is filtered, emptied, shown
// whole again and reopened.
TEST_F(WindowTest, GridModelKeepsTheItemModelRules) {
  WriteFile("Base.xml", EditionXml(DanishRows()));
  TVRegister& w = Start();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  static std::vector<std::string> complaints;
  complaints.clear();
  const QtMessageHandler previous =
      qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (context.category != nullptr && std::string(context.category) == "qt.modeltest")
          complaints.push_back(text.toStdString());
      });
  {
    QAbstractItemModelTester tester(w.ArtikelGrid->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    w.ArtikelData->SetFilter("Aargang = 2001");
    w.ArtikelData->SetFiltered(true);
    QApplication::processEvents();
    EXPECT_EQ(w.ArtikelGrid->model()->rowCount(), 2);
    w.ArtikelData->SetFilter("Aargang = 1990");
    QApplication::processEvents();
    EXPECT_EQ(w.ArtikelGrid->model()->rowCount(), 0);
    w.ArtikelData->SetFiltered(false);
    QApplication::processEvents();
    EXPECT_EQ(w.ArtikelGrid->model()->rowCount(), 4);
    w.ArtikelData->Close();
    w.ArtikelData->Open();
    QApplication::processEvents();
    EXPECT_EQ(w.ArtikelGrid->model()->rowCount(), 4);
  }
  qInstallMessageHandler(previous);
  EXPECT_TRUE(complaints.empty()) << complaints.front();
}

TEST_F(WindowTest, ShippedDanishDataIsListedAndLeftAsItWas) {
  fs::path shipped = fs::path(VR_SOURCE_DIR) / "data" / "Base.xml";
  ASSERT_TRUE(fs::exists(shipped));
  fs::copy_file(shipped, dir_ / "Base.xml");
  std::string before = ReadFile("Base.xml");
  auto mtime_before = fs::last_write_time(dir_ / "Base.xml");
  TVRegister& w = Start();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  int rows = w.ArtikelGrid->model()->rowCount();
  ASSERT_GT(rows, 500);
  for (int r = 0; r < rows; ++r) {
    std::vector<store::Variant> values;
    w.ArtikelData->ReadRow(r, &values);
    // Field objects: Aargang, Nummer, Titel, Kategori, StartSide, SlutSide, ..., Sideantal.
    std::string title = values[2].AsString();
    if (r > 0) {
      std::vector<store::Variant> prev;
      w.ArtikelData->ReadRow(r - 1, &prev);
      EXPECT_LE(DanishKey(prev[2].AsString()), DanishKey(title)) << "row " << r;
    }
    if (values[3].IsString() && values[3].AsString() == "V-CD") {
      EXPECT_EQ(Cell(r, ui::kColSideantal), "") << "row " << r;
    } else {
      EXPECT_EQ(Cell(r, ui::kColSideantal).toInt(),
                values[5].AsInteger() - values[4].AsInteger() + 1)
          << "row " << r;
    }
  }
  // The text box shows the selected article's text.
  w.ArtikelGrid->setCurrentIndex(w.ArtikelGrid->model()->index(10, ui::kColTitel));
  QApplication::processEvents();
  std::string text = w.ArtikelData->FieldByName("TEKST").AsString();
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(w.Manchet->toPlainText().left(20), ui::FromCp1252(text).left(20));
  window_.reset();
  EXPECT_EQ(ReadFile("Base.xml"), before);
  EXPECT_EQ(fs::last_write_time(dir_ / "Base.xml"), mtime_before);
}

TEST_F(WindowTest, AnErrorInAHandlerIsShownAndTheLoopGoesOn) {
  WriteFile("Base.xml", EditionXml(DanishRows()));
  TVRegister& w = Start();
  QPushButton button;
  QObject::connect(&button, &QPushButton::clicked,
                   [] { throw store::EDatabaseError("ArtikelData: Index 'X' not found"); });
  QTest::mouseClick(&button, Qt::LeftButton);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "ArtikelData: Index 'X' not found.");
  EXPECT_TRUE(w.isVisible());
  // A silent abort shows nothing.
  QObject::connect(&button, &QPushButton::pressed, [] { throw store::EAbort(); });
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(errors_.size(), 2u);  // only the clicked handler's error again
}

TEST(ErrorDisplayTest, PeriodOnlyAfterCharactersThatSortAfterIt) {
  EXPECT_EQ(ErrorBoxText("Cannot open file x"), "Cannot open file x.");
  EXPECT_EQ(ErrorBoxText("Invalid value for field 'Aargang'"), "Invalid value for field 'Aargang'");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("Stop!"), "Stop!");
  EXPECT_EQ(ErrorBoxText("(x)"), "(x)");
  EXPECT_EQ(ErrorBoxText("Side 12"), "Side 12.");
  EXPECT_EQ(ErrorBoxText("slash/"), "slash/.");  // '/' sorts after '.'
  EXPECT_EQ(ErrorBoxText("dash-"), "dash-");
  EXPECT_EQ(ErrorBoxText("\xE5"), "\xE5.");  // bytes above 127 sort after '.'
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(ApplicationTitleTest, ComesFromTheExecutableName) {
  EXPECT_EQ(ApplicationTitleFromPath("C:\\Programs\\ABC.EXE"), "Abc");
  EXPECT_EQ(ApplicationTitleFromPath("/usr/local/bin/vregister"), "vregister");
  EXPECT_EQ(ApplicationTitleFromPath("./vRegister.tar.gz"), "vregister");
  EXPECT_EQ(ApplicationTitleFromPath("VREGISTER"), "Vregister");
}

}  // namespace
}  // namespace app
