// What an edition of the magazine is: every fact the program, its window, the
// cover-disc import and the data generator need of one language edition, as
// one plain struct. The shipped editions are the rows of store/editions.h;
// store/edition_registry.h is where everything looks them up.
//
// Texts are UTF-8, as readable source; the window converts them to its
// strings, and the words that reach the filter, the settings file or a record
// ("Alle", "Alla", "Kaikki", the categories, the cover-disc headings) pass
// through a Windows-1252 conversion like any typed text.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/collation.h"

namespace store {

// What the editors' build says about a data file it shares with other
// editors. "%1" is the data file's name; "%2" the conflict copy's name, the
// time the other editor opened the file, or who that editor is.
struct FileNotices {
  const char* conflict_word;  // in the conflict copy's name: "Base (konflikt ...).xml"
  // Why the data file was not written, by platform::FileChange: changed,
  // replaced, gone, created.
  const char* conflict_reasons[4];
  const char* conflict_saved;      // appended: where this editor's data is
  const char* conflict_not_saved;  // appended: the copy could not be written
  const char* open_elsewhere;      // "%1 is open in another editor" + since + who
  const char* since;               // " since %1"
  const char* on_host;             // between user and host
};

// The two headings of the record the cover-disc import builds.
struct CoverDiscWords {
  const char* programs;  // heading of list 1, ends in a blank
  const char* also;      // heading of list 2, ends in a blank
};

struct Edition {
  int32_t sprog;          // the system's primary language identifier (platform::kLang*)
  const char* data_file;  // in the working directory: "./Base.xml"
  const char* alle_ord;
  engine::Collation alphabet;
  const char* caption;        // the window
  const char* aargang;        // label Aargang
  const char* nummer;         // label Nummer
  const char* kategori;       // label Kategori
  const char* filter_gruppe;  // group FilterGruppe
  const char* tekst;          // label Tekst
  // Grid titles by position: 0 Aargang, 1 Nummer, 2 Titel, 3 Kategori,
  // 4 StartSide, 6 Sideantal (position 5, SlutSide, keeps its own title).
  const char* grid_titles[6];
  const char* tekst_label;     // heading of Manchet
  const char* key_label;       // heading of VProgrammer
  const char* afslut;          // button Afslut
  const char* categories[10];  // items 1 to 10 of KategoriValg; also the generator's
  FileNotices notices;
  const char* kopier;     // the grid's context menu: copy the selected rows
  const char* grid_name;  // what a screen reader calls ArtikelGrid
  const char* language;   // its English name, for the command line and the tools
  CoverDiscWords cover_disc;
};

// The data file's name alone: "./Base.xml" -> "Base.xml".
constexpr std::string_view DataFileName(const Edition& e) {
  std::string_view name = e.data_file;
  if (name.starts_with("./")) name.remove_prefix(2);
  return name;
}

// The name of the first text field of `edition` that is missing (null), or
// null when it carries every text.
constexpr const char* MissingEditionText(const Edition& e) {
  struct Text {
    const char* name;
    const char* value;
  };
  const Text texts[] = {
      {"data_file", e.data_file},
      {"alle_ord", e.alle_ord},
      {"caption", e.caption},
      {"aargang", e.aargang},
      {"nummer", e.nummer},
      {"kategori", e.kategori},
      {"filter_gruppe", e.filter_gruppe},
      {"tekst", e.tekst},
      {"tekst_label", e.tekst_label},
      {"key_label", e.key_label},
      {"afslut", e.afslut},
      {"notices.conflict_word", e.notices.conflict_word},
      {"notices.conflict_saved", e.notices.conflict_saved},
      {"notices.conflict_not_saved", e.notices.conflict_not_saved},
      {"notices.open_elsewhere", e.notices.open_elsewhere},
      {"notices.since", e.notices.since},
      {"notices.on_host", e.notices.on_host},
      {"kopier", e.kopier},
      {"grid_name", e.grid_name},
      {"language", e.language},
      {"cover_disc.programs", e.cover_disc.programs},
      {"cover_disc.also", e.cover_disc.also},
  };
  for (const Text& t : texts) {
    if (t.value == nullptr) return t.name;
  }
  for (const char* t : e.grid_titles) {
    if (t == nullptr) return "grid_titles";
  }
  for (const char* t : e.categories) {
    if (t == nullptr) return "categories";
  }
  for (const char* t : e.notices.conflict_reasons) {
    if (t == nullptr) return "notices.conflict_reasons";
  }
  return nullptr;
}

}  // namespace store
