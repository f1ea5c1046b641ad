// The shared data file's guard (see data_file_guard.h).
#include "store/data_file_guard.h"

#include "store/data_file_conflict.h"
#include "store/db_error.h"
#include "store/message_format.h"
#include "store/store_messages.h"

namespace store {

void DataFileGuard::SetEditLocking(bool on) {
  edit_locking_ = on;
  if (!open_) return;
  if (on) {
    TakeLock();
  } else {
    ReleaseLock();
  }
}

void DataFileGuard::Opened(const std::string& path, std::optional<platform::FileVersion> version) {
  ReleaseLock();
  open_ = true;
  path_ = path;
  version_ = std::move(version);
  other_editor_.reset();
  if (edit_locking_) TakeLock();
}

void DataFileGuard::Write(const std::string& table_name, const std::string& path,
                          std::span<const uint8_t> bytes) {
  if (!version_ || path != path_) {
    // Nothing was read from this name: there is no one else's work to know of.
    if (!fs_.WriteFileAtomic(path, bytes))
      throw EDatabaseError(Format(messages::kCannotCreateFile, path));
    return;
  }
  const platform::GuardedWriteResult result =
      platform::WriteUnlessChanged(fs_, path, bytes, *version_, conflict_word_);
  if (result.outcome == platform::WriteOutcome::kReplaced) return;
  if (result.change == platform::FileChange::kUnchanged) {
    throw EDatabaseError(Format(messages::kCannotCreateFile, path));
  }
  throw EDataFileConflict(table_name, path, result.written_to, result.change,
                          result.outcome == platform::WriteOutcome::kCopied, result.reason);
}

void DataFileGuard::Closed() {
  ReleaseLock();
  open_ = false;
  version_.reset();
}

void DataFileGuard::TakeLock() {
  if (lock_ != platform::IFileSystem::kNoHandle || path_.empty()) return;
  other_editor_.reset();
  platform::EditLockHolder holder;
  if (fs_.TakeEditLock(path_, &lock_, &holder) == platform::EditLockOutcome::kHeldElsewhere) {
    other_editor_ = holder;
  }
}

void DataFileGuard::ReleaseLock() {
  if (lock_ == platform::IFileSystem::kNoHandle) return;
  fs_.ReleaseEditLock(lock_);
  lock_ = platform::IFileSystem::kNoHandle;
}

}  // namespace store
