// Drive letters and their kinds, as the cover-disc import asks for them.
//
// The import walks the letters D to Z and wants the first CD-ROM drive. Linux
// has no drive letters, so MountedDrives gives them: every optical medium in
// the system's mount table (file system "iso9660" or "udf", or a device
// "/dev/sr*") gets the next letter from D, in the order of the mount table.
// Letters beyond those name no drive. A drive's root directory is the mount
// point; files on it are found without regard to case, since Linux shows the
// plain ISO 9660 names of a disc in lower case.
//
// Tests give a FakeDrives instead: letters, kinds and root directories of
// their own.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The drive kinds the Windows drive-type query answers.
enum class DriveType : uint32_t {
  kUnknown = 0,
  kNoRootDir = 1,  // the letter names no drive
  kRemovable = 2,
  kFixed = 3,
  kRemote = 4,
  kCdrom = 5,
  kRamDisk = 6,
};

class IDriveTypes {
 public:
  virtual ~IDriveTypes() = default;
  // The kind of the drive whose root path is `root_path` (a letter and ":\").
  virtual DriveType GetDriveType(std::string_view root_path) const = 0;
  // The native directory that holds the root of drive `letter`; empty when the
  // letter names no drive.
  virtual std::string RootDirectory(char letter) const = 0;
};

// One optical medium of the mount table.
struct OpticalMount {
  std::string device;
  std::string mount_point;
  std::string fs_type;
};

// The optical media listed in a mount table in the form of /proc/self/mounts
// (device, mount point, type, ...; blanks in names written as \040), in table
// order. Lines that are not of that form are skipped.
std::vector<OpticalMount> OpticalMountsIn(std::string_view mount_table);

// The drives of the running system, read from the mount table at creation.
class MountedDrives : public IDriveTypes {
 public:
  explicit MountedDrives(const std::string& mount_table_path = "/proc/self/mounts");
  DriveType GetDriveType(std::string_view root_path) const override;
  std::string RootDirectory(char letter) const override;

 private:
  std::vector<OpticalMount> mounts_;
};

// Drives of a test: each letter with its kind and root directory.
class FakeDrives : public IDriveTypes {
 public:
  struct Drive {
    DriveType type = DriveType::kNoRootDir;
    std::string root;
  };
  std::map<char, Drive> drives;
  // Every root path asked, in order.
  mutable std::vector<std::string> asked;

  DriveType GetDriveType(std::string_view root_path) const override;
  std::string RootDirectory(char letter) const override;
};

// The name of the file in `directory` that equals `name` without regard to
// the case of the letters a to z, as a full native path; empty when there is
// none or the directory cannot be read.
std::string FindFileIgnoringCase(const std::string& directory, std::string_view name);

}  // namespace platform
