// FakeFileSystem: an in-memory platform::IFileSystem for the table's tests.
//
// Files are byte vectors with a permission mode, an immutable flag and a
// modification counter (bumped by every replace), so tests can check that a
// file was or was not rewritten. Each low-level step of the atomic write can be
// made to fail once or always (`fail_step`), a path can be made unreadable, and
// a write can be cut short as on a full disk (`disk_space`).
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace testing_fs {

enum class Step { kNone, kQuery, kCreateTemp, kSetMode, kWrite, kSync, kClose, kRename, kSyncDir };

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
  Step fail_step = Step::kNone;
  size_t disk_space = SIZE_MAX;  // bytes a write may store before "no space"
  int replaces = 0;              // successful renames
  int reads = 0;

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

  bool Exists(const std::string& path) override { return files.count(path) != 0; }

  bool ReadAll(const std::string& path, std::vector<uint8_t>* bytes) override {
    bytes->clear();
    ++reads;
    auto it = files.find(path);
    if (it == files.end() || unreadable.count(path) || it->second.directory) return false;
    *bytes = it->second.bytes;
    return true;
  }

  bool Identify(const std::string& path, platform::FileIdentity* id) override {
    auto it = files.find(path);
    if (it == files.end() || it->second.directory || unreadable.count(path)) return false;
    *id = platform::FileIdentity{1, it->second.inode, it->second.bytes.size(), it->second.version,
                                 it->second.version};
    return true;
  }

  bool QueryTarget(const std::string& path, platform::TargetInfo* info) override {
    if (fail_step == Step::kQuery) return false;
    *info = platform::TargetInfo();
    auto it = files.find(path);
    if (it == files.end()) return true;
    info->exists = true;
    info->regular = !it->second.directory;
    info->owner_writable = (it->second.mode & 0200) != 0;
    info->immutable = it->second.immutable;
    info->mode = it->second.mode;
    return true;
  }

  uint32_t DefaultMode() override { return 0644; }

  Handle CreateTemp(const std::string& target, std::string* temp_path) override {
    if (fail_step == Step::kCreateTemp) return kNoHandle;
    std::string name = target + ".tmp" + std::to_string(next_handle_);
    files[name] = File{{}, 0600, false, false, 0, ++last_inode_};
    open_[next_handle_] = name;
    *temp_path = name;
    return next_handle_++;
  }

  bool SetMode(Handle h, uint32_t mode) override {
    if (fail_step == Step::kSetMode) return false;
    files[open_.at(h)].mode = mode;
    return true;
  }

  bool Write(Handle h, std::span<const uint8_t> bytes) override {
    File& f = files[open_.at(h)];
    if (fail_step == Step::kWrite) return false;
    size_t room = disk_space > f.bytes.size() ? disk_space - f.bytes.size() : 0;
    size_t n = std::min(room, bytes.size());
    f.bytes.insert(f.bytes.end(), bytes.begin(), bytes.begin() + n);
    return n == bytes.size();
  }

  bool Sync(Handle) override { return fail_step != Step::kSync; }

  bool Close(Handle h) override {
    open_.erase(h);
    return fail_step != Step::kClose;
  }

  bool Rename(const std::string& from, const std::string& to) override {
    if (fail_step == Step::kRename) return false;
    auto it = files.find(from);
    if (it == files.end()) return false;
    File moved = std::move(it->second);
    files.erase(it);
    auto old = files.find(to);
    moved.version = old == files.end() ? 1 : old->second.version + 1;
    files[to] = std::move(moved);
    ++replaces;
    return true;
  }

  bool Unlink(const std::string& path) override { return files.erase(path) != 0; }

  bool SyncDirectoryOf(const std::string&) override { return fail_step != Step::kSyncDir; }

  size_t OpenHandles() const { return open_.size(); }

 private:
  Handle next_handle_ = 3;
  uint64_t last_inode_ = 0;
  std::map<Handle, std::string> open_;
};

}  // namespace testing_fs
