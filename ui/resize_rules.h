// The window's resizing rules: fixed arithmetic on the proposed outer width W
// and height H, before the window's own size limits apply to them. A pure
// function: it says what to set, and whatever it does not set keeps the value
// of the last run that set it (or its definition value).
//
// Horizontal, only for 300 <= W <= 810: grid width W - 40, text box width
// W - 130, exit button left W - 95, logo left W - 99, group width W - 72 up to
// W = 507 and 435 above, and the widths of the grid's columns at positions
// 0, 1, 2, 3, 4 and 6, which share W - 80 (the column at position 5 keeps its
// width).
// Vertical: H <= 400 gives the fixed small layout (the text box's height is
// not touched); 400 < H <= 827 follows H; H > 827 changes nothing.
//
// TVRegisterForm::FormCanResize applies the result to the components; the
// back panel takes the client size separately.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace ui {

// Grid positions whose widths the rules set, in the order they share the room.
inline constexpr std::array<int, 6> kRuledColumnPositions = {0, 1, 2, 3, 4, 6};

struct THorizontalLayout {
  int grid_width;
  int manchet_width;
  int afslut_left;
  int logo_left;
  int gruppe_width;
  std::array<int, 6> column_widths;  // for kRuledColumnPositions, in that order

  bool operator==(const THorizontalLayout&) const = default;
};

struct TVerticalLayout {
  int grid_height;
  int tekst_label_top;
  int manchet_top;
  std::optional<int> manchet_height;  // not touched by the small layout
  int afslut_top;

  bool operator==(const TVerticalLayout&) const = default;
};

struct TResizeLayout {
  std::optional<THorizontalLayout> horizontal;  // skipped outside 300..810
  std::optional<TVerticalLayout> vertical;      // skipped above 827
};

TResizeLayout ResizeRules(int32_t new_width, int32_t new_height);

}  // namespace ui
