// The window as a reader meets it without a mouse or without sight: what a
// screen reader is told through Qt's accessibility interfaces (names, the
// labels that name the inputs, the grid as a table, no hidden component),
// the keyboard alone from the first focus to the closing button, and a
// display scaled to twice the size.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/edition.h"
#include "app/editor_configuration.h"
#include "app/error_display.h"
#include "app/indeks_base.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"
#include "platform/screen.h"

namespace app {
namespace {

namespace fs = std::filesystem;

QString T(const char* utf8) { return QString::fromUtf8(utf8); }

QAccessibleInterface* Iface(QObject* object) {
  return QAccessible::queryAccessibleInterface(object);
}

// The interfaces that name `input` as the one they label.
std::vector<QAccessibleInterface*> LabelsOf(QWidget* input) {
  std::vector<QAccessibleInterface*> labels;
  for (const auto& [iface, relation] : Iface(input)->relations(QAccessible::Label)) {
    labels.push_back(iface);
  }
  return labels;
}

class AccessibilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_dir_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("vregister_a11y_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    fs::create_directories(dir_ / "cfg");
    fs::current_path(dir_);
    for (const char* name : {"Base.xml", "BaseNo.xml", "BaseSv.xml", "BaseFi.xml"}) {
      fs::copy_file(fs::path(VR_SOURCE_DIR) / "data" / name, dir_ / name);
    }
    SetErrorSink([this](const std::string&, const std::string& text) { errors_.push_back(text); });
    profiles_ = std::make_unique<platform::ProfileFiles>(platform::DefaultFileSystem(),
                                                         (dir_ / "cfg").string());
  }
  void TearDown() override {
    window_.reset();
    ResetErrorSink();
    fs::current_path(old_dir_);
    fs::remove_all(dir_);
  }

  TVRegister& Start(uint32_t lcid = 0x0406, const platform::IScreen* screen = nullptr) {
    window_.reset();
    locale_ = std::make_unique<platform::FixedLocale>(lcid);
    window_ = std::make_unique<TVRegister>(*locale_, platform::DefaultFileSystem(), *profiles_,
                                           screen != nullptr ? screen : &screen_);
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

  static inline int counter_ = 0;
  fs::path old_dir_, dir_;
  platform::FixedScreen screen_{1280, 1024};
  std::unique_ptr<platform::ProfileFiles> profiles_;
  std::unique_ptr<platform::FixedLocale> locale_;
  std::unique_ptr<TVRegister> window_;
  std::vector<std::string> errors_;
};

// Each input is labelled by its own label and named by the label's text
// without the colon and trailing blanks.
void ExpectLabelled(QWidget* input, QLabel* label, const QString& name) {
  SCOPED_TRACE(input->objectName().toStdString());
  EXPECT_EQ(label->buddy(), input);
  const std::vector<QAccessibleInterface*> labels = LabelsOf(input);
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(labels.front(), Iface(label));
  EXPECT_EQ(labels.front()->text(QAccessible::Name), label->text());
  EXPECT_EQ(input->accessibleName(), name);
}

void ExpectEditionNames(TVRegister& w, const Edition& e) {
  ExpectLabelled(w.AargangEdit, w.Aargang, QString(T(e.aargang)).remove(':'));
  ExpectLabelled(w.NummerEdit, w.Nummer, QString(T(e.nummer)).remove(':'));
  ExpectLabelled(w.KategoriValg, w.Kategori, QString(T(e.kategori)).remove(':'));
  ExpectLabelled(w.Tekstord, w.Tekst, QString(T(e.tekst)).remove(':'));
  ExpectLabelled(w.Manchet, w.TekstLabel, QString(T(e.tekst_label)).remove(':'));
  ExpectLabelled(w.VProgrammer, w.KeyLabel, T(e.key_label));
  ExpectLabelled(w.StartSideEdit, w.SideLabel, "Side");
  // The single-line edit and the text box carry the name themselves.
  EXPECT_EQ(Iface(w.Tekstord)->text(QAccessible::Name), QString(T(e.tekst)).remove(':'));
  EXPECT_EQ(Iface(w.Manchet)->text(QAccessible::Name), QString(T(e.tekst_label)).remove(':'));

  QAccessibleInterface* frame = Iface(&w);
  EXPECT_EQ(frame->role(), QAccessible::Window);
  EXPECT_EQ(frame->text(QAccessible::Name), T(e.caption));

  QAccessibleInterface* grid = Iface(w.ArtikelGrid);
  EXPECT_EQ(grid->role(), QAccessible::Table);
  EXPECT_EQ(grid->text(QAccessible::Name), T(e.grid_name));
  QAccessibleTableInterface* table = grid->tableInterface();
  ASSERT_NE(table, nullptr);
  // The reader's six columns, titled as the edition titles them; Slutside is
  // not among them.
  ASSERT_EQ(table->columnCount(), 6);
  EXPECT_EQ(table->rowCount(), w.ArtikelGrid->model()->rowCount());
  for (int c = 0; c < 6; ++c) {
    QAccessibleInterface* header = grid->child(c);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(header->text(QAccessible::Name), T(e.grid_titles[c]));
    EXPECT_EQ(table->columnDescription(c), T(e.grid_titles[c]));
  }
}

TEST_F(AccessibilityTest, NamesLabelsAndTheGridInEveryEdition) {
  for (uint32_t lcid : {0x0406u, 0x0414u, 0x041Du, 0x040Bu}) {
    SCOPED_TRACE(lcid);
    TVRegister& w = Start(lcid);
    ExpectEditionNames(w, *FindEdition(w.Sprog));
  }
  // A switch of edition renews every name.
  TVRegister& w = Start();
  for (int i = 0; i < 4; ++i) {
    w.NytSprogClick();
    SCOPED_TRACE(w.Sprog);
    ExpectEditionNames(w, *FindEdition(w.Sprog));
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(AccessibilityTest, TheGridIsATableOfItsShownColumnsWithNumberedRows) {
  TVRegister& w = Start();
  QAccessibleInterface* grid = Iface(w.ArtikelGrid);
  QAccessibleTableInterface* table = grid->tableInterface();
  ASSERT_NE(table, nullptr);
  const int rows = table->rowCount();
  ASSERT_GT(rows, 2);
  EXPECT_EQ(grid->childCount(), 6 + rows * 7);
  auto* model = w.ArtikelGrid->model();
  for (int row : {0, 1, rows - 1}) {
    SCOPED_TRACE(row);
    QAccessibleInterface* cell = table->cellAt(row, 2);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->role(), QAccessible::Cell);
    EXPECT_EQ(cell->text(QAccessible::Name), model->index(row, ui::kColTitel).data().toString());
    QAccessibleTableCellInterface* at = cell->tableCellInterface();
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(at->rowIndex(), row);
    EXPECT_EQ(at->columnIndex(), 2);
    ASSERT_EQ(at->rowHeaderCells().size(), 1);
    EXPECT_EQ(at->rowHeaderCells().front()->text(QAccessible::Name), QString::number(row + 1));
    EXPECT_EQ(at->rowHeaderCells().front()->role(), QAccessible::RowHeader);
    EXPECT_EQ(at->columnHeaderCells().front()->text(QAccessible::Name),
              T(kEditions[0].grid_titles[2]));
    EXPECT_EQ(grid->child(grid->indexOfChild(cell)), cell);
  }
  // The page-count column follows the start page; Slutside is in no cell.
  EXPECT_EQ(table->cellAt(0, 5)->text(QAccessible::Name),
            model->index(0, ui::kColSideantal).data().toString());
  EXPECT_EQ(table->cellAt(0, 6), nullptr);
  for (int i = 0; i < grid->childCount() && i < 200; ++i) {
    EXPECT_NE(grid->child(i)->text(QAccessible::Name), "Slutside") << i;
  }
  // A column the reader drags elsewhere stands there in the table too.
  QHeaderView* header = w.ArtikelGrid->horizontalHeader();
  header->moveSection(header->visualIndex(ui::kColTitel), 0);
  EXPECT_EQ(table->columnDescription(0), T(kEditions[0].grid_titles[2]));
  EXPECT_EQ(table->cellAt(0, 0)->text(QAccessible::Name),
            model->index(0, ui::kColTitel).data().toString());
  // The current cell is the table's focus child, the selected row its row.
  w.ArtikelGrid->setFocus();
  w.ArtikelGrid->selectRow(1);
  EXPECT_EQ(table->selectedRows(), QList<int>{1});
  EXPECT_EQ(table->selectedCellCount(), 6);
  QAccessibleInterface* focus = grid->focusChild();
  ASSERT_NE(focus, nullptr);
  EXPECT_EQ(focus->tableCellInterface()->rowIndex(), 1);
  // In the editors' build the end-page column is shown, and in the table.
  ApplyEditorConfiguration(w);
  EXPECT_EQ(table->columnCount(), 7);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// Every interface below `iface`, except the grid's cells.
void Walk(QAccessibleInterface* iface, const std::function<void(QAccessibleInterface*)>& visit) {
  visit(iface);
  if (iface->role() == QAccessible::Table) return;
  for (int i = 0; i < iface->childCount(); ++i) {
    if (QAccessibleInterface* child = iface->child(i)) Walk(child, visit);
  }
}

TEST_F(AccessibilityTest, NoHiddenComponentIsInTheTree) {
  TVRegister& w = Start();
  auto shown_names = [&] {
    QStringList names;
    Walk(Iface(&w), [&](QAccessibleInterface* iface) {
      // The window's components: the children of the window, the panel and
      // the group.
      auto* widget = qobject_cast<QWidget*>(iface->object());
      if (widget == nullptr || widget->objectName().isEmpty()) return;
      QWidget* parent = widget->parentWidget();
      if (widget != &w && parent != &w && parent != w.Baggrund && parent != w.FilterGruppe) {
        return;
      }
      EXPECT_TRUE(widget->isVisible()) << widget->objectName().toStdString();
      names << widget->objectName();
    });
    return names;
  };
  const QStringList reader = shown_names();
  for (const char* name : {"Baggrund", "FilterGruppe", "AargangEdit", "NummerEdit", "KategoriValg",
                           "Tekstord", "ArtikelGrid", "Manchet", "Afslut", "TekstLabel"}) {
    EXPECT_TRUE(reader.contains(name)) << name;
  }
  for (const char* name : {"VProgrammer", "KeyLabel", "StartSideEdit", "SideLabel", "NytSprog",
                           "NyPost", "SletPost", "RydOp", "RydOp2", "Decap", "HentV"}) {
    EXPECT_FALSE(reader.contains(name)) << name;
  }
  // The editors' build shows them, and so the tree has them.
  ApplyEditorConfiguration(w);
  const QStringList editor = shown_names();
  for (const char* name : {"VProgrammer", "KeyLabel", "StartSideEdit", "NytSprog", "HentV"}) {
    EXPECT_TRUE(editor.contains(name)) << name;
  }
}

// ---- The keyboard alone ----

QWidget* Focus() {
  QWidget* focus = QApplication::focusWidget();
  return focus;
}

void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(Focus(), static_cast<Qt::Key>(key), modifiers);
  QApplication::processEvents();
}

TEST_F(AccessibilityTest, KeyboardOnlyFromTheFirstFocusToTheExitButton) {
  TVRegister& w = Start();
  QApplication::setActiveWindow(&w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  EXPECT_EQ(Focus(), w.KategoriValg);
  // Tab through the search inputs into the grid.
  for (QWidget* next :
       std::initializer_list<QWidget*>{w.Tekstord, w.AargangEdit, w.NummerEdit, w.ArtikelGrid}) {
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus(), next) << next->objectName().toStdString();
  }
  // Inside the grid Tab moves from cell to cell.
  const QModelIndex before = w.ArtikelGrid->currentIndex();
  Key(Qt::Key_Tab);
  EXPECT_EQ(Focus(), w.ArtikelGrid);
  EXPECT_NE(w.ArtikelGrid->currentIndex().column(), before.column());
  Key(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(Focus(), w.ArtikelGrid);
  EXPECT_EQ(w.ArtikelGrid->currentIndex().column(), before.column());
  // Ctrl+Shift+Tab goes back out, Ctrl+Tab forward.
  Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Focus(), w.NummerEdit);
  Key(Qt::Key_Tab);
  EXPECT_EQ(Focus(), w.ArtikelGrid);
  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Focus(), w.Manchet);
  Key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Focus(), w.ArtikelGrid);
  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Focus(), w.Manchet);
  Key(Qt::Key_Tab, Qt::ControlModifier);
  ASSERT_EQ(Focus(), w.Afslut);
  // Space on the exit button writes the settings and ends the program.
  EXPECT_EQ(Settings(), "");
  QTimer::singleShot(0, [] { Key(Qt::Key_Space); });
  QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_NE(Settings().find("TekstOrd="), std::string::npos) << Settings();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(AccessibilityTest, CtrlTabLeavesTheEditorsTextBoxes) {
  TVRegister& w = Start();
  ApplyEditorConfiguration(w);
  QApplication::setActiveWindow(&w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  w.Manchet->setFocus();
  QApplication::processEvents();
  ASSERT_EQ(Focus(), w.Manchet);
  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Focus(), w.VProgrammer);
  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Focus(), w.SletPost);
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Focus(), w.VProgrammer);
  Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Focus(), w.Manchet);
  // Tab itself types into an editable box.
  Key(Qt::Key_Tab);
  EXPECT_EQ(Focus(), w.Manchet);
  EXPECT_TRUE(w.Manchet->toPlainText().contains('\t'));
}

// ---- A scaled display ----

bool OnScreen(const QRect& window, const QRect& screen) { return screen.contains(window); }

TEST_F(AccessibilityTest, ADisplayScaledTwiceKeepsTheWindowOnIt) {
  // 1280 by 1024 pixels at twice the size: 640 by 512 in the window's units.
  const platform::FixedScreen scaled(640, 512, 2.0);
  const QRect screen(0, 0, 640, 512);
  // No settings file: the defaults, 636 by 459 at 100, 100.
  TVRegister& w = Start(0x0406, &scaled);
  EXPECT_TRUE(OnScreen(w.frameGeometry(), screen)) << w.frameGeometry().x();
  EXPECT_EQ(w.frameGeometry().size(), QSize(636, 459));
  // A stored place and a size larger than the display.
  std::ofstream(dir_ / "cfg" / "VDatabase.ini", std::ios::binary)
      << "[Defaults]\r\nVenstre=200\r\nTop=200\r\nBredde=800\r\nH\xF8jde=800\r\n";
  Start(0x0406, &scaled);
  EXPECT_EQ(window_->frameGeometry(), QRect(0, 0, 640, 512));
  // The same file on a display that is not scaled keeps the bounds as they
  // are: 100 pixels of the window stay on the display, the rest may run off.
  const platform::FixedScreen plain(640, 512, 1.0);
  Start(0x0406, &plain);
  EXPECT_EQ(window_->frameGeometry(), QRect(200, 200, 800, 800));
}

// The real display under X, 1280 by 1024 pixels scaled to twice the size
// (QT_SCALE_FACTOR=2): the system's screen reports it in the window's units
// and the window opens wholly on it.
TEST(ScaledUnderX, TheWindowOpensOnTheDisplay) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server";
  const platform::IScreen& system = platform::SystemScreen();
  const QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(system.PrimaryWidth(), screen->geometry().width());
  EXPECT_EQ(system.PrimaryHeight(), screen->geometry().height());
  EXPECT_EQ(system.PixelRatio(), screen->devicePixelRatio());
  const fs::path dir =
      fs::temp_directory_path() / ("vregister_scaled_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::copy_file(fs::path(VR_SOURCE_DIR) / "data" / "Base.xml", dir / "Base.xml");
  const fs::path old_dir = fs::current_path();
  fs::current_path(dir);
  {
    platform::FixedLocale danish(0x0406);
    platform::ProfileFiles profiles(platform::DefaultFileSystem(), (dir / "cfg").string());
    TVRegister w(danish, platform::DefaultFileSystem(), profiles);
    w.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(screen->geometry().contains(w.frameGeometry()))
        << w.frameGeometry().x() << "," << w.frameGeometry().y() << " " << w.frameGeometry().width()
        << "x" << w.frameGeometry().height() << " on " << screen->geometry().width() << "x"
        << screen->geometry().height();
  }
  fs::current_path(old_dir);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace app
