// File access for the article table's data files, behind a small interface so
// that tests can run against a fake that injects every fault.
//
// Reading: Exists and ReadAll (the whole file in one read); Identify tells
// whether a file is still the one read before without reading it again.
// Writing: WriteFileAtomic replaces a file so that the old content survives any
// failure. It is composed here, once, from the low-level steps below (resolve
// a symbolic link, query the target, open a private temporary file beside it,
// write, sync, close, rename over the target, sync the directory, unlink the
// temporary file on failure);
// an implementation supplies only those steps. What stays true after a failed
// WriteFileAtomic before the rename: the target is untouched and no temporary
// file remains. A failed directory sync after the rename reports failure too
// (the new content is in place but may not be durable).
//
// Paths are the table's texts; the POSIX implementation reads "\" as "/" so
// the window's ".\Base.xml" names Base.xml in the working directory.
// Used by store::TArtikelData; platform::PosixFileSystem is the real one,
// tests/fake_file_system.h the fake.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

// What the atomic write needs to know about an existing target.
struct TargetInfo {
  bool exists = false;
  bool regular = false;         // a regular file (not a directory or device)
  bool owner_writable = false;  // the owner write bit is set
  bool immutable = false;       // immutable or append-only attribute set
  uint32_t mode = 0;            // permission bits (07777)
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

class IFileSystem {
 public:
  using Handle = int;
  static constexpr Handle kNoHandle = -1;

  virtual ~IFileSystem() = default;

  // True when something exists under `path`.
  virtual bool Exists(const std::string& path) = 0;
  // Reads the whole file. False when it cannot be opened or read; `bytes` is
  // then empty.
  virtual bool ReadAll(const std::string& path, std::vector<uint8_t>* bytes) = 0;
  // The identity of the regular file at `path`. False when there is none or it
  // cannot be queried; nothing read before may then be taken for its content.
  virtual bool Identify(const std::string& /*path*/, FileIdentity* /*id*/) { return false; }

  // Replaces `path` with `bytes` (see the file comment). False on any failure.
  bool WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes);

  // ---- Low-level steps of WriteFileAtomic ----
  // The file a write to `path` must replace: `path` itself, or the file a
  // symbolic link there points to, so that replacing keeps the link.
  virtual std::string ResolveTarget(const std::string& path) { return path; }
  // False only when the query itself fails; a missing target is exists=false.
  virtual bool QueryTarget(const std::string& path, TargetInfo* info) = 0;
  // Permission bits for a file that does not exist yet (0666 less the umask).
  virtual uint32_t DefaultMode() = 0;
  // Creates a new, private file in the directory of `target` and opens it for
  // writing; its name goes to `temp_path`. kNoHandle on failure.
  virtual Handle CreateTemp(const std::string& target, std::string* temp_path) = 0;
  virtual bool SetMode(Handle handle, uint32_t mode) = 0;
  // Writes all of `bytes` (retrying short writes).
  virtual bool Write(Handle handle, std::span<const uint8_t> bytes) = 0;
  virtual bool Sync(Handle handle) = 0;
  virtual bool Close(Handle handle) = 0;
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual bool Unlink(const std::string& path) = 0;
  // Makes the directory entry of `path` durable.
  virtual bool SyncDirectoryOf(const std::string& path) = 0;
};

// The real file system (POSIX calls).
class PosixFileSystem : public IFileSystem {
 public:
  bool Exists(const std::string& path) override;
  bool ReadAll(const std::string& path, std::vector<uint8_t>* bytes) override;
  bool Identify(const std::string& path, FileIdentity* id) override;
  std::string ResolveTarget(const std::string& path) override;
  bool QueryTarget(const std::string& path, TargetInfo* info) override;
  uint32_t DefaultMode() override;
  Handle CreateTemp(const std::string& target, std::string* temp_path) override;
  bool SetMode(Handle handle, uint32_t mode) override;
  bool Write(Handle handle, std::span<const uint8_t> bytes) override;
  bool Sync(Handle handle) override;
  bool Close(Handle handle) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Unlink(const std::string& path) override;
  bool SyncDirectoryOf(const std::string& path) override;

  // The path as the operating system sees it ("\" read as "/").
  static std::string NativePath(const std::string& path);
};

// One process-wide real file system.
IFileSystem& DefaultFileSystem();

}  // namespace platform
