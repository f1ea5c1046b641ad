// DataFileGuard: what lets several editors keep one shared data file without
// one silently overwriting another's work. The table tells it what each open
// read; it then
//   - remembers that file's version (platform/file_version.h), and at the
//     close's write replaces the file only if it still holds that version,
//     writing a conflict copy beside it otherwise (EDataFileConflict);
//   - in the editors' build, holds the file's edit lock while the table is
//     open, and records who else holds it when the lock is taken already.
// Used by store::TArtikelData; one per table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/file_system.h"
#include "platform/file_version.h"

namespace store {

class DataFileGuard {
 public:
  explicit DataFileGuard(platform::IFileSystem& fs) : fs_(fs) {}
  ~DataFileGuard() { Closed(); }
  DataFileGuard(const DataFileGuard&) = delete;
  DataFileGuard& operator=(const DataFileGuard&) = delete;

  // The word in a conflict copy's name ("conflict" unless set).
  void SetConflictWord(std::string word) { conflict_word_ = std::move(word); }
  const std::string& ConflictWord() const { return conflict_word_; }

  // Whether an open takes the edit lock. Turning it on while a file is open
  // takes the lock at once; turning it off releases it.
  void SetEditLocking(bool on);
  bool EditLocking() const { return edit_locking_; }

  // An open succeeded on data read from `path` in `version` (none: the data
  // did not come from the file by that name, or there is no name).
  void Opened(const std::string& path, std::optional<platform::FileVersion> version);
  const std::optional<platform::FileVersion>& Version() const { return version_; }

  // Writes `bytes` to `path` for the table `table_name`: the atomic replace,
  // unless the file is no longer the version opened; then a conflict copy
  // (EDataFileConflict, whether or not the copy could be written). A failed
  // replace raises "Cannot create file %s".
  void Write(const std::string& table_name, const std::string& path,
             std::span<const uint8_t> bytes);

  // The table closed: the lock goes, the version is forgotten.
  void Closed();

  // Who held the edit lock when this table last tried to take it; none when
  // the table took it, could not try, or does not lock.
  const std::optional<platform::EditLockHolder>& OtherEditor() const { return other_editor_; }

 private:
  void TakeLock();
  void ReleaseLock();

  platform::IFileSystem& fs_;
  std::string conflict_word_ = "conflict";
  bool edit_locking_ = false;
  bool open_ = false;
  std::string path_;
  std::optional<platform::FileVersion> version_;
  platform::IFileSystem::Handle lock_ = platform::IFileSystem::kNoHandle;
  std::optional<platform::EditLockHolder> other_editor_;
};

}  // namespace store
