// The article grid's columns as one table, a row per column in creation
// order: the field it shows, its design title, width and visibility, the slot
// of its title among an edition's grid titles, its share of the resizing
// rules' widths, the sort order a click on its title selects, its pick list,
// and who is shown it.
//
// The window's builder makes the grid from it, FormCanResize sizes the
// columns by it, the edition texts title the columns by it, the title click
// sorts by it, and the reader's and the editors' configurations show columns
// by it. A new column is one row here, plus its title in each edition when it
// takes a title slot.
#pragma once

#include <iterator>
#include <span>

#include "ui/resize_rules.h"

namespace ui {

// Grid columns by creation number: the model's column, which a column keeps
// when the reader drags its title elsewhere. Until then it is also the place
// the column stands at.
enum GridColumn {
  kColAargang,
  kColNummer,
  kColTitel,
  kColKategori,
  kColStart,
  kColSlut,
  kColSideantal
};

// No title slot, no width share.
inline constexpr int kNoSlot = -1;

enum ColumnAudience {
  kForEveryone,  // shown in the reader's program and in the editors' build
  kForEditors,   // shown only in the editors' build
};

struct GridColumnDef {
  GridColumn id;
  const char* field;  // the field object shown
  const char* title;  // the design title (Danish, UTF-8)
  int width;          // the design width: 64 where the definition sets none
  bool shown;         // in the definition; the configurations decide at start-up
  // Index into an edition's grid titles, or kNoSlot: the design title stays.
  int title_slot;
  // Which of the resizing rules' widths the column standing at this column's
  // creation place takes (so a dragged column is sized by its new place), or
  // kNoSlot: that column keeps its width.
  int width_share;
  const char* sort_order;                  // the index a title click selects, or null
  std::span<const char* const> pick_list;  // offered for editing its cells, if any
  ColumnAudience audience;
};

// The category column's pick list, offered only while the grid can be edited.
inline constexpr const char* kKategoriPicks[] = {
    "Artikel", "Galleriet",      "V-CD",     "Vexor test", "Internet",
    "Nyheder", "Nyt fra nettet", "Spørg os", "Skolen",     "Sådan virker...",
};

// clang-format off
inline constexpr GridColumnDef kGridColumns[] = {
    // id           field        title          width shown  title    share    sort order   pick list       audience
    {kColAargang,   "Aargang",   "Årgang",      55,   true,  0,       0,       "AargangX",  {},             kForEveryone},
    {kColNummer,    "Nummer",    "Blad nr.",    46,   true,  1,       1,       "NummerX",   {},             kForEveryone},
    {kColTitel,     "Titel",     "Titel",       197,  true,  2,       2,       "TitelX",    {},             kForEveryone},
    {kColKategori,  "Kategori",  "Kategori",    94,   true,  3,       3,       "KategoriX", kKategoriPicks, kForEveryone},
    {kColStart,     "StartSide", "Side",        40,   true,  4,       4,       "StartX",    {},             kForEveryone},
    {kColSlut,      "SlutSide",  "Slutside",    52,   true,  kNoSlot, kNoSlot, nullptr,     {},             kForEditors},
    {kColSideantal, "Sideantal", "Antal sider", 64,   false, 5,       5,       nullptr,     {},             kForEveryone},
};
// clang-format on

// How many columns take their title from an edition: the length of an
// edition's grid titles.
inline constexpr int kGridTitleSlots = [] {
  int titled = 0;
  for (const GridColumnDef& c : kGridColumns) titled += c.title_slot != kNoSlot ? 1 : 0;
  return titled;
}();

namespace grid_columns_check {

// Each of the slots 0 .. count - 1 taken by exactly one column, the others
// kNoSlot.
constexpr bool EachSlotOnce(int GridColumnDef::*slot, int count) {
  for (int s = 0; s < count; ++s) {
    int takers = 0;
    for (const GridColumnDef& c : kGridColumns) takers += c.*slot == s ? 1 : 0;
    if (takers != 1) return false;
  }
  for (const GridColumnDef& c : kGridColumns) {
    if (c.*slot != kNoSlot && (c.*slot < 0 || c.*slot >= count)) return false;
  }
  return true;
}

constexpr bool IdsInCreationOrder() {
  for (int i = 0; i < static_cast<int>(std::size(kGridColumns)); ++i) {
    if (kGridColumns[i].id != i) return false;
  }
  return true;
}

}  // namespace grid_columns_check

static_assert(grid_columns_check::IdsInCreationOrder(), "a column's id is its row");
static_assert(grid_columns_check::EachSlotOnce(&GridColumnDef::title_slot, kGridTitleSlots),
              "the title slots are 0 .. kGridTitleSlots - 1, one column each");
static_assert(grid_columns_check::EachSlotOnce(&GridColumnDef::width_share, kWidthShares),
              "each width of the resizing rules goes to exactly one column");

// The row of a column (null for a number that is none).
constexpr const GridColumnDef* FindGridColumn(int column) {
  if (column < 0 || column >= static_cast<int>(std::size(kGridColumns))) return nullptr;
  return &kGridColumns[column];
}

}  // namespace ui
