// The grid's column table (ui/grid_columns.h) walked against the window that
// shows it, on the shipped edition files: per column its title in every
// edition, who is shown it, its pick list, its width at the resizing rules'
// worked widths, and the sort order a click on its title selects.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <filesystem>
#include <memory>
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
#include "ui/pick_list_delegate.h"
#include "ui/resize_rules.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using ui::GridColumnDef;
using ui::kGridColumns;

class GridColumnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_dir_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("vregister_columns_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    fs::current_path(dir_);
    for (const char* name : {"Base.xml", "BaseNo.xml", "BaseSv.xml", "BaseFi.xml"}) {
      fs::copy_file(fs::path(VR_SOURCE_DIR) / "data" / name, dir_ / name,
                    fs::copy_options::overwrite_existing);
    }
    SetErrorSink([this](const std::string&, const std::string& text) { errors_.push_back(text); });
    profiles_ = std::make_unique<platform::ProfileFiles>(platform::DefaultFileSystem(), dir_);
    window_ =
        std::make_unique<TVRegister>(locale_, platform::DefaultFileSystem(), *profiles_, &screen_);
    window_->show();
    QApplication::processEvents();
    ASSERT_TRUE(errors_.empty()) << errors_.front();
  }
  void TearDown() override {
    window_.reset();
    ResetErrorSink();
    fs::current_path(old_dir_);
    fs::remove_all(dir_);
  }

  QHeaderView* Header() { return window_->ArtikelGrid->horizontalHeader(); }
  QString Title(const GridColumnDef& c) {
    return window_->ArtikelGrid->model()->headerData(c.id, Qt::Horizontal).toString();
  }
  // The middle of the title: near its edges a press grips the column's border.
  void ClickTitle(const GridColumnDef& c) {
    QTest::mouseClick(
        Header()->viewport(), Qt::LeftButton, {},
        QPoint(Header()->sectionViewportPosition(c.id) + Header()->sectionSize(c.id) / 2, 5));
  }

  platform::FixedLocale locale_{0x0406};
  platform::FixedScreen screen_{1024, 768};
  fs::path old_dir_, dir_;
  std::unique_ptr<platform::ProfileFiles> profiles_;
  std::unique_ptr<TVRegister> window_;
  std::vector<std::string> errors_;
};

TEST_F(GridColumnsTest, EachColumnIsWhatItsRowSays) {
  TVRegister& w = *window_;
  // Titles: an edition's title by slot, the design title without one.
  for (const Edition& e : kEditions) {
    ASSERT_EQ(w.Sprog, e.sprog);
    for (const GridColumnDef& c : kGridColumns) {
      const char* title = c.title_slot == ui::kNoSlot ? c.title : e.grid_titles[c.title_slot];
      EXPECT_EQ(Title(c), QString::fromUtf8(title)) << e.sprog << " " << c.field;
    }
    w.NytSprogClick();
  }
  ASSERT_EQ(w.Sprog, kDansk);

  // The reader is shown the columns for everyone, the editors all.
  for (const GridColumnDef& c : kGridColumns) {
    EXPECT_EQ(w.ArtikelGrid->ColumnVisible(c.id), c.audience == ui::kForEveryone) << c.field;
  }
  ApplyEditorConfiguration(w);
  QApplication::processEvents();
  for (const GridColumnDef& c : kGridColumns) {
    EXPECT_TRUE(w.ArtikelGrid->ColumnVisible(c.id)) << c.field;
    // The pick list, for the columns that have one.
    auto* picks = qobject_cast<ui::PickListDelegate*>(w.ArtikelGrid->itemDelegateForColumn(c.id));
    QStringList expected;
    for (const char* item : c.pick_list) expected << QString::fromUtf8(item);
    if (c.pick_list.empty()) {
      EXPECT_EQ(picks, nullptr) << c.field;
    } else {
      ASSERT_NE(picks, nullptr) << c.field;
      EXPECT_EQ(picks->Items(), expected) << c.field;
    }
  }

  // Widths: each share of the rules goes to its column, together W - 80; a
  // column without one keeps its design width.
  for (int outer_width : {300, 507, 636, 810}) {
    w.SetOuterWidth(outer_width);
    const ui::HorizontalLayout rules = *ui::ResizeRules(outer_width, w.OuterHeight()).horizontal;
    int shared = 0;
    for (const GridColumnDef& c : kGridColumns) {
      const int width = Header()->sectionSize(c.id);
      if (c.width_share == ui::kNoSlot) {
        EXPECT_EQ(width, c.width) << outer_width << " " << c.field;
      } else {
        EXPECT_EQ(width, rules.column_widths[static_cast<size_t>(c.width_share)])
            << outer_width << " " << c.field;
        shared += width;
      }
    }
    EXPECT_EQ(shared, outer_width - 80) << outer_width;
  }

  // A click on a title sorts by the column's order; without one the order
  // stays.
  w.SetOuterWidth(636);
  std::string order = w.ArtikelData->IndexName();
  for (const GridColumnDef& c : kGridColumns) {
    ClickTitle(c);
    if (c.sort_order != nullptr) order = c.sort_order;
    EXPECT_EQ(w.ArtikelData->IndexName(), order) << c.field;
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
}  // namespace app
