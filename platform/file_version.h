// FileVersion: what an open read from a data file (its identity, size and a
// hash of its bytes, or that there was no file), so that the write at the
// close can tell whether someone else has written the file since, and
// WriteUnlessChanged, the replace that then writes a copy beside it instead.
//
// The identity (device, inode, size, modification and status-change times to
// the nanosecond) is the quick answer: the same identity is the same content.
// A different identity is not yet a change: the file is read again and its
// hash compared, so a file touched, or put back with the same bytes, still
// counts as the one read.
// Used by store::TArtikelData and vpacket convert.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/file_system.h"

namespace platform {

struct FileVersion {
  bool present = false;     // a file was there (a file of zero bytes is one)
  bool identified = false;  // its identity is known
  FileIdentity identity;
  uint64_t size = 0;
  uint64_t hash = 0;  // HashBytes of the bytes read
};

// What is at the path now, compared with a version.
enum class FileChange {
  kUnchanged,
  kChanged,   // the same file, with other content (written over, cut short)
  kReplaced,  // another file with other content stands under the name
  kGone,      // no file is there any more (removed, moved away)
  kCreated,   // a file is there where there was none
};

// How a large hash may spend the machine: on the caller's thread and one
// more, or on the caller's alone (a caller that hashes on a thread of its
// own beside other work). The hash is the same either way.
enum class HashThreads { kTwo, kOne };

// From this size on the two halves of a hash are worth a thread each, and a
// caller with other work on the same bytes hashes them beside it.
inline constexpr size_t kHashAsideBytes = size_t{16} << 20;

// A fast 64-bit hash of bytes, to compare content within one run (it is
// never stored). Large inputs are hashed in two halves, at once with kTwo.
uint64_t HashBytes(std::span<const uint8_t> bytes, HashThreads threads = HashThreads::kTwo);

// The version of `bytes`, read from a file whose identity was taken before
// the read (null when it could not be taken).
FileVersion VersionOfRead(const FileIdentity* identity, std::span<const uint8_t> bytes,
                          HashThreads threads = HashThreads::kTwo);
// The version of a path that held no file.
FileVersion AbsentVersion();
// Takes the version of `path` by reading it (a path holding no regular file
// is absent). False when a file is there but cannot be read.
bool TakeVersion(IFileSystem& fs, const std::string& path, FileVersion* version);

FileChange CompareWithDisk(IFileSystem& fs, const std::string& path, const FileVersion& was);

// The name of the copy that takes a writer's content when `target` changed:
// "Base (conflict 2026-12-10 08.05.13).xml" for "Base.xml", the word and the
// local time as given, with " 2", " 3", ... after the time from attempt 2 on.
std::string ConflictCopyName(const std::string& target, const std::string& word,
                             const std::string& time_text, int attempt);

struct GuardedWriteResult {
  WriteOutcome outcome = WriteOutcome::kFailed;
  FileChange change = FileChange::kUnchanged;  // what was found at the path
  std::string written_to;                      // the path, or the copy
  std::string reason;                          // why it failed
};

// Replaces `path` with `bytes` if it still holds `was`; otherwise writes them
// to a conflict copy beside it (ConflictCopyName with `word` and the time of
// the write) and leaves the path as it is.
GuardedWriteResult WriteUnlessChanged(IFileSystem& fs, const std::string& path,
                                      std::span<const uint8_t> bytes, const FileVersion& was,
                                      const std::string& word);

}  // namespace platform
