// The settings file "VDatabase.ini": the reader's search choices, the sort
// order and the window's place and size, in the section "Defaults".
//
// The keys are one table (kSettingsKeys) read in its order at start-up and
// written in the close order (kWriteOrder), each through the profile files
// (platform/profile_file.h) one key at a time. Texts are Windows-1252. An
// integer key that is missing or not a number in the forms ProfileInteger
// takes gives the key's default; the placement bounds are applied by
// BoundPlacement. A refused write raises EIniFileException "Unable to write to
// VDatabase.ini" at that key; the keys before it are written.
// Used by TVRegister::FormCreate and GemIndstillinger.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/profile_file.h"
#include "store/db_error.h"

namespace app {

inline constexpr const char* kSettingsFile = "VDatabase.ini";
inline constexpr const char* kSettingsSection = "Defaults";

// What the file holds, with the defaults of a missing key.
struct Indstillinger {
  std::string aargang;   // year list text
  std::string nummer;    // issue list text
  std::string kategori;  // category list text
  int32_t start_side = 1;
  std::string tekstord;  // search word
  std::string sort_order = "TitelX";
  int32_t venstre = 100;
  int32_t top = 100;
  int32_t bredde = 636;
  int32_t hoejde = 459;
};

// One key: its name when read and when written (they differ only in case),
// the value it holds, and whether a list text passes through NormaliserAlle.
struct SettingsKey {
  const char* read_name;
  const char* write_name;
  std::string Indstillinger::*text;  // null for an integer key
  int32_t Indstillinger::*number;    // null for a text key
  bool list_text;
};

// In the order they are read.
inline constexpr SettingsKey kSettingsKeys[] = {
    {"Aargang", "Aargang", &Indstillinger::aargang, nullptr, true},
    {"Nummer", "Nummer", &Indstillinger::nummer, nullptr, true},
    {"Kategori", "Kategori", &Indstillinger::kategori, nullptr, true},
    {"StartSide", "StartSide", nullptr, &Indstillinger::start_side, false},
    {"Tekstord", "TekstOrd", &Indstillinger::tekstord, nullptr, false},
    {"SortOrder", "SortOrder", &Indstillinger::sort_order, nullptr, false},
    {"Venstre", "Venstre", nullptr, &Indstillinger::venstre, false},
    {"Top", "Top", nullptr, &Indstillinger::top, false},
    {"Bredde", "Bredde", nullptr, &Indstillinger::bredde, false},
    {"H\xF8jde", "H\xF8jde", nullptr, &Indstillinger::hoejde, false},  // "Højde"
};

// The order of writing, as indices into kSettingsKeys: the lists, the page,
// width, height, left, top, the word, the sort order.
inline constexpr int kWriteOrder[] = {0, 1, 2, 3, 8, 9, 6, 7, 4, 5};

class EIniFileException : public store::Exception {
 public:
  using Exception::Exception;
};

// An integer read from its text as the settings reader takes it: more than
// two characters starting "0x" or "0X" are hexadecimal; otherwise leading
// blanks, an optional sign, and "$", "x", "X" or "0x" for at most 8
// hexadecimal digits, or decimal digits that fit in 32 signed bits. Anything
// else (an empty text, any other character, trailing blanks, an overflow)
// gives `default_value`.
int32_t ProfileInteger(std::string_view text, int32_t default_value);

// Reads every key; missing keys give the defaults, the list texts default to
// `alle_ord` and pass through NormaliserAlle.
Indstillinger LaesIndstillinger(platform::IProfileFiles& files, std::string_view alle_ord);

// Writes every key in kWriteOrder. Throws EIniFileException at a refused key.
void SkrivIndstillinger(platform::IProfileFiles& files, const Indstillinger& values);

// The stored place and size as start-up applies them: each value first raised
// to its lower bound, then lowered to its upper bound.
struct Placement {
  int32_t left, top, width, height;
};
Placement BoundPlacement(const Indstillinger& values, int32_t screen_width, int32_t screen_height);

}  // namespace app
