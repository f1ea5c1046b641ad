// Turns the environment's POSIX locale name into a Windows-style locale
// identifier, so that the edition logic can work with primary language codes.
#include "platform/locale.h"

#include <cctype>
#include <cstdlib>
#include <utility>

namespace platform {
namespace {

struct LanguageCode {
  const char* code;
  uint16_t primary;
};

// ISO 639-1 codes and their Windows primary language identifiers.
constexpr LanguageCode kLanguages[] = {
    {"ar", 1},  {"bg", 2},  {"ca", 3},  {"zh", 4},  {"cs", 5},  {"da", 6},  {"de", 7},  {"el", 8},
    {"en", 9},  {"es", 10}, {"fi", 11}, {"fr", 12}, {"he", 13}, {"hu", 14}, {"is", 15}, {"it", 16},
    {"ja", 17}, {"ko", 18}, {"nl", 19}, {"nb", 20}, {"nn", 20}, {"no", 20}, {"pl", 21}, {"pt", 22},
    {"ro", 24}, {"ru", 25}, {"hr", 26}, {"sk", 27}, {"sq", 28}, {"sv", 29}, {"th", 30}, {"tr", 31},
    {"ur", 32}, {"id", 33}, {"uk", 34}, {"be", 35}, {"sl", 36}, {"et", 37}, {"lv", 38}, {"lt", 39},
    {"fa", 41}, {"vi", 42}, {"hy", 43}, {"eu", 45}, {"mk", 47}, {"af", 54}, {"ka", 55}, {"fo", 56},
    {"hi", 57}, {"ms", 62}, {"kk", 63}, {"sw", 65}, {"ga", 60}, {"se", 59},
};

}  // namespace

uint16_t PrimaryLanguageFromCode(std::string_view code) {
  std::string lower;
  for (char c : code) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const auto& l : kLanguages) {
    if (lower == l.code) return l.primary;
  }
  return kLangNeutral;
}

uint32_t LocaleIdFromName(std::string_view name) {
  if (name.empty()) return 0;
  if (name == "C" || name == "POSIX" || name.starts_with("C.")) return 0x0409;
  // language[_territory][.codeset][@modifier]
  size_t end = name.find_first_of("_.@");
  std::string_view language = name.substr(0, end);
  uint16_t primary = PrimaryLanguageFromCode(language);
  if (primary == kLangNeutral) return 0;
  return static_cast<uint32_t>(primary) | (1u << 10);
}

char DecimalSeparatorFor(uint16_t primary) {
  switch (primary) {
    case 0:
    case 4:   // Chinese
    case 9:   // English
    case 13:  // Hebrew
    case 17:  // Japanese
    case 18:  // Korean
    case 30:  // Thai
      return '.';
    default:
      return ',';
  }
}

EnvironmentLocale::EnvironmentLocale()
    : EnvironmentLocale([](const char* n) { return std::getenv(n); }) {}

EnvironmentLocale::EnvironmentLocale(GetEnv getenv) {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = getenv(var);
    if (value != nullptr && *value != '\0') {
      name_ = value;
      break;
    }
  }
  locale_id_ = LocaleIdFromName(name_);
}

}  // namespace platform
