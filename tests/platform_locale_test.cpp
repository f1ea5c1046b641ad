// The environment's locale name decides the edition: check the mapping to
// language identifiers and the order in which the variables are consulted.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/locale.h"

namespace platform {
namespace {

TEST(LocaleTest, NamesMapToPrimaryLanguages) {
  struct Case {
    const char* name;
    uint32_t primary;
  } cases[] = {
      {"da_DK.UTF-8", 6},
      {"nb_NO.UTF-8", 20},
      {"nn_NO", 20},
      {"no_NO", 20},
      {"sv_SE.ISO-8859-1", 29},
      {"sv_FI", 29},
      {"fi_FI@euro", 11},
      {"en_US.UTF-8", 9},
      {"is_IS", 15},
      {"de_DE", 7},
      {"C", 9},
      {"POSIX", 9},
      {"C.UTF-8", 9},
      {"xx_YY", 0},
      {"", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LocaleIdFromName(c.name) & 0x3FF, c.primary) << c.name;
  }
  EXPECT_EQ(LocaleIdFromName("da_DK"), 0x0406u);
}

TEST(LocaleTest, EnvironmentIsReadInPosixOrder) {
  std::map<std::string, std::string> env = {{"LANG", "fi_FI.UTF-8"}};
  auto getenv = [&](const char* n) -> const char* {
    auto it = env.find(n);
    return it == env.end() ? nullptr : it->second.c_str();
  };
  EXPECT_EQ(EnvironmentLocale(getenv).ThreadLocaleId() & 0x3FF, 11u);
  env["LC_MESSAGES"] = "sv_SE";
  EXPECT_EQ(EnvironmentLocale(getenv).ThreadLocaleId() & 0x3FF, 29u);
  env["LC_ALL"] = "da_DK";
  EXPECT_EQ(EnvironmentLocale(getenv).ThreadLocaleId() & 0x3FF, 6u);
  env["LC_ALL"] = "";  // empty means unset
  EXPECT_EQ(EnvironmentLocale(getenv).ThreadLocaleId() & 0x3FF, 29u);
}

TEST(LocaleTest, DecimalSeparatorFollowsLanguage) {
  EXPECT_EQ(FixedLocale(0x0406).DecimalSeparator(), ',');
  EXPECT_EQ(FixedLocale(0x0409).DecimalSeparator(), '.');
  EXPECT_EQ(FixedLocale(0x040B).DecimalSeparator(), ',');
}

}  // namespace
}  // namespace platform
