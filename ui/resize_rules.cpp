// The arithmetic of the resizing rules. Every operand is positive where a
// division happens, so C++'s truncating division is the rules' "div".
#include "ui/resize_rules.h"

namespace ui {
namespace {

std::array<int, kWidthShares> ColumnWidths(int32_t w) {
  int r = w - 80;  // the room the shown columns share
  int c0 = r / 10;
  if (c0 > 50) c0 = 50;
  if (c0 < 35) c0 = 35;
  r -= c0;
  int c1 = r / 9;  // no lower bound
  if (c1 > 50) c1 = 50;
  r -= c1;
  const int c2 = r > 350 ? r - 175 : r / 2;
  r -= c2;
  const int c3 = r / 2;
  r -= c3;
  const int c4 = r / 2;
  r -= c4;
  return {c0, c1, c2, c3, c4, r};
}

}  // namespace

ResizeLayout ResizeRules(int32_t new_width, int32_t new_height) {
  ResizeLayout layout;
  const int32_t w = new_width;
  const int32_t h = new_height;
  if (w >= 300 && w <= 810) {
    layout.horizontal = HorizontalLayout{
        .grid_width = w - 40,
        .manchet_width = w - 130,
        .afslut_left = w - 95,
        .logo_left = w - 99,
        .gruppe_width = w <= 507 ? w - 72 : 435,
        .column_widths = ColumnWidths(w),
    };
  }
  if (h <= 400) {
    layout.vertical = VerticalLayout{
        .grid_height = 86,
        .tekst_label_top = 248,
        .manchet_top = 270,
        .manchet_height = std::nullopt,
        .afslut_top = 333,
    };
  } else if (h <= 827) {
    layout.vertical = VerticalLayout{
        .grid_height = h - 315,
        .tekst_label_top = h - 152,
        .manchet_top = h - 130,
        .manchet_height = 86,
        .afslut_top = h - 67,
    };
  }
  return layout;
}

}  // namespace ui
