// The editors' build as an editor meets it, on the real window offscreen:
// what the editor configuration shows and where, editing in the grid and the
// text boxes, a pending new record posted at close, a clean-up and a delete,
// each found again after a restart in the edition's XML data file. And the
// reader's build: a whole run with every input leaves the data file
// byte-identical.
#include <sys/stat.h>

#include <QAbstractItemView>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

#include "app/editor_configuration.h"
#include "app/guarded_application.h"
#include "maintenance_window.h"

namespace app {
namespace {

class EditorRun : public MaintenanceWindow {
 protected:
  TVRegister& StartEditor() {
    TVRegister& w = Start();
    ApplyEditorConfiguration(w);
    QApplication::processEvents();
    return w;
  }
  // Closes the window as the user does (the close box), then destroys it.
  void CloseWindow() {
    window_->close();
    QApplication::processEvents();
    window_.reset();
  }
  std::vector<std::string> Titles() {
    std::vector<std::string> titles;
    auto& table = *window_->ArtikelData;
    for (table.First(); !table.Eof(); table.Next()) titles.push_back(F("TITEL").AsString());
    return titles;
  }
  bool Select(const std::string& title) {
    auto& table = *window_->ArtikelData;
    for (table.First(); !table.Eof(); table.Next()) {
      if (F("TITEL").AsString() == title) return true;
    }
    return false;
  }
};

TEST_F(EditorRun, ShowsTheCommandsWhereNothingCoversThem) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  TVRegister& w = StartEditor();
  for (QWidget* shown : std::initializer_list<QWidget*>{
           w.NyPost, w.SletPost, w.RydOp, w.RydOp2, w.Decap, w.HentV, w.NytSprog, w.KeyLabel,
           w.VProgrammer, w.StartSideEdit, w.SideLabel}) {
    EXPECT_TRUE(shown->isVisible()) << shown->metaObject()->className();
  }
  // The definition's places of "Ny post", "Hent V-CD", "Nyt sprog".
  EXPECT_EQ(w.NyPost->pos(), QPoint(560, 344));
  EXPECT_EQ(w.HentV->pos(), QPoint(560, 304));
  EXPECT_EQ(w.NytSprog->pos(), QPoint(464, 104));
  // At the default size the grid ends at 296 and the text box begins at 329,
  // the exit button stands at 541, 392: the moved buttons lie between.
  const QRect grid(16, 152, 596, 144), manchet(16, 329, 506, 86), afslut(541, 392, 75, 25);
  for (QPushButton* moved : {w.RydOp, w.RydOp2, w.Decap, w.SletPost}) {
    QRect r = moved->geometry();
    EXPECT_FALSE(r.intersects(grid) || r.intersects(manchet) || r.intersects(afslut))
        << moved->text().toStdString();
    EXPECT_FALSE(r.intersects(w.HentV->geometry()));
    for (QPushButton* other : {w.RydOp, w.RydOp2, w.Decap, w.SletPost}) {
      if (other != moved) {
        EXPECT_FALSE(r.intersects(other->geometry()));
      }
    }
  }
  EXPECT_FALSE(w.Manchet->isReadOnly());
  EXPECT_FALSE(w.VProgrammer->isReadOnly());
  EXPECT_NE(w.ArtikelGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(w.ArtikelGrid->isColumnHidden(ui::kColSlut));
}

TEST_F(EditorRun, PendingNewRecordIsPostedAtCloseAndFoundAfterRestart) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  TVRegister& w = StartEditor();
  SetList(w.AargangEdit, "2002");
  SetList(w.NummerEdit, "6");
  SetList(w.KategoriValg, "Nyhed");
  w.StartSideEdit->SetValue(31);
  QTest::mouseClick(w.NyPost, Qt::LeftButton);
  ASSERT_EQ(w.ArtikelData->State(), store::TableState::kInsert);
  CloseWindow();
  ASSERT_TRUE(errors_.empty()) << errors_.front();
  std::string xml = ReadFile("Base.xml");
  EXPECT_EQ(xml.rfind("<?xml", 0), 0u);
  EXPECT_NE(xml.find("Kategori=\"Nyhed\""), std::string::npos);

  size_t rows = 0;
  for (size_t at = xml.find("<ROW "); at != std::string::npos; at = xml.find("<ROW ", at + 1))
    ++rows;
  EXPECT_EQ(rows, 4u);

  // The saved search choices (2002, 6, "Nyhed") find just the new record.
  TVRegister& again = Start();
  ASSERT_EQ(again.ArtikelData->RecordCount(), 1);
  bool found = false;
  auto& table = *again.ArtikelData;
  for (table.First(); !table.Eof(); table.Next()) {
    if (F("KATEGORI").AsString() == "Nyhed") {
      found = true;
      EXPECT_EQ(F("AARGANG").AsInteger(), 2002);
      EXPECT_EQ(F("NUMMER").AsInteger(), 6);
      EXPECT_EQ(F("STARTSIDE").AsInteger(), 31);
      EXPECT_EQ(F("SLUTSIDE").AsInteger(), 31);
      EXPECT_TRUE(F("TITEL").IsNull());
    }
  }
  EXPECT_TRUE(found);
}

TEST_F(EditorRun, CleanUpAndDeleteReachTheFileAndSurviveARestart) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  TVRegister& w = StartEditor();
  ASSERT_TRUE(Select("Rod i teksten\r\n"));
  QTest::mouseClick(w.RydOp, Qt::LeftButton);
  ASSERT_TRUE(Select("Printere i test"));
  answer_yes_ = true;
  QTest::mouseClick(w.SletPost, Qt::LeftButton);
  ASSERT_EQ(questions_.size(), 1u);
  CloseWindow();
  ASSERT_TRUE(errors_.empty()) << errors_.front();

  Start();
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Automatisk backup", "Rod i teksten"}));
  ASSERT_TRUE(Select("Rod i teksten"));
  EXPECT_EQ(F("TEKST").AsString(), "Linje skift  her");
  EXPECT_EQ(F("VPROGRAMMER").AsString(), "ord\r\nflere\r\n");
}

TEST_F(EditorRun, TypingInTheGridAndTheTextBoxesIsStored) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  TVRegister& w = StartEditor();
  auto* model = w.ArtikelGrid->model();
  // The first row by title: "Automatisk backup". A title typed into its cell.
  QModelIndex title = model->index(0, ui::kColTitel);
  w.ArtikelGrid->setCurrentIndex(title);
  w.ArtikelGrid->edit(title);
  auto* editor = w.ArtikelGrid->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(editor, "Automatisk backup, del 2");
  QTest::keyClick(editor, Qt::Key_Return);
  QApplication::processEvents();  // the view commits a finished edit queued
  EXPECT_EQ(w.ArtikelData->State(), store::TableState::kEdit);
  // The text box and the keyword box of the same record.
  w.Manchet->setFocus();
  w.Manchet->moveCursor(QTextCursor::End);
  QTest::keyClicks(w.Manchet, " og gendannelse");
  w.VProgrammer->setFocus();
  w.VProgrammer->moveCursor(QTextCursor::End);
  QTest::keyClick(w.VProgrammer, Qt::Key_Return);
  QTest::keyClicks(w.VProgrammer, "restore");
  // A page number that is no number is refused with the field's message.
  QModelIndex page = model->index(0, ui::kColStart);
  EXPECT_FALSE(model->setData(page, "tolv"));
  EXPECT_EQ(errors_, std::vector<std::string>{"Invalid value for field 'StartSide'"});
  w.ArtikelData->Post();
  CloseWindow();

  Start();
  ASSERT_TRUE(Select("Automatisk backup, del 2"));
  EXPECT_EQ(F("TEKST").AsString(), "Sikkerhed og gendannelse");
  EXPECT_EQ(F("VPROGRAMMER").AsString(), "backup\r\nrestore");
  EXPECT_EQ(F("STARTSIDE").AsInteger(), 20);
}

TEST_F(EditorRun, ReaderRunWithEveryInputLeavesTheDataFileByteIdentical) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  const std::string before = ReadFile("Base.xml");
  struct stat st_before {};
  ::stat((dir_ / "Base.xml").c_str(), &st_before);
  TVRegister& w = Start();  // the reader's configuration
  QTest::keyClicks(w.Tekstord, "backup");
  QTest::keyClick(w.AargangEdit, Qt::Key_Down);
  QTest::keyClick(w.NummerEdit, Qt::Key_Down);
  QTest::keyClick(w.KategoriValg, Qt::Key_Down);
  QTest::keyClick(w.AargangEdit, Qt::Key_Up);
  QTest::keyClick(w.NummerEdit, Qt::Key_Up);
  QTest::keyClick(w.KategoriValg, Qt::Key_Up);
  w.Tekstord->clear();
  QTest::keyClick(w.StartSideEdit, Qt::Key_Up);
  for (int column = 0; column < 7; ++column) {
    w.ArtikelGrid->horizontalHeader()->sectionClicked(column);
  }
  auto* model = w.ArtikelGrid->model();
  for (int row = 0; row < model->rowCount(); ++row) {
    w.ArtikelGrid->setCurrentIndex(model->index(row, ui::kColTitel));
    w.ArtikelGrid->setFocus();
    QTest::keyClicks(w.ArtikelGrid, "x");
    QTest::keyClick(w.ArtikelGrid, Qt::Key_F2);
    QTest::keyClick(w.ArtikelGrid, Qt::Key_Delete);
    w.Manchet->setFocus();
    QTest::keyClicks(w.Manchet, "skrevet");
    QTest::keyClick(w.Manchet, Qt::Key_Backspace);
  }
  QTest::keyClick(w.ArtikelGrid, Qt::Key_Down);
  QTest::keyClick(w.ArtikelGrid, Qt::Key_End);
  QTest::keyClick(w.ArtikelGrid, Qt::Key_Home);
  w.resize(700, 500);
  QApplication::processEvents();
  EXPECT_EQ(w.ArtikelData->State(), store::TableState::kBrowse);
  EXPECT_FALSE(w.ArtikelData->Modified());
  CloseWindow();
  struct stat st_after {};
  ::stat((dir_ / "Base.xml").c_str(), &st_after);
  EXPECT_EQ(ReadFile("Base.xml"), before);
  EXPECT_EQ(st_before.st_ino, st_after.st_ino);
  EXPECT_EQ(st_before.st_mtim.tv_nsec, st_after.st_mtim.tv_nsec);
}

}  // namespace
}  // namespace app
