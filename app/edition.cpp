// The edition rules over the registry (see edition.h).
#include "app/edition.h"

#include <vector>

namespace app {

const Edition* FindEdition(int32_t sprog) { return store::FindEdition(sprog); }

int32_t SprogFromLocale(uint32_t locale_id) {
  int32_t primary =
      (locale_id & 0xFFFF) == 0 ? platform::kLangEnglish : static_cast<int32_t>(locale_id & 0x3FF);
  return FindEdition(primary) != nullptr ? primary : store::DefaultEdition().sprog;
}

int32_t NextSprog(int32_t sprog) {
  const std::vector<const Edition*> editions = store::Editions();
  for (size_t i = 0; i < editions.size(); ++i) {
    if (editions[i]->sprog == sprog) return editions[(i + 1) % editions.size()]->sprog;
  }
  return sprog;
}

std::string AlleOrdOf(int32_t sprog) {
  const Edition* e = FindEdition(sprog);
  return e != nullptr ? e->alle_ord : "";
}

std::string NormaliserAlle(std::string_view text, std::string_view alle_ord) {
  if (text.empty()) return std::string(alle_ord);
  for (const Edition* e : store::Editions()) {
    if (text == e->alle_ord) return std::string(alle_ord);
  }
  return std::string(text);
}

}  // namespace app
