// The main window as the reader first sees it, driven offscreen: which
// components show after start-up, the keyboard order and first focus, fonts
// and colours, the grid's columns and pick list, the events and the handlers
// they reach, and the pixels of the picture, the logo, the labels and the
// group's frame.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QFontInfo>
#include <QHeaderView>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/error_display.h"
#include "app/guarded_application.h"
#include "app/indeks_base.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "ui/pick_list_delegate.h"
#include "ui/picture_decode.h"
#include "ui/vregister_definition.h"
#include "ui/window_pictures.h"

namespace app {
namespace {

namespace fs = std::filesystem;
namespace def = ui::definition;

class LookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_dir_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("vregister_look_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    fs::copy_file(fs::path(VR_SOURCE_DIR) / "data" / "Base.xml", dir_ / "Base.xml",
                  fs::copy_options::overwrite_existing);
    fs::current_path(dir_);
    SetErrorSink([this](const std::string&, const std::string& text) { errors_.push_back(text); });
    window_ = std::make_unique<TVRegister>(locale_, platform::DefaultFileSystem());
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    ASSERT_TRUE(errors_.empty()) << errors_.front();
  }
  void TearDown() override {
    window_.reset();
    ResetErrorSink();
    fs::current_path(old_dir_);
    fs::remove_all(dir_);
  }
  QImage Grab() { return window_->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // The picture under a point of the window, as the back panel rendered it.
  QRgb Picture(QPoint p) { return window_->Baggrund->Background().pixel(p); }

  platform::FixedLocale locale_{0x0406};
  fs::path old_dir_, dir_;
  std::unique_ptr<TVRegister> window_;
  std::vector<std::string> errors_;
};

TEST_F(LookTest, AfterStartUpExactlyTheReadersComponentsShow) {
  QSet<QString> shown;
  for (const def::TComponentDef& d : def::kComponents) {
    auto* w = window_->findChild<QWidget*>(d.name);
    ASSERT_NE(w, nullptr) << d.name;
    if (w->isVisibleTo(window_.get())) shown.insert(d.name);
  }
  const QSet<QString> expected = {"Baggrund",    "Logo",       "TekstLabel",   "FilterGruppe",
                                  "Aargang",     "Nummer",     "Kategori",     "Tekst",
                                  "AargangEdit", "NummerEdit", "KategoriValg", "Tekstord",
                                  "ArtikelGrid", "Manchet",    "Afslut"};
  EXPECT_EQ(shown, expected);
}

TEST_F(LookTest, KeyboardOrderAndFirstFocus) {
  // The category list (or the text field inside it) has the focus, though it
  // stands right of the year and issue lists.
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr);
  EXPECT_TRUE(focus == window_->KategoriValg || focus->parentWidget() == window_->KategoriValg)
      << focus->metaObject()->className();
  // The Tab key from the first component through the shown ones.
  QStringList order;
  QWidget* w = window_->KategoriValg;
  for (int i = 0; i < 1000 && order.size() < 7; ++i) {
    w = w->nextInFocusChain();
    if (w->objectName().isEmpty() || !w->isVisible() || !(w->focusPolicy() & Qt::TabFocus)) {
      continue;
    }
    order << w->objectName();
  }
  EXPECT_EQ(order, (QStringList{"Tekstord", "AargangEdit", "NummerEdit", "ArtikelGrid", "Manchet",
                                "Afslut", "KategoriValg"}));
}

TEST_F(LookTest, FontsAndColours) {
  struct Case {
    QWidget* widget;
    int pixel_size;
    bool bold;
  };
  const Case cases[] = {
      {window_->TekstLabel, 16, true},    {window_->Aargang, 16, true},
      {window_->KategoriValg, 13, false}, {window_->Tekstord, 13, false},
      {window_->StartSideEdit, 13, true}, {window_->ArtikelGrid, 13, false},
      {window_->Manchet, 13, false},      {window_->Afslut, 13, true},
      {window_->NyPost, 13, false},       {window_->ArtikelGrid->horizontalHeader(), 11, false},
  };
  for (const Case& c : cases) {
    const QFontInfo info(c.widget->font());
    // Arial, and the named stand-in for MS Sans Serif, are Liberation Sans.
    EXPECT_EQ(info.family(), "Liberation Sans") << c.widget->objectName().toStdString();
    EXPECT_EQ(c.widget->font().pixelSize(), c.pixel_size) << c.widget->objectName().toStdString();
    EXPECT_EQ(info.bold(), c.bold) << c.widget->objectName().toStdString();
  }
  EXPECT_EQ(window_->TekstLabel->palette().color(QPalette::WindowText), QColor(Qt::white));
  EXPECT_EQ(window_->Tekstord->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(window_->KategoriValg->palette().color(QPalette::Text), QColor(Qt::black));
  // The group's own font is bold; its components do not inherit it.
  EXPECT_TRUE(window_->FilterGruppe->font().bold());
  EXPECT_EQ(window_->FilterGruppe->CaptionFont().pixelSize(), 16);
  EXPECT_EQ(window_->FilterGruppe->title(), QString::fromUtf8("Søg på:   "));
  // Labels fit their text, also a longer one that an edition sets.
  EXPECT_EQ(window_->Aargang->size(), window_->Aargang->sizeHint());
  window_->Aargang->setText("Vuosikerta:");
  QApplication::processEvents();
  EXPECT_EQ(window_->Aargang->size(), window_->Aargang->sizeHint());
  EXPECT_GT(window_->Aargang->width(), 62);  // wider than the design text
}

TEST_F(LookTest, WindowGridColumnsAndPickList) {
  EXPECT_FALSE(window_->windowIcon().isNull());
  EXPECT_EQ(ui::ReadIcon(ui::IconFile()).image.size(), QSize(32, 32));
  EXPECT_EQ(window_->minimumWidth() + window_->OuterWidth() - window_->width(), 300);
  EXPECT_EQ(window_->maximumHeight() + window_->OuterHeight() - window_->height(), 827);
  // The search lists: entries in the given order, rows shown, row height.
  struct ListCase {
    ui::TStyledComboBox* combo;
    int count, rows;
    const char* last;
  };
  for (const ListCase& c :
       {ListCase{window_->KategoriValg, 11, 11, "Sådan virker..."},
        ListCase{window_->AargangEdit, 3, 4, "2002"}, ListCase{window_->NummerEdit, 13, 9, "12"}}) {
    EXPECT_EQ(c.combo->count(), c.count) << c.last;
    EXPECT_EQ(c.combo->DropDownCount(), c.rows) << c.last;
    EXPECT_EQ(c.combo->itemText(c.count - 1), QString::fromUtf8(c.last));
    EXPECT_EQ(c.combo->view()->sizeHintForRow(0), 16) << c.last;
    EXPECT_EQ(c.combo->Text(), "Alle") << c.last;
  }
  auto* model = window_->ArtikelGrid->model();
  const QStringList titles = {QString::fromUtf8("Årgang"),
                              "Blad nr.",
                              "Titel",
                              "Kategori",
                              "Side",
                              "Slutside",
                              "Antal sider"};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(model->headerData(i, Qt::Horizontal).toString(), titles[i]) << i;
  }
  EXPECT_EQ(window_->ArtikelGrid->columnWidth(ui::kColTitel), 197);
  auto* picks =
      qobject_cast<ui::TPickListDelegate*>(window_->ArtikelGrid->itemDelegateForColumn(3));
  ASSERT_NE(picks, nullptr);
  EXPECT_EQ(picks->Items().size(), 10);
  EXPECT_EQ(picks->Items().last(), QString::fromUtf8("Sådan virker..."));
  // Read-only: no cell edit starts, so the pick list is never offered.
  EXPECT_EQ(window_->ArtikelGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(LookTest, EventsReachTheHandlersTheDefinitionNames) {
  QStringList calls;
  auto record = [&](QObject* sender) {
    QString text;
    if (auto* combo = qobject_cast<ui::TStyledComboBox*>(sender)) text = combo->Text();
    if (auto* edit = qobject_cast<ui::TStyledEdit*>(sender)) text = edit->Text();
    calls << sender->objectName() + "=" + text;
  };
  EXPECT_EQ(window_->ConnectHandler("BrugerValg", record), 4);
  int titles = 0;
  EXPECT_EQ(window_->ConnectColumnHandler("ArtikelGridTitleClick", [&](int) { ++titles; }), 1);
  for (const char* maintenance : {"NyPostClick", "SletPostClick", "RydOpClick", "RydOp2Click",
                                  "DecapClick", "HentVClick", "NytSprogClick"}) {
    EXPECT_EQ(window_->ConnectHandler(maintenance, [](QObject*) {}), 1) << maintenance;
  }
  EXPECT_THROW(window_->ConnectHandler("FormCreate", [](QObject*) {}), std::logic_error);
  EXPECT_EQ(window_->ConnectHandler("NoSuchHandler", [](QObject*) {}), 0);

  // A typed year raises nothing.
  window_->AargangEdit->setFocus();
  window_->AargangEdit->lineEdit()->selectAll();
  QTest::keyClicks(window_->AargangEdit, "2003");
  EXPECT_TRUE(calls.isEmpty());
  // Arrow keys in the category list: one event a step, the text already set.
  window_->KategoriValg->setFocus();
  QTest::keyClick(window_->KategoriValg, Qt::Key_Down);
  QTest::keyClick(window_->KategoriValg, Qt::Key_Down);
  // Each typed character of the search word; code setting the same text: none.
  window_->Tekstord->setFocus();
  QTest::keyClicks(window_->Tekstord, "pc");
  window_->Tekstord->SetText("pc");
  EXPECT_EQ(calls, (QStringList{"KategoriValg=Anmeldelse", "KategoriValg=Artikel", "Tekstord=p",
                                "Tekstord=pc"}));
  QTest::mouseClick(window_->ArtikelGrid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                    QPoint(30, 5));
  EXPECT_EQ(titles, 1);
}

TEST_F(LookTest, PictureLogoLabelsAndFramePixels) {
  window_->SetOuterWidth(636);
  window_->SetOuterHeight(459);
  QApplication::processEvents();
  const QImage shown = Grab();
  ASSERT_EQ(window_->Baggrund->Background().size(), window_->size());
  // The logo: white shows the picture, the light letter (one channel off
  // white) is drawn, the bitmap's columns past 89 are cut.
  const QImage logo = ui::ReadBmp(ui::LogoBmp()).image;
  const QPoint at = window_->Logo->pos();
  EXPECT_EQ(at, QPoint(537, 0));
  EXPECT_EQ(window_->Logo->width(), 89);
  int keyed = 0;
  int letter = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      const QPoint p = at + QPoint(x, y);
      if (x >= 89 || logo.pixel(x, y) == qRgb(255, 255, 255)) {
        EXPECT_EQ(shown.pixel(p), Picture(p)) << x << "," << y;
        keyed += x < 89;
      } else {
        EXPECT_EQ(shown.pixel(p), logo.pixel(x, y)) << x << "," << y;
        letter += logo.pixel(x, y) == qRgb(255, 255, 254);
      }
    }
  }
  EXPECT_GT(keyed, 1000);
  EXPECT_GT(letter, 100);
  // Labels: white text straight on the picture, readable: the contrast of
  // white against the brightest picture pixel behind a label is at least 7:1.
  auto luminance = [](QRgb c) {
    auto lin = [](int v) {
      const double s = v / 255.0;
      return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
  };
  for (QLabel* label : {window_->TekstLabel, window_->Aargang, window_->Nummer, window_->Kategori,
                        window_->Tekst}) {
    const QRect r(label->mapTo(window_.get(), QPoint(0, 0)), label->size());
    int white = 0;
    double brightest = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) {
        white += shown.pixel(x, y) == qRgb(255, 255, 255);
        brightest = std::max(brightest, luminance(Picture(QPoint(x, y))));
      }
    }
    EXPECT_GT(white, 30) << label->objectName().toStdString();
    EXPECT_GE(1.05 / (brightest + 0.05), 7.0) << label->objectName().toStdString();
  }
  // The group's top frame line stops 3 pixels left of the caption.
  const QPoint group = window_->FilterGruppe->pos();
  const int top = group.y() + window_->FilterGruppe->CaptionHeight() / 2 - 1;
  const QRgb shadow = window_->FilterGruppe->palette().color(QPalette::Dark).rgb();
  EXPECT_EQ(shown.pixel(group.x() + 5, top), shadow);
  EXPECT_EQ(shown.pixel(group.x() + 6, top), Picture(QPoint(group.x() + 6, top)));
  EXPECT_EQ(shown.pixel(group.x() + 7, top), Picture(QPoint(group.x() + 7, top)));
  // Inside the group, the picture itself.
  EXPECT_EQ(shown.pixel(group.x() + 150, group.y() + 40),
            Picture(QPoint(group.x() + 150, group.y() + 40)));
}

}  // namespace
}  // namespace app

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  app::GuardedApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
