// The page count as a reader and an editor meet it, on the real window: a
// record without its first page, its last page or both lists with an empty
// count and no message, as a cover disc ("V-CD") does, in the reader's build
// and in the editors'; an editor who clears a page cell gets an empty count
// too. And a window started on a data file whose first row by title has no
// first page comes up whole: the edition's texts and the stored settings are
// applied.
#include <QApplication>
#include <QHeaderView>

#include "app/edition.h"
#include "app/editor_configuration.h"
#include "maintenance_window.h"
#include "ui/code_page.h"

namespace app {
namespace {

// Sorted by title as listed.
std::vector<std::string> ArticlesWithoutPages() {
  return {
      ArticleRow("Aargang=\"2001\" Nummer=\"2\" Titel=\"Anmeldelse uden start\" Tekst=\"Et spil\" "
                 "Kategori=\"Anmeldelse\" SlutSide=\"14\""),
      ArticleRow("Aargang=\"2001\" Nummer=\"3\" Titel=\"Artikel uden slut\" Tekst=\"Om net\" "
                 "Kategori=\"Artikel\" StartSide=\"30\""),
      ArticleRow("Aargang=\"2002\" Nummer=\"4\" Titel=\"Brevkasse uden sider\" Tekst=\"Sp\xF8rg\" "
                 "Kategori=\"Sp\xF8rg os\""),
      ArticleRow("Aargang=\"2002\" Nummer=\"5\" Titel=\"Cover disc uden sider\" "
                 "Tekst=\"Programmer\" Kategori=\"V-CD\""),
      ArticleRow("Aargang=\"2002\" Nummer=\"6\" Titel=\"Hel artikel\" Tekst=\"Alt\" "
                 "Kategori=\"Test\" StartSide=\"12\" SlutSide=\"15\""),
  };
}

class PageCount : public MaintenanceWindow, public ::testing::WithParamInterface<bool> {
 protected:
  TVRegister& StartBuild() {
    TVRegister& w = Start();
    if (GetParam()) ApplyEditorConfiguration(w);
    QApplication::processEvents();
    return w;
  }
  QString Cell(int row, int column) {
    auto* model = window_->ArtikelGrid->model();
    return model->data(model->index(row, column)).toString();
  }
};

TEST_P(PageCount, AMissingPageGivesAnEmptyCountAndNoMessage) {
  WriteFile("Base.xml", EditionXml(ArticlesWithoutPages()));
  TVRegister& w = StartBuild();
  struct Case {
    const char* title;
    const char* count;
  } cases[] = {
      {"Anmeldelse uden start", ""},  // first page empty
      {"Artikel uden slut", ""},      // last page empty
      {"Brevkasse uden sider", ""},   // both empty
      {"Cover disc uden sider", ""},  // both empty, "V-CD"
      {"Hel artikel", "4"},           // 12 to 15
  };
  ASSERT_EQ(w.ArtikelGrid->model()->rowCount(), 5);
  for (int row = 0; row < 5; ++row) {
    SCOPED_TRACE(cases[row].title);
    EXPECT_EQ(Cell(row, ui::kColTitel), cases[row].title);
    EXPECT_EQ(Cell(row, ui::kColSideantal), cases[row].count);
    // Made the current record, the row reads as the grid showed it.
    w.ArtikelGrid->setCurrentIndex(w.ArtikelGrid->model()->index(row, ui::kColTitel));
    QApplication::processEvents();
    EXPECT_EQ(w.ArtikelData->RecNo(), row + 1);
    EXPECT_EQ(ui::FromCp1252(F("SIDEANTAL").AsString()), cases[row].count);
  }
  w.ArtikelGrid->viewport()->repaint();
  QApplication::processEvents();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

INSTANTIATE_TEST_SUITE_P(ReaderAndEditor, PageCount, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Editor" : "Reader"; });

class EditorPageCount : public MaintenanceWindow {};

TEST_F(EditorPageCount, ClearingAPageCellEmptiesTheCount) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  TVRegister& w = Start();
  ApplyEditorConfiguration(w);
  QApplication::processEvents();
  auto* model = w.ArtikelGrid->model();
  auto count = [&](int row) {
    return model->data(model->index(row, ui::kColSideantal)).toString();
  };
  // By title: "Automatisk backup" 20-20, "Printere i test" 12-15, "Rod i
  // teksten" 8-9.
  ASSERT_EQ(count(1), "4");
  struct Case {
    int row;
    int column;
  } cases[] = {{0, ui::kColStart}, {1, ui::kColSlut}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    EXPECT_TRUE(model->setData(model->index(c.row, c.column), QString()));
    // Posted when the editor moves on; the row is read again.
    w.ArtikelGrid->setCurrentIndex(model->index(2, ui::kColTitel));
    QApplication::processEvents();
    EXPECT_EQ(w.ArtikelData->State(), store::TableState::kBrowse);
    EXPECT_EQ(model->data(model->index(c.row, c.column)).toString(), "");
    EXPECT_EQ(count(c.row), "");
  }
  EXPECT_EQ(count(2), "2");
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

class StartUpOnAMissingPage : public MaintenanceWindow {};

TEST_F(StartUpOnAMissingPage, TheEditionsTextsAndTheSettingsAreApplied) {
  WriteFile("Base.xml", EditionXml(ArticlesWithoutPages()));
  WriteFile("VDatabase.ini",
            "[Defaults]\r\nAargang=2002\r\nNummer=Alle\r\nKategori=Alle\r\nTekstOrd=uden\r\n"
            "SortOrder=NummerX\r\nBredde=700\r\n");
  TVRegister& w = Start();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  const Edition& danish = *FindEdition(kDansk);
  auto T = [](const char* s) { return QString::fromUtf8(s); };
  EXPECT_EQ(w.windowTitle(), T(danish.caption));
  EXPECT_EQ(w.Nummer->text(), T(danish.nummer));
  EXPECT_EQ(w.FilterGruppe->title(), T(danish.filter_gruppe));
  EXPECT_EQ(w.Afslut->text(), T(danish.afslut));
  auto* model = w.ArtikelGrid->model();
  EXPECT_EQ(model->headerData(ui::kColStart, Qt::Horizontal).toString(), T(danish.grid_titles[4]));
  EXPECT_EQ(model->headerData(ui::kColSideantal, Qt::Horizontal).toString(),
            T(danish.grid_titles[5]));
  // The settings: the year, the word, the order and the width.
  EXPECT_EQ(w.AargangEdit->Text(), "2002");
  EXPECT_EQ(w.Tekstord->Text(), "uden");
  EXPECT_EQ(w.ArtikelData->Filter(),
            "(Tekst LIKE '%uden%' or Titel LIKE '%uden%') and Aargang = '2002'");
  EXPECT_EQ(w.ArtikelData->IndexName(), "NummerX");
  EXPECT_EQ(w.OuterWidth(), 700);
  // The two records of 2002 without pages, by issue; their first row shown.
  ASSERT_EQ(model->rowCount(), 2);
  EXPECT_EQ(model->data(model->index(0, ui::kColTitel)).toString(), "Brevkasse uden sider");
  EXPECT_EQ(model->data(model->index(1, ui::kColTitel)).toString(), "Cover disc uden sider");
  EXPECT_EQ(w.Manchet->toPlainText(), QString::fromUtf8("Spørg"));
}

}  // namespace
}  // namespace app
