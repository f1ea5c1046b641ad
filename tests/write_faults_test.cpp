// Write faults on the real file system, with the old file's bytes checked
// after each: a user without write permission, a read-only directory holding
// a writable file, a file-size limit (on both the temporary-file and the
// in-place way), an immutable or append-only file, owner and group kept, and
// the clean-up of temporary files a killed writer left.
//
// Permission cases run in a child process; when the tests run as root (as in
// CI, where every permission check passes) the child first becomes the
// unprivileged user "nobody", so the kernel's checks are really exercised.
// Full disk is injected through the fake file system
// (tests/lifecycle_files_test.cpp) and made for real by scripts/write_faults.sh.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace {

using platform::PosixFileSystem;

constexpr uid_t kNobody = 65534;

class WriteFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = ::testing::TempDir() + "vr_faults_XXXXXX";
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    dir_ = templ;
    ::chmod(dir_.c_str(), 0777);  // the unprivileged child may make files here
    file_ = dir_ + "/Base.xml";
    Write(file_, kOld);
  }
  void TearDown() override {
    ::chmod(dir_.c_str(), 0755);
    SetFlags(file_, 0);
    for (const std::string& name : Entries()) ::unlink((dir_ + "/" + name).c_str());
    ::rmdir(dir_.c_str());
  }

  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> out;
    DIR* d = ::opendir(dir_.c_str());
    while (dirent* e = d ? ::readdir(d) : nullptr) {
      std::string n = e->d_name;
      if (n != "." && n != "..") out.push_back(n);
    }
    if (d) ::closedir(d);
    std::sort(out.begin(), out.end());
    return out;
  }
  static bool SetFlags(const std::string& path, int flags) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
  }
  static bool IsRoot() { return ::geteuid() == 0; }

  // Runs `body` in a child process, as "nobody" when this process is root,
  // under a file-size limit when `size_limit` is nonzero. Returns what the
  // body returned, or a text saying how the child ended otherwise.
  static std::string InChild(const std::function<std::string()>& body, bool drop,
                             rlim_t size_limit = 0) {
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    pid_t pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      bool ready = true;
      if (drop && IsRoot()) {
        ready = ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
                ::setresuid(kNobody, kNobody, kNobody) == 0;
      }
      if (size_limit != 0) {
        rlimit limit{size_limit, size_limit};
        ready = ready && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
      }
      std::string text = ready ? body() : "could not set up the child";
      ssize_t n = ::write(fds[1], text.data(), text.size());
      ::_exit(n == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return text;
  }

  // The write as the program makes it; "ok" or the reason it failed.
  std::string WriteNew(size_t size = 0) {
    const std::string text = size == 0 ? std::string(kNew) : std::string(size, 'n');
    std::vector<uint8_t> bytes(text.begin(), text.end());
    std::string reason;
    platform::IgnoreFileSizeSignal();
    return PosixFileSystem().WriteFileAtomic(file_, bytes, &reason) ? "ok" : reason;
  }

  static constexpr char kOld[] = "<old packet/>";
  static constexpr char kNew[] = "<new packet, longer than the old one/>";
  std::string dir_, file_;
};

TEST_F(WriteFaultsTest, UserWithoutWritePermissionIsRefused) {
  // Owned by root when run as root (the child cannot write it), read-only
  // otherwise; in both cases the directory would let a rename through.
  if (!IsRoot()) ::chmod(file_.c_str(), 0444);
  struct stat before;
  ASSERT_EQ(::stat(file_.c_str(), &before), 0);
  EXPECT_EQ(InChild([&] { return WriteNew(); }, true),
            "cannot write " + file_ + ": Permission denied");
  EXPECT_EQ(Read(file_), kOld);
  EXPECT_EQ(Entries(), std::vector<std::string>{"Base.xml"});
  struct stat after;
  ASSERT_EQ(::stat(file_.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_uid, before.st_uid);
}

TEST_F(WriteFaultsTest, WritableFileInReadOnlyDirectoryIsRewrittenInPlace) {
  ::chmod(file_.c_str(), 0666);
  ::chmod(dir_.c_str(), 0555);
  struct stat before;
  ASSERT_EQ(::stat(file_.c_str(), &before), 0);
  EXPECT_EQ(InChild([&] { return WriteNew(); }, true), "ok");
  EXPECT_EQ(Read(file_), kNew);
  EXPECT_EQ(Entries(), std::vector<std::string>{"Base.xml"});
  struct stat after;
  ASSERT_EQ(::stat(file_.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(WriteFaultsTest, FileSizeLimitFailsWithAReasonAndKeepsTheOldFile) {
  for (bool read_only_dir : {false, true}) {
    ::chmod(file_.c_str(), 0666);
    ::chmod(dir_.c_str(), read_only_dir ? 0555 : 0777);
    EXPECT_EQ(InChild([&] { return WriteNew(5000); }, true, 1024),
              "cannot write " + file_ + ": File too large")
        << read_only_dir;
    EXPECT_EQ(Read(file_), kOld) << read_only_dir;
    EXPECT_EQ(Entries(), std::vector<std::string>{"Base.xml"}) << read_only_dir;
  }
}

TEST_F(WriteFaultsTest, ImmutableOrAppendOnlyFileIsRefused) {
  if (!IsRoot()) GTEST_SKIP() << "setting the immutable attribute needs root";
  for (int flag : {FS_IMMUTABLE_FL, FS_APPEND_FL}) {
    if (!SetFlags(file_, flag)) {
      GTEST_SKIP() << "this file system keeps no immutable or append-only attribute";
    }
    EXPECT_EQ(WriteNew(), "cannot write " + file_ + ": Operation not permitted");
    SetFlags(file_, 0);
    EXPECT_EQ(Read(file_), kOld);
    EXPECT_EQ(Entries(), std::vector<std::string>{"Base.xml"});
  }
}

TEST_F(WriteFaultsTest, ReplaceKeepsOwnerAndGroup) {
  if (!IsRoot()) GTEST_SKIP() << "giving a file to another user needs root";
  ASSERT_EQ(::chown(file_.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(WriteNew(), "ok");
  struct stat st;
  ASSERT_EQ(::stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNobody);
  EXPECT_EQ(Read(file_), kNew);
}

TEST_F(WriteFaultsTest, StaleTemporaryFilesGoAtTheNextWriteAndHeldOnesStay) {
  const std::string stale = ".Base.xml.tmp-AbC123";
  const std::string held = ".Base.xml.tmp-XyZ789";
  const std::string other = ".BaseSv.xml.tmp-AbC123";
  const std::string not_ours = ".Base.xml.tmp-toolong";
  for (const std::string& name : {stale, held, other, not_ours}) Write(dir_ + "/" + name, "x");
  // Another running writer holds its temporary file locked.
  int fd = ::open((dir_ + "/" + held).c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_EQ(WriteNew(), "ok");
  ::close(fd);
  EXPECT_EQ(Entries(), (std::vector<std::string>{held, not_ours, other, "Base.xml"}));
  EXPECT_TRUE(PosixFileSystem::IsTempName(held, "Base.xml"));
  EXPECT_FALSE(PosixFileSystem::IsTempName(not_ours, "Base.xml"));
}

}  // namespace
