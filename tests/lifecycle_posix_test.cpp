// The real file system: reading (a FIFO, directory or link loop never blocks
// and never reads as a file), the atomic replace on disk (content, kept
// permission bits, refusal of non-regular targets, no temporary file left),
// backslash paths, and a table round trip through real files. Permission and
// resource-limit faults: tests/write_faults_test.cpp.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "store/artikel_data.h"
#include "store/db_error.h"
#include "table_test_packets.h"

namespace {

using platform::PosixFileSystem;

class PosixFsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = ::testing::TempDir() + "vr_posix_XXXXXX";
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    dir_ = templ;
  }
  void TearDown() override {
    for (const std::string& name : Entries()) {
      std::string p = dir_ + "/" + name;
      ::chmod(p.c_str(), 0644);
      if (::unlink(p.c_str()) != 0) ::rmdir(p.c_str());
    }
    ::rmdir(dir_.c_str());
  }
  std::vector<std::string> Entries() {
    std::vector<std::string> out;
    DIR* d = ::opendir(dir_.c_str());
    while (dirent* e = d ? ::readdir(d) : nullptr) {
      std::string n = e->d_name;
      if (n != "." && n != "..") out.push_back(n);
    }
    if (d) ::closedir(d);
    return out;
  }
  std::string Path(const std::string& name) { return dir_ + "/" + name; }
  void WriteRaw(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  std::string ReadRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
  uint32_t Mode(const std::string& path) {
    struct stat st;
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
  }

  PosixFileSystem fs_;
  std::string dir_;
};

TEST_F(PosixFsTest, ReadFileTellsMissingFromUnreadable) {
  std::string big(300000, 'q');
  big[12345] = '\0';
  WriteRaw(Path("big"), big);
  ::mkdir(Path("sub").c_str(), 0755);
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("loop2", Path("loop1").c_str()), 0);
  ASSERT_EQ(::symlink("loop1", Path("loop2").c_str()), 0);
  ASSERT_EQ(::symlink("none", Path("dangling").c_str()), 0);
  using platform::ReadOutcome;
  const struct {
    const char* name;
    ReadOutcome outcome;
  } cases[] = {{"none", ReadOutcome::kMissing},      {"big", ReadOutcome::kRead},
               {"sub", ReadOutcome::kMissing},       {"fifo", ReadOutcome::kMissing},
               {"loop1", ReadOutcome::kFailed},      {"dangling", ReadOutcome::kMissing},
               {"big/inside", ReadOutcome::kMissing}};
  for (const auto& c : cases) {
    std::vector<uint8_t> got{1, 2, 3};
    EXPECT_EQ(fs_.ReadFile(Path(c.name), &got), c.outcome) << c.name;
    EXPECT_EQ(got, c.outcome == ReadOutcome::kRead ? Bytes(big) : std::vector<uint8_t>()) << c.name;
  }
}

TEST_F(PosixFsTest, AtomicWriteCreatesAndReplaces) {
  ASSERT_TRUE(fs_.WriteFileAtomic(Path("a.xml"), Bytes("first")));
  EXPECT_EQ(ReadRaw(Path("a.xml")), "first");
  ASSERT_TRUE(fs_.WriteFileAtomic(Path("a.xml"), Bytes("second, longer")));
  EXPECT_EQ(ReadRaw(Path("a.xml")), "second, longer");
  ASSERT_TRUE(fs_.WriteFileAtomic(Path("a.xml"), Bytes("")));
  EXPECT_EQ(ReadRaw(Path("a.xml")), "");
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.xml"});
}

TEST_F(PosixFsTest, ReplaceKeepsPermissionBits) {
  WriteRaw(Path("p"), "old");
  ::chmod(Path("p").c_str(), 0640);
  ASSERT_TRUE(fs_.WriteFileAtomic(Path("p"), Bytes("new")));
  EXPECT_EQ(Mode(Path("p")), 0640u);
}

TEST_F(PosixFsTest, DirectoryTargetAndMissingDirectoryFail) {
  ::mkdir(Path("d").c_str(), 0755);
  EXPECT_FALSE(fs_.WriteFileAtomic(Path("d"), Bytes("x")));
  EXPECT_FALSE(fs_.WriteFileAtomic(Path("nodir/f"), Bytes("x")));
  EXPECT_FALSE(fs_.WriteFileAtomic("", Bytes("x")));
  EXPECT_EQ(Entries(), std::vector<std::string>{"d"});
}

TEST_F(PosixFsTest, ReplacingThroughASymbolicLinkKeepsTheLink) {
  WriteRaw(Path("real"), "old");
  ASSERT_EQ(::symlink("real", Path("link").c_str()), 0);
  ASSERT_TRUE(fs_.WriteFileAtomic(Path("link"), Bytes("new")));
  struct stat st;
  ASSERT_EQ(::lstat(Path("link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadRaw(Path("real")), "new");
  std::vector<std::string> entries = Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"link", "real"}));
}

TEST_F(PosixFsTest, BackslashesNameDirectories) {
  std::string windows = dir_ + "\\w.xml";
  ASSERT_TRUE(fs_.WriteFileAtomic(windows, Bytes("w")));
  EXPECT_EQ(ReadRaw(Path("w.xml")), "w");
  std::vector<uint8_t> got;
  EXPECT_EQ(fs_.ReadFile(windows, &got), platform::ReadOutcome::kRead);
}

TEST_F(PosixFsTest, TableRoundTripThroughRealFile) {
  using table_test::Art;
  const std::string file = Path("Base.xml");
  {
    store::TArtikelData t(fs_);
    t.SetData(table_test::MakePacket({Art(2001, 1, "Real", "Spil", 1, 2)}));
    t.SetFileName(file);
    t.Open();
    t.Edit();
    t.FieldByName("Titel").SetAsString("Written");
    t.Post();
    t.Close();
  }
  struct stat before;
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  std::string bytes = ReadRaw(file);
  EXPECT_EQ(bytes.rfind("<?xml", 0), 0u);
  {
    store::TArtikelData t(fs_);
    t.SetFileName(file);
    t.Open();
    EXPECT_EQ(t.FieldByName("Titel").AsString(), "Written");
    t.Last();
    t.SetIndexName("AargangX");
    t.Close();
  }
  struct stat after;
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(ReadRaw(file), bytes);  // browsing never rewrites
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

}  // namespace
