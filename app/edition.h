// The window's view of the editions: the codes by name, and the rules that
// pick and cycle an edition and place its "all" word. The editions themselves,
// their texts, data files and alphabets, are store's (store/edition.h, the
// shipped rows in store/editions.h); every lookup here goes through the
// registry (store/edition_registry.h), so an edition registered there is one
// the window takes as well.
// Used by TVRegister::SaetSprog, NytSprogClick and the settings reader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/locale.h"
#include "store/edition.h"
#include "store/edition_registry.h"
#include "store/editions.h"

namespace app {

using store::Edition;
using store::FileNotices;
using store::kEditions;

// Edition codes are the system's primary language identifiers.
inline constexpr int32_t kDansk = platform::kLangDanish;
inline constexpr int32_t kNorsk = platform::kLangNorwegian;
inline constexpr int32_t kSvensk = platform::kLangSwedish;
inline constexpr int32_t kSuomi = platform::kLangFinnish;

// The edition of a code, or null for any other code.
const Edition* FindEdition(int32_t sprog);

// The edition code for a locale identifier: its primary language (the low 10
// bits; 9, English, when the low 16 bits are 0) when an edition has it,
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
