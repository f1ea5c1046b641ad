// The UTF-8 to Windows-1252 conversion that the data generator and the
// cover-disc import write the editions' texts with: how far it converts, and
// where it stops.
#include <gtest/gtest.h>

#include <string>

#include "engine/cp1252.h"

namespace engine {
namespace {

TEST(Utf8ToCp1252, ConvertsUpToTheFirstSequenceWithoutAByte) {
  struct Case {
    const char* utf8;
    size_t converted;
    const char* bytes;
  } cases[] = {
      {"", 0, ""},
      {"V-CD", 4, "V-CD"},
      {"Også på V-cd ", 15, "Ogs\xE5 p\xE5 V-cd "},
      {"Myös V-cd:llä ", 16, "My\xF6s V-cd:ll\xE4 "},
      {"\xE2\x82\xAC 5 \xE2\x80\x93 \xC5\xA0", 12, "\x80 5 \x96 \x8A"},  // three-byte, two-byte
      {"\xC2\x81", 2, "\x81"},            // an undefined byte stands for itself
      {"ok \xC4\x80 no", 3, "ok "},       // U+0100: no byte
      {"ok \xF0\x9F\x98\x80", 3, "ok "},  // four-byte, no byte
      {"ok \xC3", 3, "ok "},              // truncated
      {"ok \xC3\x28", 3, "ok "},          // malformed
      {"ok \xC0\xA0", 3, "ok "},          // overlong
      {"ok \xED\xA0\x80", 3, "ok "},      // surrogate
  };
  for (const Case& c : cases) {
    std::string out = "<";
    EXPECT_EQ(AppendUtf8AsCp1252(c.utf8, &out), c.converted) << c.utf8;
    EXPECT_EQ(out, std::string("<") + c.bytes) << c.utf8;
  }
}

}  // namespace
}  // namespace engine
