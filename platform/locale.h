// The system locale as the program sees it: a Windows-style locale identifier
// (primary language in the low 10 bits, sublanguage above) and the decimal
// separator that number conversions use.
//
// The real source reads the environment (LC_ALL, then LC_MESSAGES, then LANG);
// tests give a FixedLocale instead.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// Primary language identifiers of the languages we name.
inline constexpr uint16_t kLangNeutral = 0;
inline constexpr uint16_t kLangDanish = 6;
inline constexpr uint16_t kLangGerman = 7;
inline constexpr uint16_t kLangEnglish = 9;
inline constexpr uint16_t kLangFinnish = 11;
inline constexpr uint16_t kLangIcelandic = 15;
inline constexpr uint16_t kLangNorwegian = 20;
inline constexpr uint16_t kLangSwedish = 29;

class ILocale {
 public:
  virtual ~ILocale() = default;
  // The locale identifier of the current thread; 0 when unknown.
  virtual uint32_t ThreadLocaleId() const = 0;
  virtual char DecimalSeparator() const = 0;
};

// "da" -> 6, "nb"/"nn"/"no" -> 20, "sv" -> 29, "fi" -> 11, "en" -> 9, ...; 0 when unknown.
uint16_t PrimaryLanguageFromCode(std::string_view language_code);

// A POSIX locale name ("da_DK.UTF-8", "sv_FI", "C") as a locale identifier:
// the primary language with sublanguage 1. "C" and "POSIX" read as US English;
// an empty or unknown name gives 0.
uint32_t LocaleIdFromName(std::string_view locale_name);

// ',' for the languages that write decimal commas, '.' otherwise.
char DecimalSeparatorFor(uint16_t primary_language);

class EnvironmentLocale : public ILocale {
 public:
  // `getenv` is replaceable so that tests can feed an environment.
  using GetEnv = std::function<const char*(const char*)>;
  EnvironmentLocale();
  explicit EnvironmentLocale(GetEnv getenv);

  uint32_t ThreadLocaleId() const override { return locale_id_; }
  char DecimalSeparator() const override { return DecimalSeparatorFor(locale_id_ & 0x3FF); }

  // The name the identifier was taken from.
  const std::string& locale_name() const { return name_; }

 private:
  std::string name_;
  uint32_t locale_id_ = 0;
};

class FixedLocale : public ILocale {
 public:
  explicit FixedLocale(uint32_t id) : id_(id) {}
  uint32_t ThreadLocaleId() const override { return id_; }
  char DecimalSeparator() const override { return DecimalSeparatorFor(id_ & 0x3FF); }

 private:
  uint32_t id_;
};

}  // namespace platform
