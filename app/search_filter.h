// The search filter's text, composed from the four search inputs: the word
// condition on Tekst and Titel, then the year, issue and category conditions,
// joined by " and ". The reader's texts are inserted as they stand (nothing is
// escaped, trimmed or changed in case); a list showing the edition's "all"
// word, or nothing, puts no condition. Texts are Windows-1252.
// Used by TVRegister::SaetFilter and the keystroke benchmark.
#pragma once

#include <string>
#include <string_view>

namespace app {

struct SearchInputs {
  std::string tekstord;  // the search word
  std::string aargang;   // the three list texts
  std::string nummer;
  std::string kategori;
};

std::string ComposeFilter(const SearchInputs& inputs, std::string_view alle_ord);

// The fields the search word is looked for in, in the order of the filter.
inline constexpr std::string_view kWordFields[] = {"Tekst", "Titel"};

}  // namespace app
