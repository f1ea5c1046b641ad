// What a reader does with the list beside the search, on the real window:
// copy the selected rows (Ctrl+C and the context menu's entry) with the
// article's text for one row, go to the search word with Ctrl+F and clear it
// with Escape, and see the search word marked in the text box and in the
// grid's titles. None of it changes the window's composition, the data or
// what a copy holds.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QMimeData>
#include <QTest>
#include <tuple>

#include "app/edition.h"
#include "maintenance_window.h"
#include "ui/mark_delegate.h"
#include "ui/word_marks.h"

namespace app {
namespace {

// By title in the Danish alphabet: "Automatisk backup", "Printere i test",
// "Prøv et netværk" (ø after i).
std::vector<std::string> Articles() {
  return {
      ArticleRow("Aargang=\"2001\" Nummer=\"3\" Titel=\"Printere i test\" "
                 "Tekst=\"Seks printere&#13;&#10;sat p\xE5 pr\xF8ve. PR\xD8V selv!\" "
                 "Kategori=\"Test\" StartSide=\"12\" SlutSide=\"15\""),
      ArticleRow("Aargang=\"2001\" Nummer=\"1\" Titel=\"Automatisk backup\" Tekst=\"Sikkerhed\" "
                 "Kategori=\"Artikel\" StartSide=\"20\" SlutSide=\"20\""),
      ArticleRow("Aargang=\"2002\" Nummer=\"4\" Titel=\"Pr\xF8v et netv\xE6rk&#13;&#10;\" "
                 "Tekst=\"Kabler\" Kategori=\"Artikel\" StartSide=\"8\" SlutSide=\"9\""),
  };
}

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

class ReaderKeys : public MaintenanceWindow {
 protected:
  TVRegister& StartActive(uint32_t lcid = 0x0406) {
    WriteFile("Base.xml", EditionXml(Articles()));
    TVRegister& w = Start(lcid);
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    QApplication::clipboard()->clear();
    return w;
  }
  void ClickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
    ui::DataGrid* grid = window_->ArtikelGrid;
    const QRect cell = grid->visualRect(grid->model()->index(row, ui::kColTitel));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
  }
  static QString Clipboard() { return QApplication::clipboard()->text(); }
  // Every component with whether it is shown and where.
  std::vector<std::tuple<QString, bool, QRect>> Composition() {
    std::vector<std::tuple<QString, bool, QRect>> parts;
    for (QWidget* child : window_->findChildren<QWidget*>()) {
      if (child->objectName().isEmpty()) continue;
      parts.emplace_back(child->objectName(), child->isVisible(), child->geometry());
    }
    return parts;
  }
  // How many pixels of a grid cell show the mark's colour.
  int MarkPixels(const QImage& grid, int row, int column) {
    ui::DataGrid* g = window_->ArtikelGrid;
    const QRect cell = g->visualRect(g->model()->index(row, column));
    const QRgb mark = ui::WordMarks::Format().background().color().rgb();
    int n = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
      for (int x = cell.left(); x <= cell.right(); ++x) n += grid.pixel(x, y) == mark;
    }
    return n;
  }
  QImage GridPicture() {
    ui::DataGrid* g = window_->ArtikelGrid;
    return g->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
};

TEST_F(ReaderKeys, CtrlCCopiesOneRowWithItsTextAndThreeRowsWithout) {
  TVRegister& w = StartActive();
  const QString titles = U("Årgang\tBlad nr.\tTitel\tKategori\tStart\tSider\n");
  // One row: its cells, a blank line and the article's text.
  ClickRow(1);
  EXPECT_EQ(w.ArtikelData->RecNo(), 2);
  QTest::keyClick(w.ArtikelGrid, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(Clipboard(),
            titles + U("2001\t3\tPrintere i test\tTest\t12\t4\n\nSeks printere\nsat på "
                       "prøve. PRØV selv!"));
  // Three rows with Ctrl+click: the view's order, whatever the clicks'; the
  // clicked row is the current record. A title's line break becomes a blank.
  ClickRow(2, Qt::ControlModifier);
  ClickRow(0, Qt::ControlModifier);
  EXPECT_EQ(w.ArtikelData->RecNo(), 1);
  EXPECT_EQ(w.Manchet->toPlainText(), "Sikkerhed");
  QTest::keyClick(w.ArtikelGrid, Qt::Key_C, Qt::ControlModifier);
  const QString three = titles + U("2001\t1\tAutomatisk backup\tArtikel\t20\t1\n"
                                   "2001\t3\tPrintere i test\tTest\t12\t4\n"
                                   "2002\t4\tPrøv et netværk \tArtikel\t8\t2\n");
  EXPECT_EQ(Clipboard(), three);
  // Shift+click selects the run; a moved column is copied where it is shown.
  ClickRow(0);
  ClickRow(2, Qt::ShiftModifier);
  EXPECT_EQ(w.ArtikelData->RecNo(), 3);
  QHeaderView* header = w.ArtikelGrid->horizontalHeader();
  header->moveSection(header->visualIndex(ui::kColTitel), 0);
  QTest::keyClick(w.ArtikelGrid, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(Clipboard(), U("Titel\tÅrgang\tBlad nr.\tKategori\tStart\tSider\n"
                           "Automatisk backup\t2001\t1\tArtikel\t20\t1\n"
                           "Printere i test\t2001\t3\tTest\t12\t4\n"
                           "Prøv et netværk \t2002\t4\tArtikel\t8\t2\n"));
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(ReaderKeys, TheContextMenuCopiesInTheEditionsLanguage) {
  for (uint32_t lcid : {0x0406u, 0x0414u, 0x041Du, 0x040Bu}) {
    WriteFile(FindEdition(lcid & 0x3FF)->data_file, EditionXml(Articles()));
  }
  for (const Edition& e : kEditions) {
    SCOPED_TRACE(e.sprog);
    TVRegister& w = StartActive(static_cast<uint32_t>(e.sprog));
    ui::DataGrid* grid = w.ArtikelGrid;
    EXPECT_EQ(grid->contextMenuPolicy(), Qt::ActionsContextMenu);
    ASSERT_EQ(grid->actions().size(), 1);
    EXPECT_EQ(grid->actions().front(), grid->CopyAction());
    EXPECT_EQ(grid->CopyAction()->text(), U(e.kopier));
    ClickRow(0);
    grid->CopyAction()->trigger();
    EXPECT_TRUE(Clipboard().endsWith("\n\nSikkerhed")) << Clipboard().toStdString();
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(ReaderKeys, CtrlFFindsTheWordAndEscapeClearsIt) {
  TVRegister& w = StartActive();
  const auto composition = Composition();
  QTest::keyClicks(w.Tekstord, "backup");
  ASSERT_EQ(w.ArtikelGrid->model()->rowCount(), 1);
  ClickRow(0);
  ASSERT_EQ(QApplication::focusWidget(), w.ArtikelGrid);
  QTest::keyClick(w.ArtikelGrid, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(QApplication::focusWidget(), w.Tekstord);
  EXPECT_EQ(w.Tekstord->selectedText(), "backup");
  EXPECT_EQ(Composition(), composition);
  // Escape clears the word, and the list is filtered afresh: all of it.
  QTest::keyClick(w.Tekstord, Qt::Key_Escape);
  EXPECT_EQ(w.Tekstord->Text(), "");
  EXPECT_EQ(w.ArtikelData->Filter(), "");
  EXPECT_FALSE(w.ArtikelData->Filtered());
  EXPECT_EQ(w.ArtikelGrid->model()->rowCount(), 3);
  EXPECT_EQ(QApplication::focusWidget(), w.Tekstord);
  EXPECT_EQ(Composition(), composition);
  // From the text box too; an empty word stays empty.
  w.Manchet->setFocus();
  QTest::keyClick(w.Manchet, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(QApplication::focusWidget(), w.Tekstord);
  QTest::keyClick(w.Tekstord, Qt::Key_Escape);
  EXPECT_EQ(w.Tekstord->Text(), "");
  EXPECT_EQ(Composition(), composition);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(ReaderKeys, TheWordIsMarkedInTheTextAndTheTitlesOnly) {
  TVRegister& w = StartActive();
  const QString text = U("Seks printere\nsat på prøve. PRØV selv!");
  QTest::keyClicks(w.Tekstord, U("prøv"));
  ASSERT_EQ(w.ArtikelGrid->model()->rowCount(), 2);  // by text and by title
  ASSERT_EQ(w.Manchet->toPlainText(), text);
  // Both places in the text, either case, the Nordic letter folded too.
  using Places = std::vector<std::pair<int, int>>;
  EXPECT_EQ(w.Manchet->MarkedPlaces(), (Places{{21, 4}, {28, 4}}));
  const auto marks = w.Manchet->extraSelections();
  ASSERT_EQ(marks.size(), 2);
  EXPECT_EQ(marks[0].cursor.selectedText(), U("prøv"));
  EXPECT_EQ(marks[1].cursor.selectedText(), U("PRØV"));
  EXPECT_EQ(marks[0].format.background(), ui::WordMarks::Format().background());
  // The grid marks the title that holds the word, in no other column.
  ui::MarkDelegate* delegate = w.ArtikelGrid->Marks();
  auto* model = w.ArtikelGrid->model();
  const QModelIndex titled = model->index(1, ui::kColTitel);
  EXPECT_EQ(delegate->MarkedPlaces(titled, titled.data().toString()), (Places{{0, 4}}));
  const QImage marked = GridPicture();
  EXPECT_GT(MarkPixels(marked, 1, ui::kColTitel), 20);
  EXPECT_EQ(MarkPixels(marked, 0, ui::kColTitel), 0);
  EXPECT_EQ(MarkPixels(marked, 1, ui::kColKategori), 0);
  // Drawn, not written: the text, the cells and the copies hold no mark.
  EXPECT_EQ(w.Manchet->toPlainText(), text);
  EXPECT_EQ(titled.data().toString(), U("Prøv et netværk\r\n"));
  w.Manchet->selectAll();
  w.Manchet->copy();
  const QMimeData* copied = QApplication::clipboard()->mimeData();
  EXPECT_EQ(copied->text(), text);
  EXPECT_FALSE(copied->html().contains("background")) << copied->html().toStdString();
  ClickRow(1);
  QTest::keyClick(w.ArtikelGrid, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(Clipboard(), U("Årgang\tBlad nr.\tTitel\tKategori\tStart\tSider\n"
                           "2002\t4\tPrøv et netværk \tArtikel\t8\t2\n\nKabler"));
  EXPECT_TRUE(w.Manchet->MarkedPlaces().empty());  // "Kabler" lacks the word
  // Without a word nothing is marked.
  ClickRow(0);
  ASSERT_EQ(w.Manchet->MarkedPlaces().size(), 2u);
  w.Tekstord->setFocus();
  QTest::keyClick(w.Tekstord, Qt::Key_Escape);
  ASSERT_EQ(w.Tekstord->Text(), "");
  EXPECT_TRUE(w.Manchet->MarkedPlaces().empty());
  EXPECT_TRUE(w.Manchet->extraSelections().isEmpty());
  const QImage plain = GridPicture();
  for (int row = 0; row < model->rowCount(); ++row) {
    EXPECT_EQ(MarkPixels(plain, row, ui::kColTitel), 0) << row;
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
}  // namespace app
