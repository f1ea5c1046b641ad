// The atomic replace composed from the low-level steps, and the POSIX
// implementation of those steps and of reading.
// Called by store::TArtikelData (through IFileSystem) and by the tests.
#include "platform/file_system.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

// ---- The composed atomic replace ----

bool IFileSystem::WriteFileAtomic(const std::string& name, std::span<const uint8_t> bytes) {
  if (name.empty()) return false;
  const std::string path = ResolveTarget(name);
  TargetInfo target;
  if (!QueryTarget(path, &target)) return false;
  uint32_t mode = DefaultMode();
  if (target.exists) {
    // A read-only or immutable target is refused here: a privileged process
    // could otherwise replace it by rename although it is meant to stay.
    if (!target.regular || !target.owner_writable || target.immutable) return false;
    mode = target.mode;
  }

  std::string temp_path;
  Handle handle = CreateTemp(path, &temp_path);
  if (handle == kNoHandle) return false;
  bool ok = SetMode(handle, mode) && Write(handle, bytes) && Sync(handle);
  // Close even after a failure; a failed close loses data as surely as a failed write.
  ok = Close(handle) && ok;
  if (ok) ok = Rename(temp_path, path);
  if (!ok) {
    Unlink(temp_path);
    return false;
  }
  return SyncDirectoryOf(path);
}

// ---- POSIX ----

namespace {

std::string DirectoryOf(const std::string& native) {
  size_t slash = native.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return native.substr(0, slash);
}

}  // namespace

std::string PosixFileSystem::NativePath(const std::string& path) {
  std::string native = path;
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

bool PosixFileSystem::Exists(const std::string& path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0;
}

bool PosixFileSystem::ReadAll(const std::string& path, std::vector<uint8_t>* bytes) {
  bytes->clear();
  int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) {
    bytes->reserve(static_cast<size_t>(st.st_size));
    uint8_t chunk[1 << 16];
    for (;;) {
      ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ok = false;
        break;
      }
      if (n == 0) break;
      bytes->insert(bytes->end(), chunk, chunk + n);
    }
  }
  ::close(fd);
  if (!ok) bytes->clear();
  return ok;
}

bool PosixFileSystem::Identify(const std::string& path, FileIdentity* id) {
  struct stat st;
  if (::stat(NativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  id->device = static_cast<uint64_t>(st.st_dev);
  id->inode = static_cast<uint64_t>(st.st_ino);
  id->size = static_cast<uint64_t>(st.st_size);
  id->modified_ns = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
  id->changed_ns = int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
  return true;
}

std::string PosixFileSystem::ResolveTarget(const std::string& path) {
  std::string native = NativePath(path);
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  // Only a link to an existing file is followed; a dangling one is replaced.
  char* real = ::realpath(native.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string resolved = real;
  std::free(real);
  return resolved;
}

bool PosixFileSystem::QueryTarget(const std::string& path, TargetInfo* info) {
  *info = TargetInfo();
  std::string native = NativePath(path);
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return errno == ENOENT;
  info->exists = true;
  info->regular = S_ISREG(st.st_mode);
  info->owner_writable = (st.st_mode & S_IWUSR) != 0;
  info->mode = st.st_mode & 07777;
  if (info->regular) {
    int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      int flags = 0;
      if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        info->immutable = (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
      }
      ::close(fd);
    }
  }
  return true;
}

uint32_t PosixFileSystem::DefaultMode() {
  // umask can only be read by setting it; the program has one thread.
  mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

IFileSystem::Handle PosixFileSystem::CreateTemp(const std::string& target, std::string* temp_path) {
  std::string native = NativePath(target);
  std::string dir = DirectoryOf(native);
  std::string base =
      native.substr(native.rfind('/') == std::string::npos ? 0 : native.rfind('/') + 1);
  std::string templ = dir + "/." + base + ".tmpXXXXXX";
  int fd = ::mkostemp(templ.data(), O_CLOEXEC);
  if (fd < 0) return kNoHandle;
  *temp_path = templ;
  return fd;
}

bool PosixFileSystem::SetMode(Handle handle, uint32_t mode) {
  return ::fchmod(handle, static_cast<mode_t>(mode)) == 0;
}

bool PosixFileSystem::Write(Handle handle, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(handle, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool PosixFileSystem::Sync(Handle handle) { return ::fsync(handle) == 0; }

bool PosixFileSystem::Close(Handle handle) { return ::close(handle) == 0; }

bool PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  return ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool PosixFileSystem::Unlink(const std::string& path) {
  return ::unlink(NativePath(path).c_str()) == 0;
}

bool PosixFileSystem::SyncDirectoryOf(const std::string& path) {
  int fd = ::open(DirectoryOf(NativePath(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

IFileSystem& DefaultFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace platform
