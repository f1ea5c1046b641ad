// The four language editions as data: per edition its code (the Windows
// primary language identifier), data file, "all" word, alphabet, and every
// text the window shows in that edition. One row per edition, in the order of
// the NytSprog cycle (Danish, Norwegian, Swedish, Finnish).
//
// The editors' build's notices about a shared data file (a conflict at the
// close, another editor at work on the file) are part of each edition's texts.
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
  FileNotices notices;
  const char* kopier;     // the grid's context menu: copy the selected rows
  const char* grid_name;  // what a screen reader calls ArtikelGrid
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
     {"konflikt",
      {"%1 er blevet ændret af en anden, siden den blev åbnet.",
       "%1 er blevet erstattet af en anden fil, siden den blev åbnet.",
       "%1 er blevet slettet eller flyttet, siden den blev åbnet.",
       "%1 er blevet oprettet af en anden, mens data var åbne."},
      " Intet er overskrevet; dine ændringer er gemt i %2.",
      " Intet er overskrevet, men dine ændringer kunne ikke gemmes i %2.",
      "%1 er åben hos en anden redaktør%2%3.",
      " siden %1",
      " på "},
     "Kopiér",
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
     {"konflikt",
      {"%1 er blitt endret av en annen siden den ble åpnet.",
       "%1 er blitt erstattet av en annen fil siden den ble åpnet.",
       "%1 er blitt slettet eller flyttet siden den ble åpnet.",
       "%1 er blitt opprettet av en annen mens dataene var åpne."},
      " Ingenting er overskrevet; endringene dine er lagret i %2.",
      " Ingenting er overskrevet, men endringene dine kunne ikke lagres i %2.",
      "%1 er åpen hos en annen redaktør%2%3.",
      " siden %1",
      " på "},
     "Kopier",
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
     {"konflikt",
      {"%1 har ändrats av någon annan sedan den öppnades.",
       "%1 har ersatts av en annan fil sedan den öppnades.",
       "%1 har tagits bort eller flyttats sedan den öppnades.",
       "%1 har skapats av någon annan medan data var öppna."},
      " Ingenting har skrivits över; dina ändringar har sparats i %2.",
      " Ingenting har skrivits över, men dina ändringar kunde inte sparas i %2.",
      "%1 är öppen hos en annan redaktör%2%3.",
      " sedan %1",
      " på "},
     "Kopiera",
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
     {"ristiriita",
      {"Joku muu on muuttanut tiedostoa %1 sen avaamisen jälkeen.",
       "Tiedosto %1 on korvattu toisella tiedostolla sen avaamisen jälkeen.",
       "Tiedosto %1 on poistettu tai siirretty sen avaamisen jälkeen.",
       "Joku muu on luonut tiedoston %1 sillä välin, kun tiedot olivat auki."},
      " Mitään ei korvattu; muutoksesi on tallennettu tiedostoon %2.",
      " Mitään ei korvattu, mutta muutoksiasi ei voitu tallentaa tiedostoon %2.",
      "Tiedosto %1 on auki toisella toimittajalla%2%3.",
      " %1 alkaen",
      ", "},
     "Kopioi",
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
