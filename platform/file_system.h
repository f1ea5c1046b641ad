// File access for the article table's data files, behind a small interface so
// that tests can run against a fake that injects every fault.
//
// Reading: ReadFile, the whole file in one read (platform/file_read.h); a
// path that holds no regular file (a FIFO, a directory, a device) reads as
// missing and is never opened for reading in a way that could block. Identify
// tells whether a file is still the one read before without reading it again.
// MapFile maps a data file where it stands instead (platform/mapped_file.h),
// or reads it where it cannot (an implementation without mappings, such as
// the tests' fake, simply reads).
//
// Writing: WriteFileAtomic replaces a file so that the old content survives any
// failure. It is composed here, once, from the low-level steps below: resolve
// a symbolic link, query the target (writable for the running user, by its
// effective ids), open a private temporary file beside it under an advisory
// lock, give it the target's owner, group and mode, write, sync, close,
// rename over the target, sync the directory, then remove stale temporary
// files of the same target (ours, left by a killed writer: their lock can be
// taken). An implementation supplies only those steps. What stays true after
// a failed WriteFileAtomic before the rename: the target is untouched and no
// temporary file remains. A failed directory sync after the rename reports
// failure too (the new content is in place but may not be durable).
//
// When no temporary file can be made beside a writable target (a read-only
// directory holding a writable file), the file is rewritten in place with
// its old bytes held in memory and put back if the write fails. Only there
// can a kill during the write cost the old content (docs/data-files.md).
//
// WriteFileGuarded is the same replace for a writer that must not overwrite
// someone else's work: just before the rename (and before refusing a target
// that is not writable) it asks whether the target still holds what the
// writer read; when it does not, the new content is renamed to a new name
// beside the target instead, never over an existing file.
//
// The edit lock (TakeEditLock) is an advisory lock on a lock file beside a
// data file, recording who took it and when; the system releases it when the
// process ends, however it ends. It only tells a second editor that a first
// one is at work; nothing is refused because of it.
//
// Paths are the table's texts; the POSIX implementation reads "\" as "/" so
// the window's ".\Base.xml" names Base.xml in the working directory.
// Used by store::TArtikelData and vpacket (through IFileSystem);
// platform::PosixFileSystem is the real one, tests/fake_file_system.h the fake.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/file_read.h"
#include "platform/mapped_file.h"
#include "platform/session.h"

namespace platform {

// What the atomic write needs to know about an existing target.
struct TargetInfo {
  bool exists = false;
  bool regular = false;    // a regular file (not a directory or device)
  bool writable = false;   // the running user may write it (effective ids)
  int access_error = 0;    // errno saying why it is not writable
  bool immutable = false;  // immutable or append-only attribute set
  uint32_t mode = 0;       // permission bits (07777)
  uint32_t owner = 0;      // user and group ids, kept where the process may
  uint32_t group = 0;
};

// What tells a file's content apart without reading it: the same device and
// inode with the same size, modification and status-change times is taken as
// the same content. The status-change time also moves on a change of
// permissions or owner, which can make a file unreadable.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t modified_ns = 0;
  int64_t changed_ns = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Where WriteFileGuarded put the new content.
enum class WriteOutcome { kFailed, kReplaced, kCopied };

struct ReplaceGuard {
  // True while the target still holds what the writer read (asked just before
  // the replace, and before a write is refused for the target's sake).
  std::function<bool()> target_unchanged;
  // The name of the copy that takes the content instead, beside `target` (the
  // file the write would have replaced), for attempt 1, 2, ...; a name that is
  // taken is passed over.
  std::function<std::string(const std::string& target, int attempt)> copy_name;
};

// Who holds an edit lock, as its lock file records it; empty texts and a zero
// time where the record cannot be read.
struct EditLockHolder {
  std::string user;
  std::string host;
  int64_t since = 0;  // seconds since 1970-01-01 UTC
};

enum class EditLockOutcome {
  kTaken,          // this process holds the lock now
  kHeldElsewhere,  // another editor holds it (`holder` says who, where known)
  kUnavailable,    // no lock can be taken or tested here (read-only folder, no locks)
};

class IFileSystem {
 public:
  using Handle = int;
  static constexpr Handle kNoHandle = -1;

  virtual ~IFileSystem() = default;

  // Reads the whole file at `path` into `bytes` (empty unless kRead).
  virtual ReadOutcome ReadFile(const std::string& path, std::vector<uint8_t>* bytes) = 0;
  // Maps the file at `path` into `mapping`, or, where it cannot be mapped,
  // reads it into `bytes`: on kRead exactly one of them holds the file (an
  // empty file reads as no bytes).
  virtual ReadOutcome MapFile(const std::string& path, std::unique_ptr<MappedFile>* mapping,
                              std::vector<uint8_t>* bytes) {
    mapping->reset();
    return ReadFile(path, bytes);
  }
  // The identity of the regular file at `path`. False when there is none or it
  // cannot be queried; nothing read before may then be taken for its content.
  virtual bool Identify(const std::string& /*path*/, FileIdentity* /*id*/) { return false; }

  // Replaces `path` with `bytes` (see the file comment). False on any
  // failure, with the reason (what failed and the system's error text) in
  // `reason` when given.
  bool WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes,
                       std::string* reason = nullptr);
  // The atomic replace under `guard` (see the file comment). `written_to`
  // gets the file that holds the content: the target or the copy.
  WriteOutcome WriteFileGuarded(const std::string& path, std::span<const uint8_t> bytes,
                                const ReplaceGuard& guard, std::string* written_to,
                                std::string* reason = nullptr);

  // ---- The edit lock and the session ----
  // Takes the edit lock of the data file `path` (which need not exist), or
  // says who holds it. On kTaken, `lock` is to be given to ReleaseEditLock.
  virtual EditLockOutcome TakeEditLock(const std::string& /*path*/, Handle* /*lock*/,
                                       EditLockHolder* /*holder*/) {
    return EditLockOutcome::kUnavailable;
  }
  virtual void ReleaseEditLock(Handle /*lock*/) {}
  virtual Session CurrentSession() { return SystemSession(); }

  // ---- Low-level steps of WriteFileAtomic ----
  // Every step that fails leaves its errno for LastError().
  virtual int LastError() = 0;
  // The file a write to `path` must replace: `path` itself, or the file a
  // symbolic link there points to, so that replacing keeps the link.
  virtual std::string ResolveTarget(const std::string& path) { return path; }
  // False only when the query itself fails; a missing target is exists=false.
  virtual bool QueryTarget(const std::string& path, TargetInfo* info) = 0;
  // Permission bits for a file that does not exist yet (0666 less the umask).
  virtual uint32_t DefaultMode() = 0;
  // Creates a new, private file in the directory of `target`, named so that
  // RemoveStaleTemps recognises it, opens it for writing and holds an
  // advisory lock on it until Close; its name goes to `temp_path`.
  // kNoHandle on failure.
  virtual Handle CreateTemp(const std::string& target, std::string* temp_path) = 0;
  // Gives the file the target's owner and group where the process may
  // (silently keeping its own otherwise), then the permission bits.
  virtual bool SetOwnerAndMode(Handle handle, const TargetInfo& target) = 0;
  // Writes all of `bytes` at the current position (retrying short writes).
  virtual bool Write(Handle handle, std::span<const uint8_t> bytes) = 0;
  virtual bool Sync(Handle handle) = 0;
  virtual bool Close(Handle handle) = 0;
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  // Renames only when nothing has the name `to` yet (EEXIST otherwise).
  virtual bool RenameNoReplace(const std::string& from, const std::string& to) = 0;
  virtual bool Unlink(const std::string& path) = 0;
  // Makes the directory entry of `path` durable.
  virtual bool SyncDirectoryOf(const std::string& path) = 0;
  // Removes temporary files of `target` that no running writer holds.
  virtual void RemoveStaleTemps(const std::string& target) = 0;
  // The in-place rewrite: opens an existing file for writing without
  // truncating it, moves to its start, and cuts it to `size` bytes.
  virtual Handle OpenExisting(const std::string& path) = 0;
  virtual bool Rewind(Handle handle) = 0;
  virtual bool Truncate(Handle handle, uint64_t size) = 0;

 private:
  WriteOutcome Replace(const std::string& name, std::span<const uint8_t> bytes,
                       const ReplaceGuard* guard, std::string* written_to, std::string* reason);
  bool RewriteInPlace(const std::string& path, std::span<const uint8_t> bytes, std::string* reason);
};

// The real file system (POSIX calls).
class PosixFileSystem : public IFileSystem {
 public:
  ReadOutcome ReadFile(const std::string& path, std::vector<uint8_t>* bytes) override;
  ReadOutcome MapFile(const std::string& path, std::unique_ptr<MappedFile>* mapping,
                      std::vector<uint8_t>* bytes) override;
  int LastError() override;
  bool Identify(const std::string& path, FileIdentity* id) override;
  std::string ResolveTarget(const std::string& path) override;
  bool QueryTarget(const std::string& path, TargetInfo* info) override;
  uint32_t DefaultMode() override;
  Handle CreateTemp(const std::string& target, std::string* temp_path) override;
  bool SetOwnerAndMode(Handle handle, const TargetInfo& target) override;
  bool Write(Handle handle, std::span<const uint8_t> bytes) override;
  bool Sync(Handle handle) override;
  bool Close(Handle handle) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool RenameNoReplace(const std::string& from, const std::string& to) override;
  bool Unlink(const std::string& path) override;
  bool SyncDirectoryOf(const std::string& path) override;
  void RemoveStaleTemps(const std::string& target) override;
  Handle OpenExisting(const std::string& path) override;
  bool Rewind(Handle handle) override;
  bool Truncate(Handle handle, uint64_t size) override;
  // The edit lock (edit_lock.cpp): an open-file-description lock on one byte
  // of ".<name>.lock" beside the data file, which holds the holder's record.
  EditLockOutcome TakeEditLock(const std::string& path, Handle* lock,
                               EditLockHolder* holder) override;
  void ReleaseEditLock(Handle lock) override;

  // The path as the operating system sees it ("\" read as "/").
  static std::string NativePath(const std::string& path);
  // Whether `name` (a directory entry) is a temporary file of `target_base`
  // (the target's file name without its directory).
  static bool IsTempName(const std::string& name, const std::string& target_base);
  // The lock file of the data file `native` (an operating-system path).
  static std::string LockFileOf(const std::string& native);

 private:
  std::map<Handle, std::string> lock_files_;  // held edit locks: their lock files
};

// One process-wide real file system.
IFileSystem& DefaultFileSystem();

// Makes a write past the file-size limit fail with EFBIG instead of ending
// the process with SIGXFSZ, so that the writer can keep the old file and say
// why. Called once at the start of the program and of vpacket.
void IgnoreFileSizeSignal();

}  // namespace platform
