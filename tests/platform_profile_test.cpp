// Profile files: reading with the Windows rules (case-free names, trimming,
// one pair of quotes, 2047 bytes), writing key by key with every other byte of
// the file kept, each write one atomic replace, refused writes reported.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/profile_file.h"
#include "tests/fake_file_system.h"

namespace platform {
namespace {

using testing_fs::FakeFileSystem;
using testing_fs::Step;

std::string Read(std::string_view text, std::string_view section, std::string_view key) {
  std::string value;
  return FindProfileValue(text, section, key, &value) ? value : "<none>";
}

TEST(ProfileReadTest, WindowsReadingRules) {
  struct Case {
    std::string text;
    const char* section;
    const char* key;
    std::string expected;
  } cases[] = {
      {"[Defaults]\r\nBredde=700\r\n", "Defaults", "Bredde", "700"},
      {"[defaults]\r\nBREDDE=700\r\n", "DEFAULTS", "bredde", "700"},
      {"[Defaults]\r\nH\xF8jde=500\r\n", "Defaults", "H\xD8JDE", "500"},
      {"  [ Defaults ]  \r\n  Bredde  =  700  \r\n", "Defaults", "Bredde", "700"},
      {"[Defaults]\nTekstord=\"virus \"\n", "Defaults", "TekstOrd", "virus "},
      {"[Defaults]\nTekstord='it''s'\n", "Defaults", "Tekstord", "it''s"},
      {"[Defaults]\nTekstord=\"abc'\n", "Defaults", "Tekstord", "\"abc'"},
      {"[Defaults]\nTekstord=\"\n", "Defaults", "Tekstord", "\""},
      {"[Defaults]\nTekstord=\n", "Defaults", "Tekstord", ""},
      {"[Defaults]\nA=1=2\n", "Defaults", "A", "1=2"},
      // The first section and the first key of a name count.
      {"[D]\nA=1\nA=2\n[D]\nA=3\n", "D", "A", "1"},
      {"[D]\nB=1\n[D]\nA=3\n", "D", "A", "<none>"},
      // Keys before any section, comments and lines without '=' name nothing.
      {"A=1\n[D]\n", "D", "A", "<none>"},
      {"[D]\n;A=1\n", "D", "A", "<none>"},
      {"[D]\nA\n", "D", "A", "<none>"},
      {"[D\nA=1\n", "D", "A", "<none>"},
      {"[D]\nA=1\n[E]\n", "E", "A", "<none>"},
      {"", "D", "A", "<none>"},
      {std::string("\0\xFF\n[D]\nA=\x01\x02\n", 12), "D", "A", "\x01\x02"},
      {"[D]\nA=" + std::string(3000, 'x') + "\n", "D", "A", std::string(2047, 'x')},
      {"[D]\nA=\"" + std::string(2047, 'x') + "\"\n", "D", "A", std::string(2047, 'x')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Read(c.text, c.section, c.key), c.expected) << c.text.substr(0, 60);
  }
}

TEST(ProfileWriteTest, OtherBytesOfTheFileStay) {
  struct Case {
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
  } cases[] = {
      // A new file.
      {"", "Defaults", "Bredde", "636", "[Defaults]\r\nBredde=636\r\n"},
      // An existing key keeps its line, spelling and line end.
      {"; mine\r\n[DEFAULTS]\r\n  bredde = 1\r\nTop=2\r\n", "Defaults", "Bredde", "636",
       "; mine\r\n[DEFAULTS]\r\n  bredde =636\r\nTop=2\r\n"},
      {"[Defaults]\nBredde=1", "Defaults", "Bredde", "636", "[Defaults]\nBredde=636"},
      // A new key goes after the section's last non-blank line.
      {"[Defaults]\r\nTop=2\r\n\r\n[Other]\r\nX=\xE6\r\n", "Defaults", "H\xF8jde", "459",
       "[Defaults]\r\nTop=2\r\nH\xF8jde=459\r\n\r\n[Other]\r\nX=\xE6\r\n"},
      {"[Defaults]\r\n[Other]\r\n", "defaults", "Top", "1", "[Defaults]\r\nTop=1\r\n[Other]\r\n"},
      {"[Defaults]", "Defaults", "Top", "1", "[Defaults]\r\nTop=1\r\n"},
      {"[Defaults]\nTop=2", "Defaults", "Venstre", "1", "[Defaults]\nTop=2\nVenstre=1\n"},
      // A new section goes at the end, with the file's own line ends.
      {"[Other]\nX=1", "Defaults", "Top", "1", "[Other]\nX=1\n[Defaults]\nTop=1\n"},
      {"[Other]\r\nX=1\r\n", "Defaults", "Top", "1", "[Other]\r\nX=1\r\n[Defaults]\r\nTop=1\r\n"},
      // A line break in a value cannot start a line of its own.
      {"", "D", "A", "x\r\n[E]", "[D]\r\nA=x  [E]\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SetProfileValue(c.before, c.section, c.key, c.value), c.after) << c.before;
  }
}

TEST(ProfileFilesTest, RoundTripThroughTheFileSystem) {
  FakeFileSystem fs;
  ProfileFiles files(fs, "/home/u/.config");
  EXPECT_EQ(files.GetString("VDatabase.ini", "Defaults", "Top", " 100 "), "100");
  EXPECT_FALSE(fs.Has("/home/u/.config/VDatabase.ini"));

  fs.Put("/home/u/.config/VDatabase.ini", "[Foreign]\r\n; note\r\nA=\xC5\r\n");
  ASSERT_TRUE(files.WriteString("VDatabase.ini", "Defaults", "H\xF8jde", "459"));
  ASSERT_TRUE(files.WriteString("VDatabase.ini", "Defaults", "Top", "100"));
  EXPECT_EQ(fs.replaces, 2);  // one atomic replace per key
  std::vector<uint8_t> bytes = fs.Bytes("/home/u/.config/VDatabase.ini");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "[Foreign]\r\n; note\r\nA=\xC5\r\n[Defaults]\r\nH\xF8jde=459\r\nTop=100\r\n");
  EXPECT_EQ(files.GetString("VDatabase.ini", "defaults", "H\xD8JDE", ""), "459");

  // A name with a directory stands as it is.
  fs.Put("D:\\V.DTX", "[Programs]\r\nCount=3\r\n");
  EXPECT_EQ(files.GetString("D:\\V.DTX", "programs", "count", ""), "3");
}

TEST(ProfileFilesTest, RefusedWritesChangeNothing) {
  const std::string path = "/cfg/VDatabase.ini";
  for (Step step : {Step::kQuery, Step::kCreateTemp, Step::kWrite, Step::kRename}) {
    FakeFileSystem fs;
    ProfileFiles files(fs, "/cfg");
    fs.Put(path, "[Defaults]\r\nTop=5\r\n");
    fs.fail_step = step;
    EXPECT_FALSE(files.WriteString("VDatabase.ini", "Defaults", "Top", "6"));
    std::vector<uint8_t> bytes = fs.Bytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "[Defaults]\r\nTop=5\r\n");
    EXPECT_TRUE(fs.Temps().empty());
  }
  // A read-only file and an unreadable one are refused and kept.
  FakeFileSystem fs;
  ProfileFiles files(fs, "/cfg");
  fs.Put(path, "[Defaults]\r\nTop=5\r\n", 0444);
  EXPECT_FALSE(files.WriteString("VDatabase.ini", "Defaults", "Top", "6"));
  fs.files[path].mode = 0644;
  fs.unreadable.insert(path);
  EXPECT_FALSE(files.WriteString("VDatabase.ini", "Defaults", "Top", "6"));
  EXPECT_EQ(fs.replaces, 0);
  // The settings directory that cannot be made refuses the first write.
  FakeFileSystem empty;
  ProfileFiles no_dir(empty, "/cfg", [](const std::string&) { return false; });
  EXPECT_FALSE(no_dir.WriteString("VDatabase.ini", "Defaults", "Top", "6"));
  EXPECT_FALSE(empty.Has(path));
}

TEST(ProfileFilesTest, MalformedFilesGiveDefaults) {
  FakeFileSystem fs;
  ProfileFiles files(fs, "/cfg");
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 7919) & 0xFF));
  fs.Put("/cfg/g.ini", garbage);
  EXPECT_EQ(files.GetString("g.ini", "Defaults", "Top", "100"), "100");
  fs.Put("/cfg/long.ini", "[Defaults]\nX=" + std::string(100 << 20, 'y'));
  EXPECT_EQ(files.GetString("long.ini", "Defaults", "Top", "100"), "100");
  EXPECT_EQ(files.GetString("long.ini", "Defaults", "X", "").size(), kProfileValueMax);
  fs.Put("/cfg/nosection.ini", "Top=5\n");
  EXPECT_EQ(files.GetString("nosection.ini", "Defaults", "Top", "100"), "100");
}

TEST(SettingsDirectoryTest, XdgThenHome) {
  std::map<std::string, std::string> env;
  auto get = [&](const char* name) -> const char* {
    auto it = env.find(name);
    return it == env.end() ? nullptr : it->second.c_str();
  };
  env["HOME"] = "/home/u";
  EXPECT_EQ(SettingsDirectory(get), "/home/u/.config");
  env["XDG_CONFIG_HOME"] = "relative";
  EXPECT_EQ(SettingsDirectory(get), "/home/u/.config");
  env["XDG_CONFIG_HOME"] = "/x/cfg";
  EXPECT_EQ(SettingsDirectory(get), "/x/cfg");
  env.clear();
  EXPECT_EQ(SettingsDirectory(get), ".config");
}

}  // namespace
}  // namespace platform
