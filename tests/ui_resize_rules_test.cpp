// The resizing rules: the pure arithmetic against every worked value and edge
// case, then the real window: sizes proposed by code, the text box's height
// memory, a dragged title column, and the back panel following the client
// area.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <array>
#include <cstdlib>
#include <optional>

#include "platform/file_system.h"
#include "ui/resize_rules.h"
#include "ui/vregister_form.h"

namespace ui {
namespace {

struct HorizontalCase {
  int w;
  int grid, manchet, afslut_left, logo_left, group;
  std::array<int, 6> columns;  // positions 0, 1, 2, 3, 4, 6
};

TEST(ResizeRules, HorizontalWorkedValues) {
  const HorizontalCase cases[] = {
      {300, 260, 170, 205, 201, 228, {35, 20, 82, 41, 21, 21}},
      {507, 467, 377, 412, 408, 435, {42, 42, 171, 86, 43, 43}},
      {636, 596, 506, 541, 537, 435, {50, 50, 281, 87, 44, 44}},
      {683, 643, 553, 588, 584, 435, {50, 50, 328, 87, 44, 44}},
      {808, 768, 678, 713, 709, 435, {50, 50, 453, 87, 44, 44}},
      // Edge: 810 is laid out, though the window ends at 808.
      {810, 770, 680, 715, 711, 435, {50, 50, 455, 87, 44, 44}},
      // Edge: the group narrows with the window up to 507 only.
      {506, 466, 376, 411, 407, 434, {42, 42, 171, 85, 43, 43}},
      {508, 468, 378, 413, 409, 435, {42, 42, 172, 86, 43, 43}},
  };
  for (const HorizontalCase& c : cases) {
    const TResizeLayout layout = ResizeRules(c.w, 500);
    ASSERT_TRUE(layout.horizontal.has_value()) << c.w;
    const THorizontalLayout& h = *layout.horizontal;
    EXPECT_EQ(h.grid_width, c.grid) << c.w;
    EXPECT_EQ(h.manchet_width, c.manchet) << c.w;
    EXPECT_EQ(h.afslut_left, c.afslut_left) << c.w;
    EXPECT_EQ(h.logo_left, c.logo_left) << c.w;
    EXPECT_EQ(h.gruppe_width, c.group) << c.w;
    EXPECT_EQ(h.column_widths, c.columns) << c.w;
    int sum = 0;
    for (int width : h.column_widths) sum += width;
    EXPECT_EQ(sum, c.w - 80) << c.w;
  }
}

TEST(ResizeRules, HorizontalLayoutOnlyFrom300To810) {
  for (int w : {-1, 0, 299, 811, 1280, 5000}) {
    EXPECT_FALSE(ResizeRules(w, 500).horizontal.has_value()) << w;
  }
  for (int w : {300, 301, 809, 810}) EXPECT_TRUE(ResizeRules(w, 500).horizontal.has_value()) << w;
}

struct VerticalCase {
  int h;
  int grid, label_top, manchet_top;
  std::optional<int> manchet_height;
  int afslut_top;
};

TEST(ResizeRules, VerticalWorkedValues) {
  const VerticalCase cases[] = {
      {300, 86, 248, 270, std::nullopt, 333},
      {350, 86, 248, 270, std::nullopt, 333},
      {400, 86, 248, 270, std::nullopt, 333},
      {401, 86, 249, 271, 86, 334},
      {459, 144, 307, 329, 86, 392},
      {507, 192, 355, 377, 86, 440},
      {827, 512, 675, 697, 86, 760},
      // Below 300 the rule for heights up to 400 still lays out.
      {299, 86, 248, 270, std::nullopt, 333},
      {0, 86, 248, 270, std::nullopt, 333},
  };
  for (const VerticalCase& c : cases) {
    const TResizeLayout layout = ResizeRules(636, c.h);
    ASSERT_TRUE(layout.vertical.has_value()) << c.h;
    const TVerticalLayout expected{c.grid, c.label_top, c.manchet_top, c.manchet_height,
                                   c.afslut_top};
    EXPECT_EQ(*layout.vertical, expected) << c.h;
  }
  for (int h : {828, 1024, 5000}) EXPECT_FALSE(ResizeRules(636, h).vertical.has_value()) << h;
}

// The real window, not shown: every size is proposed by code.
class FormResizeTest : public ::testing::Test {
 protected:
  TVRegisterForm form_{platform::DefaultFileSystem()};

  std::array<int, 7> ColumnsByPosition() {
    std::array<int, 7> widths{};
    QHeaderView* header = form_.ArtikelGrid->horizontalHeader();
    for (int pos = 0; pos < 7; ++pos) {
      const int logical = header->logicalIndex(pos);
      // Hidden sections report 0; the width they will show with is kept apart.
      header->showSection(logical);
      widths[static_cast<size_t>(pos)] = header->sectionSize(logical);
    }
    return widths;
  }
};

TEST_F(FormResizeTest, StartsAt636By459WithTheWorkedLayout) {
  form_.SetOuterWidth(636);
  form_.SetOuterHeight(459);
  EXPECT_EQ(form_.OuterWidth(), 636);
  EXPECT_EQ(form_.OuterHeight(), 459);
  EXPECT_EQ(form_.ArtikelGrid->geometry(), QRect(16, 152, 596, 144));
  EXPECT_EQ(form_.TekstLabel->y(), 307);
  EXPECT_EQ(form_.Manchet->geometry(), QRect(16, 329, 506, 86));
  EXPECT_EQ(form_.Afslut->pos(), QPoint(541, 392));
  EXPECT_EQ(form_.Logo->pos(), QPoint(537, 0));
  EXPECT_EQ(form_.FilterGruppe->geometry(), QRect(16, 16, 435, 121));
  EXPECT_EQ(ColumnsByPosition(), (std::array<int, 7>{50, 50, 281, 87, 44, 52, 44}));
  // The back panel covers the client area.
  EXPECT_EQ(form_.Baggrund->geometry(), form_.rect());
}

TEST_F(FormResizeTest, ProposedWidthsBeyondTheLimits) {
  form_.SetOuterWidth(636);
  // 810 is laid out, the window takes 808.
  form_.SetOuterWidth(810);
  EXPECT_EQ(form_.OuterWidth(), 808);
  EXPECT_EQ(form_.ArtikelGrid->width(), 770);
  EXPECT_EQ(ColumnsByPosition()[2], 455);
  // 811 leaves the horizontal layout as it was; the window stays at 808.
  form_.SetOuterWidth(700);
  form_.SetOuterWidth(811);
  EXPECT_EQ(form_.OuterWidth(), 808);
  EXPECT_EQ(form_.ArtikelGrid->width(), 660);
  EXPECT_EQ(form_.Afslut->x(), 605);
  // Below 300: unchanged layout, the window takes 300.
  form_.SetOuterWidth(250);
  EXPECT_EQ(form_.OuterWidth(), 300);
  EXPECT_EQ(form_.ArtikelGrid->width(), 660);
  EXPECT_EQ(form_.Baggrund->width(), 300);
  // A height above 827 leaves the vertical layout; the window takes 827.
  form_.SetOuterHeight(507);
  form_.SetOuterHeight(900);
  EXPECT_EQ(form_.OuterHeight(), 827);
  EXPECT_EQ(form_.ArtikelGrid->height(), 192);
  EXPECT_EQ(form_.Baggrund->height(), 827);
}

TEST_F(FormResizeTest, TextBoxKeeps89UntilAHeightAbove400WasLaidOut) {
  form_.SetOuterHeight(350);
  EXPECT_EQ(form_.Manchet->height(), 89);
  EXPECT_EQ(form_.Manchet->y(), 270);
  form_.SetOuterHeight(400);
  EXPECT_EQ(form_.Manchet->height(), 89);
  form_.SetOuterHeight(401);
  EXPECT_EQ(form_.Manchet->height(), 86);
  EXPECT_EQ(form_.ArtikelGrid->height(), 86);
  form_.SetOuterHeight(380);
  EXPECT_EQ(form_.Manchet->height(), 86);
  EXPECT_EQ(form_.Manchet->y(), 270);
}

TEST_F(FormResizeTest, ADraggedTitleColumnIsSizedByItsNewPosition) {
  QHeaderView* header = form_.ArtikelGrid->horizontalHeader();
  header->moveSection(kColTitel, 0);  // the title column to the far left
  form_.SetOuterWidth(636);
  EXPECT_EQ(header->sectionSize(kColTitel), 50);    // position 0's rule
  EXPECT_EQ(header->sectionSize(kColNummer), 281);  // now at position 2
  EXPECT_EQ(header->sectionSize(kColAargang), 50);  // now at position 1
  form_.SetOuterWidth(300);
  EXPECT_EQ(header->sectionSize(kColTitel), 35);
}

TEST_F(FormResizeTest, LeftAndTopProposeTheUnchangedSizeAndSameValuesRunNothing) {
  form_.SetOuterWidth(636);
  form_.SetOuterHeight(459);
  // Move a component the rules own; only a run of the rules puts it back.
  form_.Afslut->move(1, 1);
  form_.SetOuterWidth(636);  // unchanged: nothing runs
  EXPECT_EQ(form_.Afslut->pos(), QPoint(1, 1));
  form_.SetOuterLeft(form_.OuterLeft() + 10);
  EXPECT_EQ(form_.Afslut->pos(), QPoint(541, 392));
  form_.Afslut->move(1, 1);
  form_.SetOuterTop(form_.OuterTop() + 10);
  EXPECT_EQ(form_.Afslut->pos(), QPoint(541, 392));
}

TEST_F(FormResizeTest, AResizeFromTheWindowSystemIsProposedToo) {
  form_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
  form_.resize(700, 500);  // as a drag of the frame would (no frame here)
  // The rules speak of the outer size: the client size plus the frame the
  // window system reports.
  EXPECT_EQ(form_.ArtikelGrid->width(), form_.OuterWidth() - 40);
  EXPECT_EQ(form_.ArtikelGrid->height(), form_.OuterHeight() - 315);
  EXPECT_EQ(form_.Baggrund->size(), QSize(700, 500));
}

}  // namespace
}  // namespace ui

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
