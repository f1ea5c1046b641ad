// The window's resizing rules: fixed arithmetic on the proposed outer width W
// and height H, before the window's own size limits apply to them. A pure
// function: it says what to set, and whatever it does not set keeps the value
// of the last run that set it (or its definition value).
//
// Horizontal, only for 300 <= W <= 810: grid width W - 40, text box width
// W - 130, exit button left W - 95, logo left W - 99, group width W - 72 up to
// W = 507 and 435 above, and kWidthShares widths for the grid's columns,
// which share W - 80. Which column takes which share is the column table's
// (ui/grid_columns.h); a column that takes none keeps its width.
// Vertical: H <= 400 gives the fixed small layout (the text box's height is
// not touched); 400 < H <= 827 follows H; H > 827 changes nothing.
//
// VRegisterForm::FormCanResize applies the result to the components; the
// back panel takes the client size separately.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace ui {

// How many column widths the rules set, in the order they share the room.
inline constexpr int kWidthShares = 6;

struct HorizontalLayout {
  int grid_width;
  int manchet_width;
  int afslut_left;
  int logo_left;
  int gruppe_width;
  std::array<int, kWidthShares> column_widths;  // by share

  bool operator==(const HorizontalLayout&) const = default;
};

struct VerticalLayout {
  int grid_height;
  int tekst_label_top;
  int manchet_top;
  std::optional<int> manchet_height;  // not touched by the small layout
  int afslut_top;

  bool operator==(const VerticalLayout&) const = default;
};

struct ResizeLayout {
  std::optional<HorizontalLayout> horizontal;  // skipped outside 300..810
  std::optional<VerticalLayout> vertical;      // skipped above 827
};

ResizeLayout ResizeRules(int32_t new_width, int32_t new_height);

}  // namespace ui
