// The stored definition of the main window `VRegister`, written as the tables
// it is made of: the window's own settings, its fonts, its components (one row
// each, in creation order), the search lists' entries, the settings of the
// search word field, the start page field and the article table, and which
// events reach which handler; the grid's columns are the column table
// (ui/grid_columns.h). VRegisterForm's builder (vregister_form.cpp) reads
// these tables and nothing else, so a change of a place, a text or an order
// is a change of one value here. Tables that name a component name one of
// kComponents (checked at compile time).
//
// Places are pixels in the parent's client area at 96 pixels per inch, never
// scaled. Texts are the Danish design texts (the edition replaces them at
// start-up), written in UTF-8.
#pragma once

#include <span>
#include <string_view>

#include "store/filter_compile.h"
#include "ui/caret_blink.h"

namespace ui::definition {

enum class FontSetting {
  kNone,
  kHeading,     // Arial 16 bold white: every label, the group's caption
  kInput,       // Arial 13 black: search lists and word
  kInputBold,   // Arial 13 bold black: the start page field
  kText,        // Arial 13, window-text colour: grid cells, text boxes
  kButton,      // MS Sans Serif 13, window-text colour
  kButtonBold,  // the same, bold: "Afslut"
  kTitle,       // MS Sans Serif 11: the window's own font, the grid's titles
  kGroupOwn,    // Arial 13 bold white: the group's own font, inherited by none
};

enum class FontColor { kWindowText, kWhite, kBlack };

struct FontSpec {
  FontSetting setting;
  const char* face;
  int pixel_size;  // character height without internal leading
  bool bold;
  FontColor color;
};

inline constexpr FontSpec kFonts[] = {
    {FontSetting::kHeading, "Arial", 16, true, FontColor::kWhite},
    {FontSetting::kInput, "Arial", 13, false, FontColor::kBlack},
    {FontSetting::kInputBold, "Arial", 13, true, FontColor::kBlack},
    {FontSetting::kText, "Arial", 13, false, FontColor::kWindowText},
    {FontSetting::kButton, "MS Sans Serif", 13, false, FontColor::kWindowText},
    {FontSetting::kButtonBold, "MS Sans Serif", 13, true, FontColor::kWindowText},
    {FontSetting::kTitle, "MS Sans Serif", 11, false, FontColor::kWindowText},
    {FontSetting::kGroupOwn, "Arial", 13, true, FontColor::kWhite},
};

// The face this system draws for "MS Sans Serif", which it does not have:
// a sans-serif of similar width that the set-up installs.
inline constexpr const char* kMsSansSerifSubstitute = "Liberation Sans";

struct WindowDef {
  const char* name;
  const char* caption;
  int left, top;
  int width, height;  // outer size
  int client_width, client_height;
  int min_width, max_width;  // limits of the outer size
  int min_height, max_height;
  FontSetting font;
};

inline constexpr WindowDef kWindow = {
    "VRegister", "Vexor for alle årsregister", 246, 229, 683, 507, 665, 473, 300, 808, 300,
    827,         FontSetting::kTitle,
};

enum class ComponentKind {
  kBackPanel,  // TStyledBackPanel
  kImage,      // TStyledImage
  kLabel,
  kGroupBox,  // TStyledGroupBox
  kComboBox,  // TStyledComboBox
  kEdit,      // TStyledEdit
  kSpinEdit,  // TStyledSpinEdit
  kGrid,      // DataGrid
  kButton,
  kMemo,  // DataMemo
};

// Labels and the image have no window of their own: any windowed component
// that overlaps them is drawn over them, whatever the creation order.
constexpr bool IsWindowed(ComponentKind kind) {
  return kind != ComponentKind::kLabel && kind != ComponentKind::kImage;
}

inline constexpr int kNoTab = -1;

struct ComponentDef {
  const char* name;
  ComponentKind kind;
  const char* parent;
  int left, top, width, height;
  int tab_order;  // within the parent; kNoTab for components that take no focus
  bool shown;     // in the definition (start-up hides more)
  const char* text;
  FontSetting font;
};

// In creation order: where two windowed components overlap, the later lies
// above. Labels size themselves to their text; their sizes here are those of
// the design text. A memo's text names the memo field it shows.
using K = ComponentKind;
using F = FontSetting;
// clang-format off
inline constexpr ComponentDef kComponents[] = {
    // name           kind           parent          left top  w    h    tab     shown  text           font
    {"Baggrund",      K::kBackPanel, "VRegister",    0,   0,   665, 473, 0,      true,  nullptr,       F::kNone},
    {"Logo",          K::kImage,     "Baggrund",     555, 0,   89,  105, kNoTab, true,  nullptr,       F::kNone},
    {"TekstLabel",    K::kLabel,     "Baggrund",     16,  336, 64,  19,  kNoTab, true,  "Indhold:",    F::kHeading},
    {"KeyLabel",      K::kLabel,     "Baggrund",     288, 336, 71,  19,  kNoTab, true,  "Nøgleord",    F::kHeading},
    {"FilterGruppe",  K::kGroupBox,  "Baggrund",     16,  16,  433, 121, 0,      true,  "Søg på:   ",  F::kGroupOwn},
    {"Nummer",        K::kLabel,     "FilterGruppe", 168, 22,  65,  19,  kNoTab, true,  "Blad nr.:",   F::kHeading},
    {"Tekst",         K::kLabel,     "FilterGruppe", 16,  94,  72,  19,  kNoTab, true,  "Søgeord:",    F::kHeading},
    {"Kategori",      K::kLabel,     "FilterGruppe", 304, 22,  71,  19,  kNoTab, true,  "Kategori:",   F::kHeading},
    {"Aargang",       K::kLabel,     "FilterGruppe", 16,  22,  62,  19,  kNoTab, true,  "Årgang:",     F::kHeading},
    {"SideLabel",     K::kLabel,     "FilterGruppe", 304, 94,  40,  19,  kNoTab, true,  "Side:",       F::kHeading},
    {"KategoriValg",  K::kComboBox,  "FilterGruppe", 304, 48,  113, 24,  0,      true,  "Alle",        F::kInput},
    {"Tekstord",      K::kEdit,      "FilterGruppe", 112, 90,  169, 21,  1,      true,  "",            F::kInput},
    {"AargangEdit",   K::kComboBox,  "FilterGruppe", 16,  48,  129, 24,  2,      true,  "Alle",        F::kInput},
    {"NummerEdit",    K::kComboBox,  "FilterGruppe", 168, 48,  113, 24,  3,      true,  "Alle",        F::kInput},
    {"StartSideEdit", K::kSpinEdit,  "FilterGruppe", 360, 92,  57,  21,  4,      true,  "",            F::kInputBold},
    {"ArtikelGrid",   K::kGrid,      "Baggrund",     16,  152, 529, 161, 1,      true,  nullptr,       F::kText},
    {"RydOp",         K::kButton,    "Baggrund",     200, 328, 67,  25,  2,      false, "Ryd op!",     F::kButton},
    {"Decap",         K::kButton,    "Baggrund",     392, 328, 67,  25,  3,      false, "Decap",       F::kButton},
    {"RydOp2",        K::kButton,    "Baggrund",     472, 328, 67,  25,  4,      false, "Ryd op!",     F::kButton},
    {"NyPost",        K::kButton,    "Baggrund",     560, 344, 75,  25,  5,      false, "Ny post",     F::kButton},
    {"Manchet",       K::kMemo,      "Baggrund",     16,  360, 249, 89,  6,      true,  "Tekst",       F::kText},
    {"VProgrammer",   K::kMemo,      "Baggrund",     288, 360, 249, 89,  7,      true,  "VProgrammer", F::kText},
    {"SletPost",      K::kButton,    "Baggrund",     560, 384, 75,  25,  8,      false, "Slet post",   F::kButton},
    {"Afslut",        K::kButton,    "Baggrund",     560, 424, 75,  25,  9,      true,  "Afslut",      F::kButtonBold},
    {"NytSprog",      K::kButton,    "Baggrund",     464, 104, 75,  25,  10,     true,  "Nyt sprog",   F::kButton},
    {"HentV",         K::kButton,    "Baggrund",     560, 304, 75,  25,  11,     false, "Hent V-CD",   F::kButton},
};
// clang-format on

// The row of a component, or null for a name that is none.
constexpr const ComponentDef* FindComponent(std::string_view name) {
  for (const ComponentDef& d : kComponents) {
    if (name == d.name) return &d;
  }
  return nullptr;
}

// Whether a row of kComponents has this name. The compile-time checks ask
// this rather than compare FindComponent with null: under the sanitizers the
// compiler no longer takes that comparison as a constant.
constexpr bool IsComponent(std::string_view name) {
  for (const ComponentDef& d : kComponents) {
    if (name == d.name) return true;
  }
  return false;
}

// The input each label stands for (the label's FocusControl): a screen reader
// hears the input by the label's text, and the label's mnemonic moves there.
// Each pair shares its parent.
struct LabelInputDef {
  const char* label;
  const char* input;
};

inline constexpr LabelInputDef kLabelInputs[] = {
    {"Aargang", "AargangEdit"},  {"Nummer", "NummerEdit"},       {"Kategori", "KategoriValg"},
    {"Tekst", "Tekstord"},       {"SideLabel", "StartSideEdit"}, {"TekstLabel", "Manchet"},
    {"KeyLabel", "VProgrammer"},
};

inline constexpr const char* kKategoriItems[] = {
    "Alle",           "Anmeldelse", "Artikel",  "Galleriet",       "V-CD", "Vexor test", "Nyhed",
    "Nyt fra nettet", "Skole",      "Spørg os", "Sådan virker...",
};
inline constexpr const char* kAargangItems[] = {"Alle", "2001", "2002"};
inline constexpr const char* kNummerItems[] = {"Alle", "1", "2", "3",  "4",  "5", "6",
                                               "7",    "8", "9", "10", "11", "12"};

struct ListDef {
  const char* name;
  std::span<const char* const> items;  // in this order, not sorted
  int drop_down_count;                 // rows the open list shows
  int item_height;
};

inline constexpr ListDef kLists[] = {
    {"KategoriValg", kKategoriItems, 11, 16},
    {"AargangEdit", kAargangItems, 4, 16},
    {"NummerEdit", kNummerItems, 9, 16},
};

// The grid's columns and their pick list are a table of their own
// (ui/grid_columns.h): the window's logic reads them too.

// The search word field: the caret's blink, half a cycle.
struct EditDef {
  const char* name;
  int caret_blink_ms;
};

inline constexpr EditDef kEdits[] = {
    {"Tekstord", kDefaultCaretBlinkMs},
};

// The start page field: its range and steps (Up/Down, Page Up/Page Down).
struct SpinDef {
  const char* name;
  double min_value, max_value;
  double step, large_step;
};

inline constexpr SpinDef kSpins[] = {
    {"StartSideEdit", 0, 100, 1, 10},
};

// The article table's stored settings. Its data file is the starting
// edition's, set by the builder.
struct TableDef {
  const char* name;
  const char* index_name;  // the sort order until the settings give one
  store::TFilterOptions filter_options;
};

inline constexpr TableDef kTable = {
    "ArtikelData",
    "TitelX",
    {.foCaseInsensitive = true, .foNoPartialCompare = false},
};

// Which events reach which handler of the window; no other event is connected.
struct EventDef {
  const char* source;
  const char* event;
  const char* handler;
};

inline constexpr EventDef kEvents[] = {
    {"VRegister", "OnCreate", "FormCreate"},
    {"VRegister", "OnClose", "FormClose"},
    {"VRegister", "OnCanResize", "FormCanResize"},
    {"KategoriValg", "OnSelect", "BrugerValg"},
    {"AargangEdit", "OnSelect", "BrugerValg"},
    {"NummerEdit", "OnSelect", "BrugerValg"},
    {"Tekstord", "OnChange", "BrugerValg"},
    {"ArtikelGrid", "OnTitleClick", "ArtikelGridTitleClick"},
    {"Afslut", "OnClick", "AfslutClick"},
    {"NytSprog", "OnClick", "NytSprogClick"},
    {"NyPost", "OnClick", "NyPostClick"},
    {"SletPost", "OnClick", "SletPostClick"},
    {"RydOp", "OnClick", "RydOpClick"},
    {"RydOp2", "OnClick", "RydOp2Click"},
    {"Decap", "OnClick", "DecapClick"},
    {"HentV", "OnClick", "HentVClick"},
    {"ArtikelData", "OnCalcFields", "ArtikelDataCalcFields"},
    {"ArtikelData", "OnNewRecord", "ArtikelDataNewRecord"},
};

// Pictures the components show: list, item, and how.
inline constexpr const char* kBackgroundList = "Baggrundsbillede";
inline constexpr int kBackgroundItem = 1;  // item 0 (800x600) is stored, never shown
inline constexpr const char* kLogoList = "VLogo";
inline constexpr int kLogoItem = 0;

namespace check {

template <typename Row, typename... Names>
constexpr bool NamesComponents(std::span<const Row> rows, Names Row::*... names) {
  for (const Row& row : rows) {
    if ((!IsComponent(row.*names) || ...)) return false;
  }
  return true;
}

}  // namespace check

static_assert(check::NamesComponents<LabelInputDef>(kLabelInputs, &LabelInputDef::label,
                                                    &LabelInputDef::input));
static_assert(check::NamesComponents<ListDef>(kLists, &ListDef::name));
static_assert(check::NamesComponents<EditDef>(kEdits, &EditDef::name));
static_assert(check::NamesComponents<SpinDef>(kSpins, &SpinDef::name));

}  // namespace ui::definition
