// The editor's launcher, run as the menu entry runs it: the first start copies
// the installed edition files into the user's data directory and starts the
// editor there; later starts never overwrite that copy. The launcher runs
// from a small tree laid out like an installation, with a stand-in editor
// that reports its working directory and arguments.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const fs::path kLauncher = fs::path(VR_BINARY_DIR) / "packaging" / "vregister-editor-launcher";
constexpr const char* kDataFiles[] = {"Base.xml", "BaseNo.xml", "BaseSv.xml", "BaseFi.xml"};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kLauncher)) GTEST_SKIP() << "no launcher configured at " << kLauncher;
    root_ = fs::temp_directory_path() /
            ("vregister_launcher_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    fs::remove_all(root_);
    fs::create_directories(root_ / "prefix/bin");
    fs::copy_file(kLauncher, root_ / "prefix/bin/vregister-editor-launcher");
    WriteFile(root_ / "prefix/bin/vregister-editor",
              "#!/bin/sh\npwd > \"$EDITOR_REPORT\"\nfor a in \"$@\"; do echo \"$a\"; done "
              ">> \"$EDITOR_REPORT\"\n");
    fs::permissions(root_ / "prefix/bin/vregister-editor", fs::perms::owner_all,
                    fs::perm_options::add);
    for (const char* name : kDataFiles) Install(name, std::string("installed ") + name);
  }
  void TearDown() override { fs::remove_all(root_); }

  void Install(const std::string& name, const std::string& bytes) {
    WriteFile(root_ / "prefix/share/vregister" / name, bytes);
  }

  // Runs `launcher` with HOME in the tree and XDG_DATA_HOME as given (unset
  // when null); returns the exit status.
  int Start(const char* xdg_data_home, const std::string& launcher = "",
            const std::string& args = "") {
    const std::string program =
        launcher.empty() ? (root_ / "prefix/bin/vregister-editor-launcher").string() : launcher;
    std::string command = "cd / && env -u XDG_DATA_HOME HOME='" + (root_ / "home").string() +
                          "' EDITOR_REPORT='" + (root_ / "report").string() + "' ";
    if (xdg_data_home != nullptr) command += std::string("XDG_DATA_HOME='") + xdg_data_home + "' ";
    command += "'" + program + "' " + args + " 2>'" + (root_ / "errors").string() + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::set<std::string> Listing(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(dir)) names.insert(item.path().filename());
    return names;
  }

  static inline int counter_ = 0;
  fs::path root_;
};

TEST_F(LauncherTest, FirstStartCopiesTheInstalledFilesAndRunsTheEditorInTheCopy) {
  const fs::path data_home = root_ / "xdg";
  ASSERT_EQ(Start(data_home.c_str(), "", "one 'two words'"), 0) << ReadFile(root_ / "errors");
  const fs::path copy = data_home / "vregister";
  EXPECT_EQ(Listing(copy), std::set<std::string>(std::begin(kDataFiles), std::end(kDataFiles)));
  for (const char* name : kDataFiles) {
    EXPECT_EQ(ReadFile(copy / name), std::string("installed ") + name);
  }
  EXPECT_EQ(ReadFile(root_ / "report"), copy.string() + "\none\ntwo words\n");
}

TEST_F(LauncherTest, NeverOverwritesTheUsersCopy) {
  const fs::path data_home = root_ / "xdg";
  const fs::path copy = data_home / "vregister";
  WriteFile(copy / "Base.xml", "edited by the user");
  ASSERT_EQ(Start(data_home.c_str()), 0) << ReadFile(root_ / "errors");
  EXPECT_EQ(ReadFile(copy / "Base.xml"), "edited by the user");
  // A file the user did not have yet is copied.
  EXPECT_EQ(ReadFile(copy / "BaseFi.xml"), "installed BaseFi.xml");

  // A newer installation changes nothing in the copy either.
  WriteFile(copy / "BaseFi.xml", "edited Finnish");
  Install("Base.xml", "upgraded");
  Install("BaseFi.xml", "upgraded");
  ASSERT_EQ(Start(data_home.c_str()), 0) << ReadFile(root_ / "errors");
  EXPECT_EQ(ReadFile(copy / "Base.xml"), "edited by the user");
  EXPECT_EQ(ReadFile(copy / "BaseFi.xml"), "edited Finnish");
  EXPECT_EQ(Listing(copy).size(), std::size(kDataFiles));
}

TEST_F(LauncherTest, WithoutAnAbsoluteXdgDataHomeTheCopyIsInTheHomeDirectory) {
  const fs::path fallback = root_ / "home/.local/share/vregister";
  const struct { const char* xdg_data_home; } cases[] = {{nullptr}, {""}, {"relative/data"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xdg_data_home ? c.xdg_data_home : "(unset)");
    fs::remove_all(root_ / "home");
    ASSERT_EQ(Start(c.xdg_data_home), 0) << ReadFile(root_ / "errors");
    EXPECT_EQ(ReadFile(fallback / "Base.xml"), "installed Base.xml");
    EXPECT_EQ(ReadFile(root_ / "report"), fallback.string() + "\n");
    EXPECT_FALSE(fs::exists("/relative/data"));
  }
}

TEST_F(LauncherTest, StartedThroughALinkFindsTheInstallationBesideTheLauncher) {
  fs::create_directories(root_ / "elsewhere");
  fs::create_symlink(root_ / "prefix/bin/vregister-editor-launcher", root_ / "elsewhere/edit");
  ASSERT_EQ(Start((root_ / "xdg").c_str(), (root_ / "elsewhere/edit").string()), 0)
      << ReadFile(root_ / "errors");
  EXPECT_EQ(ReadFile(root_ / "xdg/vregister/BaseSv.xml"), "installed BaseSv.xml");
}

TEST_F(LauncherTest, AMissingInstalledFileStopsTheStartWithAnError) {
  fs::remove(root_ / "prefix/share/vregister/BaseNo.xml");
  EXPECT_NE(Start((root_ / "xdg").c_str()), 0);
  EXPECT_THAT(ReadFile(root_ / "errors"), HasSubstr("BaseNo.xml"));
  EXPECT_FALSE(fs::exists(root_ / "report"));
  EXPECT_FALSE(fs::exists(root_ / "xdg/vregister/BaseNo.xml"));
}

}  // namespace
