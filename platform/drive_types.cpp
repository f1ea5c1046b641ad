// Drive letters for optical media from the mount table; the fake's lookups;
// finding a file without regard to case.
#include "platform/drive_types.h"

#include <dirent.h>

#include <fstream>
#include <sstream>

namespace platform {
namespace {

constexpr char kFirstLetter = 'D';
constexpr char kLastLetter = 'Z';

// Undoes the octal escapes (\040, \011, \012, \134) of a mount table field.
std::string Unescape(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

bool IsOptical(const OpticalMount& m) {
  return m.fs_type == "iso9660" || m.fs_type == "udf" || m.device.rfind("/dev/sr", 0) == 0;
}

// The letter of a root path ("e:\" -> 'E'); 0 when it is not one.
char LetterOf(std::string_view root_path) {
  if (root_path.size() < 2 || root_path[1] != ':') return 0;
  char c = root_path[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return c >= 'A' && c <= 'Z' ? c : 0;
}

char FoldAz(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::vector<OpticalMount> OpticalMountsIn(std::string_view mount_table) {
  std::vector<OpticalMount> out;
  size_t start = 0;
  while (start < mount_table.size()) {
    size_t end = mount_table.find('\n', start);
    if (end == std::string_view::npos) end = mount_table.size();
    std::istringstream line(std::string(mount_table.substr(start, end - start)));
    start = end + 1;
    std::string device, mount_point, fs_type;
    if (!(line >> device >> mount_point >> fs_type)) continue;
    OpticalMount m{Unescape(device), Unescape(mount_point), fs_type};
    if (IsOptical(m)) out.push_back(std::move(m));
  }
  return out;
}

MountedDrives::MountedDrives(const std::string& mount_table_path) {
  std::ifstream in(mount_table_path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  mounts_ = OpticalMountsIn(text.str());
  constexpr size_t kLetters = kLastLetter - kFirstLetter + 1;
  if (mounts_.size() > kLetters) mounts_.resize(kLetters);
}

DriveType MountedDrives::GetDriveType(std::string_view root_path) const {
  return RootDirectory(LetterOf(root_path)).empty() ? DriveType::kNoRootDir : DriveType::kCdrom;
}

std::string MountedDrives::RootDirectory(char letter) const {
  letter = FoldAz(letter);
  if (letter < kFirstLetter || letter > kLastLetter) return {};
  size_t index = static_cast<size_t>(letter - kFirstLetter);
  return index < mounts_.size() ? mounts_[index].mount_point : std::string();
}

DriveType FakeDrives::GetDriveType(std::string_view root_path) const {
  asked.emplace_back(root_path);
  auto it = drives.find(LetterOf(root_path));
  return it == drives.end() ? DriveType::kNoRootDir : it->second.type;
}

std::string FakeDrives::RootDirectory(char letter) const {
  auto it = drives.find(FoldAz(letter));
  return it == drives.end() ? std::string() : it->second.root;
}

std::string FindFileIgnoringCase(const std::string& directory, std::string_view name) {
  if (directory.empty()) return {};
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return {};
  std::string found;
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view candidate(entry->d_name);
    if (candidate.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) same = FoldAz(candidate[i]) == FoldAz(name[i]);
    if (same) {
      found = directory + (directory.back() == '/' ? "" : "/") + std::string(candidate);
      break;
    }
  }
  ::closedir(dir);
  return found;
}

}  // namespace platform
