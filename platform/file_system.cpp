// The atomic replace composed from the low-level steps, the in-place
// fallback, and the POSIX implementation of those steps and of reading.
// Called by store::TArtikelData and vpacket (through IFileSystem) and by the
// tests.
#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

void SetReason(std::string* reason, const std::string& what, int error) {
  if (reason == nullptr) return;
  *reason = what;
  if (error != 0) *reason += std::string(": ") + std::strerror(error);
}

}  // namespace

// ---- The composed atomic replace ----

bool IFileSystem::WriteFileAtomic(const std::string& name, std::span<const uint8_t> bytes,
                                  std::string* reason) {
  return Replace(name, bytes, nullptr, nullptr, reason) == WriteOutcome::kReplaced;
}

WriteOutcome IFileSystem::WriteFileGuarded(const std::string& name, std::span<const uint8_t> bytes,
                                           const ReplaceGuard& guard, std::string* written_to,
                                           std::string* reason) {
  return Replace(name, bytes, &guard, written_to, reason);
}

WriteOutcome IFileSystem::Replace(const std::string& name, std::span<const uint8_t> bytes,
                                  const ReplaceGuard* guard, std::string* written_to,
                                  std::string* reason) {
  constexpr WriteOutcome kFailed = WriteOutcome::kFailed;
  if (name.empty()) {
    SetReason(reason, "no file name", 0);
    return kFailed;
  }
  const std::string path = ResolveTarget(name);
  TargetInfo target;
  if (!QueryTarget(path, &target)) {
    SetReason(reason, "cannot examine " + path, LastError());
    return kFailed;
  }
  // Set once the target is known to hold someone else's work: the content
  // then goes to a copy beside it, and nothing about the target can refuse it.
  bool diverted = false;
  if (target.exists && (!target.regular || !target.writable || target.immutable)) {
    if (guard != nullptr && !guard->target_unchanged()) {
      diverted = true;
      target = TargetInfo();
    } else if (!target.regular) {
      // Refused as the system would refuse an open for writing: replacing by
      // rename would otherwise overwrite a file this user may not change.
      SetReason(reason, path + " is not a regular file", 0);
      return kFailed;
    } else {
      SetReason(reason, "cannot write " + path, target.writable ? EPERM : target.access_error);
      return kFailed;
    }
  }
  if (!target.exists) target.mode = DefaultMode();

  std::string temp_path;
  Handle handle = CreateTemp(path, &temp_path);
  if (handle == kNoHandle) {
    const int error = LastError();
    if (!diverted && target.exists && (error == EACCES || error == EPERM || error == EROFS)) {
      if (guard != nullptr && !guard->target_unchanged()) {
        SetReason(reason, "cannot create a file beside " + path, error);
        return kFailed;
      }
      if (!RewriteInPlace(path, bytes, reason)) return kFailed;
      if (written_to != nullptr) *written_to = path;
      return WriteOutcome::kReplaced;
    }
    SetReason(reason, "cannot create a temporary file beside " + path, error);
    return kFailed;
  }
  int error = 0;
  bool ok = SetOwnerAndMode(handle, target) && Write(handle, bytes) && Sync(handle);
  if (!ok) error = LastError();
  // Close even after a failure; a failed close loses data as surely as a failed write.
  if (!Close(handle) && ok) {
    ok = false;
    error = LastError();
  }
  // The last look at the target, as close to the rename as it can be.
  if (ok && !diverted && guard != nullptr && !guard->target_unchanged()) diverted = true;
  std::string destination = path;
  if (ok && !diverted && !Rename(temp_path, path)) {
    ok = false;
    error = LastError();
  }
  if (ok && diverted) {
    ok = false;
    error = EEXIST;
    for (int attempt = 1; attempt <= 1000 && !ok && error == EEXIST; ++attempt) {
      destination = guard->copy_name(path, attempt);
      ok = RenameNoReplace(temp_path, destination);
      if (!ok) error = LastError();
    }
  }
  if (!ok) {
    Unlink(temp_path);
    SetReason(reason, "cannot write " + destination, error);
    return kFailed;
  }
  if (!SyncDirectoryOf(path)) {
    SetReason(reason, "cannot make " + destination + " durable", LastError());
    return kFailed;
  }
  RemoveStaleTemps(path);
  if (written_to != nullptr) *written_to = destination;
  return diverted ? WriteOutcome::kCopied : WriteOutcome::kReplaced;
}

bool IFileSystem::RewriteInPlace(const std::string& path, std::span<const uint8_t> bytes,
                                 std::string* reason) {
  std::vector<uint8_t> old;
  if (ReadFile(path, &old) != ReadOutcome::kRead) {
    SetReason(reason, "cannot read " + path + " to keep its content", LastError());
    return false;
  }
  Handle handle = OpenExisting(path);
  if (handle == kNoHandle) {
    SetReason(reason, "cannot write " + path, LastError());
    return false;
  }
  // The new bytes go over the old ones before the file is cut, so a full
  // disk fails while the old blocks are still allocated for the way back.
  bool ok =
      Rewind(handle) && Write(handle, bytes) && Truncate(handle, bytes.size()) && Sync(handle);
  int error = ok ? 0 : LastError();
  if (!ok) {
    bool restored =
        Rewind(handle) && Write(handle, old) && Truncate(handle, old.size()) && Sync(handle);
    Close(handle);
    SetReason(reason,
              restored ? "cannot write " + path
                       : "cannot write " + path + " and its old content could not be put back",
              error);
    return false;
  }
  if (!Close(handle)) {
    SetReason(reason, "cannot write " + path, LastError());
    return false;
  }
  RemoveStaleTemps(path);
  return true;
}

// ---- POSIX ----

namespace {

constexpr char kTempInfix[] = ".tmp-";
constexpr size_t kTempSuffixLength = 6;  // the XXXXXX of mkostemp

std::string DirectoryOf(const std::string& native) {
  size_t slash = native.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return native.substr(0, slash);
}

std::string BaseOf(const std::string& native) {
  size_t slash = native.rfind('/');
  return slash == std::string::npos ? native : native.substr(slash + 1);
}

bool SameFile(int fd, const std::string& path) {
  struct stat a, b;
  return ::fstat(fd, &a) == 0 && ::lstat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

}  // namespace

std::string PosixFileSystem::NativePath(const std::string& path) {
  std::string native = path;
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

bool PosixFileSystem::IsTempName(const std::string& name, const std::string& target_base) {
  const std::string prefix = "." + target_base + kTempInfix;
  return name.size() == prefix.size() + kTempSuffixLength &&
         name.compare(0, prefix.size(), prefix) == 0;
}

std::string PosixFileSystem::LockFileOf(const std::string& native) {
  return DirectoryOf(native) + "/." + BaseOf(native) + ".lock";
}

ReadOutcome PosixFileSystem::ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
  ReadResult result = ReadRegularFile(NativePath(path), bytes);
  errno = result.error;
  return result.outcome;
}

ReadOutcome PosixFileSystem::MapFile(const std::string& path, std::unique_ptr<MappedFile>* mapping,
                                     std::vector<uint8_t>* bytes) {
  bytes->clear();
  const std::string native = NativePath(path);
  ReadResult result = MapRegularFile(native, mapping);
  if (result.outcome == ReadOutcome::kRead && *mapping == nullptr) {
    result = ReadRegularFile(native, bytes);
  }
  errno = result.error;
  return result.outcome;
}

int PosixFileSystem::LastError() { return errno; }

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
  info->mode = st.st_mode & 07777;
  info->owner = st.st_uid;
  info->group = st.st_gid;
  // The kernel's own answer for this process's effective ids: it knows
  // group membership, capabilities, ACLs and read-only mounts.
  info->writable = ::faccessat(AT_FDCWD, native.c_str(), W_OK, AT_EACCESS) == 0;
  if (!info->writable) info->access_error = errno;
  if (info->regular) {
    int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
  const std::string native = NativePath(target);
  const std::string templ_base = DirectoryOf(native) + "/." + BaseOf(native) + kTempInfix;
  // A writer cleaning up may take the lock of a file created a moment ago,
  // before its creator locked it, and remove it; the creator then finds its
  // name gone and tries again.
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::string templ = templ_base + std::string(kTempSuffixLength, 'X');
    int fd = ::mkostemp(templ.data(), O_CLOEXEC);
    if (fd < 0) return kNoHandle;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && SameFile(fd, templ)) {
      *temp_path = templ;
      return fd;
    }
    ::close(fd);
  }
  errno = EEXIST;
  return kNoHandle;
}

bool PosixFileSystem::SetOwnerAndMode(Handle handle, const TargetInfo& target) {
  if (target.exists && ::fchown(handle, target.owner, target.group) != 0) {
    // Not allowed to give the file away: keep at least the group if we may.
    // Best effort: a result the fortified declaration insists on, and that
    // changes nothing here.
    [[maybe_unused]] const int kept_group = ::fchown(handle, static_cast<uid_t>(-1), target.group);
  }
  // After the owner: changing it may clear the set-id bits.
  return ::fchmod(handle, static_cast<mode_t>(target.mode)) == 0;
}

bool PosixFileSystem::Write(Handle handle, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(handle, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;
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

bool PosixFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  const std::string source = NativePath(from), destination = NativePath(to);
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a hard link is refused as well when the
  // name is taken.
  if (::link(source.c_str(), destination.c_str()) != 0) return false;
  ::unlink(source.c_str());
  return true;
}

bool PosixFileSystem::Unlink(const std::string& path) {
  int saved = errno;  // keep the error of the step that failed
  bool ok = ::unlink(NativePath(path).c_str()) == 0;
  errno = saved;
  return ok;
}

bool PosixFileSystem::SyncDirectoryOf(const std::string& path) {
  int fd = ::open(DirectoryOf(NativePath(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

void PosixFileSystem::RemoveStaleTemps(const std::string& target) {
  const std::string native = NativePath(target);
  const std::string dir = DirectoryOf(native);
  const std::string base = BaseOf(native);
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  while (dirent* e = ::readdir(d)) {
    if (!IsTempName(e->d_name, base)) continue;
    const std::string path = dir + "/" + e->d_name;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    // A lock that can be taken means no writer holds the file: it is stale.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        SameFile(fd, path)) {
      ::unlink(path.c_str());
    }
    ::close(fd);
  }
  ::closedir(d);
}

IFileSystem::Handle PosixFileSystem::OpenExisting(const std::string& path) {
  // A reader's lease on the file (a mapping, platform/mapped_file.h) makes
  // the open fail at once without blocking; the reader gives it up within
  // moments, so the open is repeated for a while.
  int fd = -1;
  for (int attempt = 0; attempt < 500; ++attempt) {
    fd = ::open(NativePath(path).c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 || errno != EWOULDBLOCK) break;
    ::usleep(10000);
  }
  return fd < 0 ? kNoHandle : fd;
}

bool PosixFileSystem::Rewind(Handle handle) { return ::lseek(handle, 0, SEEK_SET) == 0; }

bool PosixFileSystem::Truncate(Handle handle, uint64_t size) {
  return ::ftruncate(handle, static_cast<off_t>(size)) == 0;
}

IFileSystem& DefaultFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace platform
