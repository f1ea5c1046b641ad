// File versions, the comparison with the disk and the guarded replace (see
// file_version.h).
#include "platform/file_version.h"

#include <cstring>
#include <vector>

#include "platform/run_both.h"

namespace platform {

namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;

uint64_t Rotate(uint64_t x, int bits) { return (x << bits) | (x >> (64 - bits)); }

uint64_t Load(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

uint64_t Round(uint64_t acc, uint64_t lane) { return Rotate(acc + lane * kPrime2, 31) * kPrime1; }

uint64_t Mix(uint64_t h) {
  h ^= h >> 33;
  h *= kPrime2;
  h ^= h >> 29;
  h *= kPrime3;
  return h ^ (h >> 32);
}

uint64_t HashPiece(std::span<const uint8_t> bytes) {
  // Four independent lanes of eight bytes keep the multiplier busy: the hash
  // costs a small part of the read it follows.
  const uint8_t* p = bytes.data();
  size_t n = bytes.size();
  uint64_t lanes[4] = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
  while (n >= 32) {
    for (int i = 0; i < 4; ++i) lanes[i] = Round(lanes[i], Load(p + 8 * i));
    p += 32;
    n -= 32;
  }
  uint64_t h = Rotate(lanes[0], 1) + Rotate(lanes[1], 7) + Rotate(lanes[2], 12) +
               Rotate(lanes[3], 18) + bytes.size() * kPrime3;
  while (n >= 8) {
    h = Rotate(h ^ Round(0, Load(p)), 27) * kPrime1 + kPrime3;
    p += 8;
    n -= 8;
  }
  while (n > 0) {
    h = Rotate(h ^ (*p * kPrime3), 11) * kPrime1;
    ++p;
    --n;
  }
  return Mix(h);
}

}  // namespace

uint64_t HashBytes(std::span<const uint8_t> bytes, HashThreads threads) {
  if (bytes.size() < kHashAsideBytes) return HashPiece(bytes);
  const size_t half = bytes.size() / 2;
  uint64_t first = 0, second = 0;
  RunBoth(
      threads == HashThreads::kTwo, [&] { first = HashPiece(bytes.first(half)); },
      [&] { second = HashPiece(bytes.subspan(half)); });
  return Mix(Round(first, second) ^ bytes.size());
}

FileVersion VersionOfRead(const FileIdentity* identity, std::span<const uint8_t> bytes,
                          HashThreads threads) {
  FileVersion v;
  v.present = true;
  // An identity taken of another size than was read belongs to a file that
  // changed during the read; only the hash then speaks for what was read.
  v.identified = identity != nullptr && identity->size == bytes.size();
  if (v.identified) v.identity = *identity;
  v.size = bytes.size();
  v.hash = HashBytes(bytes, threads);
  return v;
}

FileVersion AbsentVersion() { return FileVersion(); }

bool TakeVersion(IFileSystem& fs, const std::string& path, FileVersion* version) {
  FileIdentity id;
  const bool identified = fs.Identify(path, &id);
  std::vector<uint8_t> bytes;
  switch (fs.ReadFile(path, &bytes)) {
    case ReadOutcome::kRead:
      *version = VersionOfRead(identified ? &id : nullptr, bytes);
      return true;
    case ReadOutcome::kMissing:
      *version = AbsentVersion();
      return true;
    case ReadOutcome::kFailed:
      break;
  }
  return false;
}

FileChange CompareWithDisk(IFileSystem& fs, const std::string& path, const FileVersion& was) {
  FileIdentity now;
  const bool there = fs.Identify(path, &now);
  if (!was.present) {
    // Not even a file of zero bytes was there: anything that now reads is new.
    std::vector<uint8_t> bytes;
    return there || fs.ReadFile(path, &bytes) != ReadOutcome::kMissing ? FileChange::kCreated
                                                                       : FileChange::kUnchanged;
  }
  if (there && was.identified && now == was.identity) return FileChange::kUnchanged;
  std::vector<uint8_t> bytes;
  if (fs.ReadFile(path, &bytes) != ReadOutcome::kRead) {
    // Removed, or something that is no regular file (or cannot be read, which
    // a write could not make right either).
    return there ? FileChange::kChanged : FileChange::kGone;
  }
  if (bytes.size() == was.size && HashBytes(bytes) == was.hash) return FileChange::kUnchanged;
  const bool same_file = there && was.identified && now.device == was.identity.device &&
                         now.inode == was.identity.inode;
  return same_file || !was.identified ? FileChange::kChanged : FileChange::kReplaced;
}

std::string ConflictCopyName(const std::string& target, const std::string& word,
                             const std::string& time_text, int attempt) {
  const size_t sep = target.find_last_of("/\\");
  const size_t base = sep == std::string::npos ? 0 : sep + 1;
  size_t dot = target.rfind('.');
  // A name's leading dot starts no extension.
  if (dot == std::string::npos || dot <= base) dot = target.size();
  std::string name = target.substr(0, dot) + " (" + word + " " + time_text;
  if (attempt > 1) name += " " + std::to_string(attempt);
  return name + ")" + target.substr(dot);
}

GuardedWriteResult WriteUnlessChanged(IFileSystem& fs, const std::string& path,
                                      std::span<const uint8_t> bytes, const FileVersion& was,
                                      const std::string& word) {
  GuardedWriteResult result;
  const std::string time_text = LocalTimeText(fs.CurrentSession().now, '.');
  ReplaceGuard guard;
  guard.target_unchanged = [&] {
    result.change = CompareWithDisk(fs, path, was);
    return result.change == FileChange::kUnchanged;
  };
  guard.copy_name = [&](const std::string& target, int attempt) {
    return ConflictCopyName(target, word, time_text, attempt);
  };
  result.outcome = fs.WriteFileGuarded(path, bytes, guard, &result.written_to, &result.reason);
  if (result.outcome == WriteOutcome::kFailed && result.change != FileChange::kUnchanged) {
    // The copy that failed: the name of the first try, for the message.
    if (result.written_to.empty()) result.written_to = ConflictCopyName(path, word, time_text, 1);
  }
  return result;
}

}  // namespace platform
