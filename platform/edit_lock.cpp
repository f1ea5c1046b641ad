// The POSIX edit lock: an open-file-description lock (fcntl F_OFD_SETLK) on
// one byte of a lock file beside the data file. Such a lock belongs to the
// open file, not the process, so two tables of one process exclude each other
// too, and the kernel drops it when the holder's last descriptor goes, which
// a crash or a kill also does. The network file systems pass these locks to
// the server. The byte locked lies far past the record, so that where byte
// locks are enforced (an SMB share) the record stays readable.
//
// The lock file holds "user\nhost\nsince\n" of the holder. The holder removes
// it on release while still holding the lock; one who opened it just before
// that finds, once it has the lock, that the name no longer leads to the file
// it locked, and starts again.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/file_system.h"

namespace platform {

namespace {

constexpr off_t kLockedByte = off_t{1} << 30;

bool StillNamed(int fd, const std::string& path) {
  struct stat a, b;
  return ::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

struct flock LockedByte(short type) {
  struct flock region = {};
  region.l_type = type;
  region.l_whence = SEEK_SET;
  region.l_start = kLockedByte;
  region.l_len = 1;
  return region;
}

EditLockHolder ReadRecord(int fd) {
  EditLockHolder holder;
  char text[1024];
  ssize_t n = ::pread(fd, text, sizeof text, 0);
  if (n <= 0) return holder;
  std::string record(text, static_cast<size_t>(n));
  std::string lines[3];
  size_t at = 0;
  for (std::string& line : lines) {
    size_t end = record.find('\n', at);
    if (end == std::string::npos) return EditLockHolder();  // not a whole record
    line = record.substr(at, end - at);
    at = end + 1;
  }
  holder.user = lines[0];
  holder.host = lines[1];
  holder.since = std::strtoll(lines[2].c_str(), nullptr, 10);
  return holder;
}

}  // namespace

EditLockOutcome PosixFileSystem::TakeEditLock(const std::string& path, Handle* lock,
                                              EditLockHolder* holder) {
  *holder = EditLockHolder();
  const std::string lock_file = LockFileOf(NativePath(ResolveTarget(path)));
  for (int attempt = 0; attempt < 5; ++attempt) {
    int fd = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
      // A lock file of another editor that this user may not write: it can
      // still tell whether that editor is at work.
      fd = ::open(lock_file.c_str(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
      if (fd < 0) return EditLockOutcome::kUnavailable;
      struct flock probe = LockedByte(F_WRLCK);
      const bool held = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
      if (held) *holder = ReadRecord(fd);
      ::close(fd);
      return held ? EditLockOutcome::kHeldElsewhere : EditLockOutcome::kUnavailable;
    }
    struct flock region = LockedByte(F_WRLCK);
    if (::fcntl(fd, F_OFD_SETLK, &region) != 0) {
      const bool held = errno == EAGAIN || errno == EACCES;
      if (held) *holder = ReadRecord(fd);
      ::close(fd);
      return held ? EditLockOutcome::kHeldElsewhere : EditLockOutcome::kUnavailable;
    }
    if (!StillNamed(fd, lock_file)) {
      ::close(fd);
      continue;
    }
    const Session session = CurrentSession();
    const std::string record =
        session.user + "\n" + session.host + "\n" + std::to_string(session.now) + "\n";
    // The record is a courtesy: the lock is what counts, written or not.
    if (::ftruncate(fd, 0) == 0) {
      (void)!::pwrite(fd, record.data(), record.size(), 0);
    }
    lock_files_[fd] = lock_file;
    *lock = fd;
    return EditLockOutcome::kTaken;
  }
  return EditLockOutcome::kUnavailable;
}

void PosixFileSystem::ReleaseEditLock(Handle lock) {
  auto it = lock_files_.find(lock);
  if (it == lock_files_.end()) return;
  if (StillNamed(lock, it->second)) ::unlink(it->second.c_str());
  ::close(lock);
  lock_files_.erase(it);
}

}  // namespace platform
