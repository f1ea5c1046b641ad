// The four language editions as data: per edition its code (the Windows
// primary language identifier), data file, "all" word, alphabet, and every
// text the window shows in that edition. One row per edition, in the order of
// the NytSprog cycle (Danish, Norwegian, Swedish, Finnish).
//
// Texts are UTF-8 here, as readable source; the window converts them to its
// strings, and the words that reach the filter or the settings file ("Alle",
// "Alla", "Kaikki", the categories) pass through the window's Windows-1252
// conversion like any typed text.
// Used by TVRegister::SaetSprog, NytSprogClick and the settings reader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/collation.h"
#include "platform/locale.h"

namespace app {

// Edition codes are the system's primary language identifiers.
inline constexpr int32_t kDansk = platform::kLangDanish;
inline constexpr int32_t kNorsk = platform::kLangNorwegian;
inline constexpr int32_t kSvensk = platform::kLangSwedish;
inline constexpr int32_t kSuomi = platform::kLangFinnish;

struct Edition {
  int32_t sprog;
  const char* data_file;
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
  const char* categories[10];  // items 1 to 10 of KategoriValg
  const char* grid_name;       // what a screen reader calls ArtikelGrid
};

// Grid positions of Edition::grid_titles, in order.
inline constexpr int kTitledGridPositions[6] = {0, 1, 2, 3, 4, 6};

inline constexpr Edition kEditions[] = {
    {kDansk,
     "./Base.xml",
     "Alle",
     engine::Collation::kDanishNorwegian,
     "Vexor for alle - årsregister",
     "Årgang:",
     "Nummer:",
     "Kategori:",
     "Søg på:  ",
     "Søgeord:",
     {"Årgang", "Blad nr.", "Titel", "Kategori", "Start", "Sider"},
     "Indhold:",
     "Nøgleord",
     "Afslut",
     {"Anmeldelse", "Artikel", "Galleriet", "V-CD", "Test", "Nyhed", "Nyt på nettet", "Skole",
      "Spørg os", "Sådan virker..."},
     "Artikler"},
    {kNorsk,
     "./BaseNo.xml",
     "Alle",
     engine::Collation::kDanishNorwegian,
     "Vexor for alle - årsregister",
     "Årgang:",
     "Nummer:",
     "Kategori:",
     "Søk på:   ",
     "Søkeord:",
     {"Årgang", "Blad nr.", "Tittel", "Kategori", "Start", "Sider"},
     "Innhold:",
     "Nøkkelord",
     "Avslutt",
     {"Anmeldelse", "Artikkel", "Galleriet", "V-CD", "Test", "Nyhet", "Nytt på nettet", "Skole",
      "Spør oss", "Slik virker..."},
     "Artikler"},
    {kSvensk,
     "./BaseSv.xml",
     "Alla",
     engine::Collation::kSwedishFinnish,
     "Vexor för alla - årsregister",
     "Årgång:",
     "Tidning nr:",
     "Kategori:",
     "Sök på:   ",
     "Sökord:",
     {"Årgång", "Nummer", "Rubrik ", "Kategori", "Sida", "Sidor"},
     "Innehåll:",
     "Nøgleord",
     "Avsluta",
     {"Recension", "Artikel", "Galleriet", "V-CD", "Test", "Nyhet", "Nytt från nätet", "Skola",
      "Fråga oss", "Så här fungerar ..."},
     "Artiklar"},
    {kSuomi,
     "./BaseFi.xml",
     "Kaikki",
     engine::Collation::kSwedishFinnish,
     "Vexorri Kaikille - vuosihakemisto",
     "Vuosikerta:",
     "Numero:",
     "Luokka:",
     "Etsi:   ",
     "Teksti:",
     {"Vuosi", "Numero", "Otsikko", "Luokka", "Sivu", "Sivuja"},
     "Artikkelin teksti",
     "Avainsanat",
     "Lopeta",
     {"Arvostelut", "Artikkeli", "Galleria", "V-CD", "Testi", "Uutiset", "Netin satoa", "Koulut",
      "Kysy meiltä", "Näin toimii..."},
     "Artikkelit"},
};

// The edition of a code, or null for any other code.
const Edition* FindEdition(int32_t sprog);

// The edition code for a locale identifier: its primary language (the low 10
// bits; 9, English, when the low 16 bits are 0) when that is one of the four,
// otherwise Danish.
int32_t SprogFromLocale(uint32_t locale_id);

// The next edition of the NytSprog cycle; any other code stays as it is.
int32_t NextSprog(int32_t sprog);

// The "all" word of an edition code (empty for any other code).
std::string AlleOrdOf(int32_t sprog);

// `alle_ord` when `text` is empty or exactly one of the editions' "all"
// words; otherwise `text` unchanged.
std::string NormaliserAlle(std::string_view text, std::string_view alle_ord);

}  // namespace app
