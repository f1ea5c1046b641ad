// FakeFileSystem: an in-memory platform::IFileSystem for the table's tests.
//
// Files are byte vectors with a permission mode, an immutable flag and a
// modification counter (bumped by every replace), so tests can check that a
// file was or was not rewritten. Each low-level step of the atomic write can be
// made to fail (`fail_step`), a path can be made unreadable, a write can be cut
// short as on a full disk (`disk_space`), the directory can refuse new files
// (`read_only_dir`), and a temporary file can be marked as held by another
// running writer (`locked`). Failing steps leave an errno for LastError().
// Another program can be made to act while a write is under way
// (`during_write`); edit locks are held per path with the fake `session`'s
// user, host and time, and `no_locks` makes the folder one without locks.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace testing_fs {

enum class Step {
  kNone,
  kQuery,
  kCreateTemp,
  kSetMode,
  kWrite,
  kSync,
  kClose,
  kRename,
  kSyncDir,
  kOpenExisting,
  kTruncate
};

class FakeFileSystem : public platform::IFileSystem {
 public:
  struct File {
    std::vector<uint8_t> bytes;
    uint32_t mode = 0644;
    bool immutable = false;
    bool directory = false;
    int version = 0;  // bumped on every replace: the fake's time stamp
    uint64_t inode = 0;
  };

  std::map<std::string, File> files;
  std::set<std::string> unreadable;
  std::set<std::string> locked;  // temporary files another writer holds
  Step fail_step = Step::kNone;
  size_t disk_space = SIZE_MAX;  // bytes a file may grow to before "no space"
  bool read_only_dir = false;    // no new file can be made beside the target
  int replaces = 0;              // successful renames
  int reads = 0;
  // Runs once, at the next write of new content, as another program would.
  std::function<void()> during_write;
  platform::Session session{"anna", "pc-7", 1797235200};
  std::map<std::string, platform::EditLockHolder> edit_locks;  // by data file
  bool no_locks = false;

  // Every Put is a change of the file: its time stamp moves.
  void Put(const std::string& path, std::vector<uint8_t> bytes, uint32_t mode = 0644) {
    File& f = files[path];
    if (f.inode == 0) f.inode = ++last_inode_;
    f.bytes = std::move(bytes);
    f.mode = mode;
    ++f.version;
  }
  void Put(const std::string& path, const std::string& text, uint32_t mode = 0644) {
    Put(path, std::vector<uint8_t>(text.begin(), text.end()), mode);
  }
  bool Has(const std::string& path) const { return files.count(path) != 0; }
  const std::vector<uint8_t>& Bytes(const std::string& path) { return files.at(path).bytes; }
  // Names of the temporary files left behind (none after any write).
  std::vector<std::string> Temps() const {
    std::vector<std::string> out;
    for (const auto& [name, f] : files) {
      if (name.find(".tmp") != std::string::npos) out.push_back(name);
    }
    return out;
  }

  platform::ReadOutcome ReadFile(const std::string& path, std::vector<uint8_t>* bytes) override {
    bytes->clear();
    ++reads;
    auto it = files.find(path);
    if (it == files.end() || it->second.directory) return platform::ReadOutcome::kMissing;
    if (unreadable.count(path)) return Fail(EACCES), platform::ReadOutcome::kFailed;
    *bytes = it->second.bytes;
    return platform::ReadOutcome::kRead;
  }

  int LastError() override { return last_error_; }

  bool Identify(const std::string& path, platform::FileIdentity* id) override {
    auto it = files.find(path);
    if (it == files.end() || it->second.directory || unreadable.count(path)) return false;
    *id = platform::FileIdentity{1, it->second.inode, it->second.bytes.size(), it->second.version,
                                 it->second.version};
    return true;
  }

  bool QueryTarget(const std::string& path, platform::TargetInfo* info) override {
    if (fail_step == Step::kQuery) return Fail(EIO);
    *info = platform::TargetInfo();
    auto it = files.find(path);
    if (it == files.end()) return true;
    info->exists = true;
    info->regular = !it->second.directory;
    info->writable = (it->second.mode & 0200) != 0;
    if (!info->writable) info->access_error = EACCES;
    info->immutable = it->second.immutable;
    info->mode = it->second.mode;
    return true;
  }

  uint32_t DefaultMode() override { return 0644; }

  Handle CreateTemp(const std::string& target, std::string* temp_path) override {
    if (read_only_dir) return Fail(EACCES), kNoHandle;
    if (fail_step == Step::kCreateTemp) return Fail(ENOSPC), kNoHandle;
    std::string name = target + ".tmp" + std::to_string(next_handle_);
    files[name] = File{{}, 0600, false, false, 0, ++last_inode_};
    *temp_path = name;
    return OpenHandle(name);
  }

  bool SetOwnerAndMode(Handle h, const platform::TargetInfo& target) override {
    if (fail_step == Step::kSetMode) return Fail(EPERM);
    files[open_.at(h).path].mode = target.mode;
    return true;
  }

  bool Write(Handle h, std::span<const uint8_t> bytes) override {
    if (during_write) std::exchange(during_write, nullptr)();
    OpenFile& o = open_.at(h);
    File& f = files[o.path];
    if (fail_step == Step::kWrite) return Fail(EIO);
    // Overwriting takes no space; growing takes what is left.
    size_t overwrite = std::min(bytes.size(), f.bytes.size() - std::min(o.pos, f.bytes.size()));
    size_t room = disk_space > f.bytes.size() ? disk_space - f.bytes.size() : 0;
    size_t n = std::min(bytes.size(), overwrite + room);
    if (f.bytes.size() < o.pos + n) f.bytes.resize(o.pos + n);
    std::copy(bytes.begin(), bytes.begin() + n, f.bytes.begin() + o.pos);
    o.pos += n;
    return n == bytes.size() || Fail(ENOSPC);
  }

  bool Sync(Handle) override { return fail_step != Step::kSync || Fail(EIO); }

  bool Close(Handle h) override {
    open_.erase(h);
    return fail_step != Step::kClose || Fail(EIO);
  }

  bool Rename(const std::string& from, const std::string& to) override {
    if (fail_step == Step::kRename) return Fail(EXDEV);
    auto it = files.find(from);
    if (it == files.end()) return Fail(ENOENT);
    File moved = std::move(it->second);
    files.erase(it);
    auto old = files.find(to);
    moved.version = old == files.end() ? 1 : old->second.version + 1;
    files[to] = std::move(moved);
    ++replaces;
    return true;
  }

  bool RenameNoReplace(const std::string& from, const std::string& to) override {
    if (files.count(to) != 0) return Fail(EEXIST);
    return Rename(from, to);
  }

  bool Unlink(const std::string& path) override { return files.erase(path) != 0; }

  platform::EditLockOutcome TakeEditLock(const std::string& path, Handle* lock,
                                         platform::EditLockHolder* holder) override {
    if (no_locks) return platform::EditLockOutcome::kUnavailable;
    if (auto it = edit_locks.find(path); it != edit_locks.end()) {
      *holder = it->second;
      return platform::EditLockOutcome::kHeldElsewhere;
    }
    edit_locks[path] = platform::EditLockHolder{session.user, session.host, session.now};
    *lock = next_handle_;
    lock_paths_[next_handle_++] = path;
    return platform::EditLockOutcome::kTaken;
  }
  void ReleaseEditLock(Handle lock) override {
    edit_locks.erase(lock_paths_.at(lock));
    lock_paths_.erase(lock);
  }
  platform::Session CurrentSession() override { return session; }

  bool SyncDirectoryOf(const std::string&) override {
    return fail_step != Step::kSyncDir || Fail(EIO);
  }

  void RemoveStaleTemps(const std::string& target) override {
    const std::string prefix = target + ".tmp";
    for (auto it = files.begin(); it != files.end();) {
      bool held = locked.count(it->first) != 0;
      for (const auto& [h, o] : open_) held = held || o.path == it->first;
      if (it->first.compare(0, prefix.size(), prefix) == 0 && !held) {
        it = files.erase(it);
      } else {
        ++it;
      }
    }
  }

  Handle OpenExisting(const std::string& path) override {
    auto it = files.find(path);
    if (fail_step == Step::kOpenExisting || it == files.end()) return Fail(EACCES), kNoHandle;
    return OpenHandle(path);
  }

  bool Rewind(Handle h) override {
    open_.at(h).pos = 0;
    return true;
  }

  bool Truncate(Handle h, uint64_t size) override {
    if (fail_step == Step::kTruncate) return Fail(EIO);
    files[open_.at(h).path].bytes.resize(size);
    return true;
  }

  size_t OpenHandles() const { return open_.size(); }

 private:
  struct OpenFile {
    std::string path;
    size_t pos = 0;
  };

  bool Fail(int error) {
    last_error_ = error;
    return false;
  }
  Handle OpenHandle(const std::string& path) {
    open_[next_handle_] = OpenFile{path, 0};
    return next_handle_++;
  }

  Handle next_handle_ = 3;
  int last_error_ = 0;
  uint64_t last_inode_ = 0;
  std::map<Handle, OpenFile> open_;
  std::map<Handle, std::string> lock_paths_;
};

}  // namespace testing_fs
