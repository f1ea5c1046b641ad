// The shipped editions, one row each, in the order of the NytSprog cycle
// (Danish, Norwegian, Swedish, Finnish). The first is the edition of any
// language that has none of its own.
//
// The editors' build's notices about a shared data file (a conflict at the
// close, another editor at work on the file) are part of each edition's texts.
//
// The packaging takes the data files to install from this table (every
// "./<name>.xml" literal here is one; packaging/CMakeLists.txt), and the data
// generator writes one file per row, seeded with the row's code. Adding an
// edition is one row here, its content bank in tools/ and its generated data.
#pragma once

#include <algorithm>

#include "platform/locale.h"
#include "store/edition.h"

namespace store {

inline constexpr Edition kEditions[] = {
    {platform::kLangDanish,
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
     "Artikler",
     "Danish",
     {"V-programmer på V-cd ", "Også på V-cd "}},
    {platform::kLangNorwegian,
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
     "Artikler",
     "Norwegian",
     {"V-programmer på V-cd ", "Også på V-cd "}},
    {platform::kLangSwedish,
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
     "Artiklar",
     "Swedish",
     {"V-programmer på V-cd ", "Også på V-cd "}},
    {platform::kLangFinnish,
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
     "Artikkelit",
     "Finnish",
     {"V-ohjelmat V-cd:llä ", "Myös V-cd:llä "}},
};

// Every shipped edition carries every text: a row left short does not build.
static_assert(std::ranges::all_of(kEditions, [](const Edition& e) {
  return MissingEditionText(e) == nullptr;
}));

}  // namespace store
