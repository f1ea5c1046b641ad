// Looking up the edition table (see edition.h).
#include "app/edition.h"

namespace app {

const Edition* FindEdition(int32_t sprog) {
  for (const Edition& e : kEditions) {
    if (e.sprog == sprog) return &e;
  }
  return nullptr;
}

int32_t SprogFromLocale(uint32_t locale_id) {
  int32_t primary =
      (locale_id & 0xFFFF) == 0 ? platform::kLangEnglish : static_cast<int32_t>(locale_id & 0x3FF);
  return FindEdition(primary) != nullptr ? primary : kDansk;
}

int32_t NextSprog(int32_t sprog) {
  constexpr size_t kCount = std::size(kEditions);
  for (size_t i = 0; i < kCount; ++i) {
    if (kEditions[i].sprog == sprog) return kEditions[(i + 1) % kCount].sprog;
  }
  return sprog;
}

std::string AlleOrdOf(int32_t sprog) {
  const Edition* e = FindEdition(sprog);
  return e != nullptr ? e->alle_ord : "";
}

std::string NormaliserAlle(std::string_view text, std::string_view alle_ord) {
  if (text.empty()) return std::string(alle_ord);
  for (const Edition& e : kEditions) {
    if (text == e.alle_ord) return std::string(alle_ord);
  }
  return std::string(text);
}

}  // namespace app
