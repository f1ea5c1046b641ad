// Which content bank the generator fills an edition's data file from, by the
// edition's code. The editions themselves, and the order their files are
// written in, are the registry's; a new edition's bank is one row here.
#include <stdexcept>
#include <string>

#include "platform/locale.h"
#include "tools/genpackets.h"

namespace genpackets {
namespace {

struct Bank {
  int32_t sprog;
  const EditionContent& (*content)();
};

constexpr Bank kBanks[] = {
    {platform::kLangDanish, &DanishContent},
    {platform::kLangNorwegian, &NorwegianContent},
    {platform::kLangSwedish, &SwedishContent},
    {platform::kLangFinnish, &FinnishContent},
};

}  // namespace

const EditionContent& ContentOf(int32_t sprog) {
  for (const Bank& bank : kBanks) {
    if (bank.sprog == sprog) return bank.content();
  }
  throw std::runtime_error("no content bank for the edition with the code " +
                           std::to_string(sprog));
}

}  // namespace genpackets
