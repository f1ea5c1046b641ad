// Drive letters from the mount table: which entries are optical media, the
// letters from D in table order, the names with escaped blanks, and finding
// the list file without regard to case.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/drive_types.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr char kMounts[] =
    "sysfs /sys sysfs rw,nosuid 0 0\n"
    "/dev/sda1 / ext4 rw,relatime 0 0\n"
    "/dev/sr0 /media/cdrom iso9660 ro,nosuid 0 0\n"
    "/dev/loop3 /mnt/V\\040CD udf ro 0 0\n"
    "garbage\n"
    "/dev/sr1 /media/odd auto ro 0 0\n"
    "\n"
    "server:/export /net nfs rw 0 0\n";

TEST(DriveTypes, OpticalMediaOfTheMountTableInOrder) {
  auto mounts = OpticalMountsIn(kMounts);
  ASSERT_EQ(mounts.size(), 3u);
  EXPECT_EQ(mounts[0].mount_point, "/media/cdrom");
  EXPECT_EQ(mounts[1].mount_point, "/mnt/V CD");  // \040 is a blank
  EXPECT_EQ(mounts[1].fs_type, "udf");
  EXPECT_EQ(mounts[2].device, "/dev/sr1");  // a CD-ROM device, whatever its file system
  EXPECT_TRUE(OpticalMountsIn("").empty());
}

TEST(DriveTypes, LettersFromDInMountOrder) {
  fs::path table = fs::temp_directory_path() / ("vr_mounts_" + std::to_string(::getpid()));
  std::ofstream(table) << kMounts;
  MountedDrives drives(table.string());
  fs::remove(table);
  const struct {
    const char* root;
    DriveType type;
    std::string directory;
  } cases[] = {
      {"C:\\", DriveType::kNoRootDir, ""},      {"D:\\", DriveType::kCdrom, "/media/cdrom"},
      {"e:\\", DriveType::kCdrom, "/mnt/V CD"}, {"F:\\", DriveType::kCdrom, "/media/odd"},
      {"G:\\", DriveType::kNoRootDir, ""},      {"Z:\\", DriveType::kNoRootDir, ""},
      {"[:\\", DriveType::kNoRootDir, ""},      {"", DriveType::kNoRootDir, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(drives.GetDriveType(c.root), c.type) << c.root;
    if (c.root[0] != '\0') {
      EXPECT_EQ(drives.RootDirectory(c.root[0]), c.directory) << c.root;
    }
  }
  // No mount table at all: no drives.
  MountedDrives none("/nonexistent/mounts");
  EXPECT_EQ(none.GetDriveType("D:\\"), DriveType::kNoRootDir);
}

TEST(DriveTypes, MoreMediaThanLettersStopAtZ) {
  std::string table;
  for (int i = 0; i < 30; ++i)
    table += "/dev/sr" + std::to_string(i) + " /m" + std::to_string(i) + " iso9660 ro 0 0\n";
  fs::path path = fs::temp_directory_path() / ("vr_mounts_many_" + std::to_string(::getpid()));
  std::ofstream(path) << table;
  MountedDrives drives(path.string());
  fs::remove(path);
  EXPECT_EQ(drives.RootDirectory('Z'), "/m22");
  EXPECT_EQ(drives.GetDriveType("Z:\\"), DriveType::kCdrom);
  EXPECT_EQ(drives.RootDirectory('['), "");
}

TEST(DriveTypes, FindsAFileWithoutRegardToCase) {
  fs::path dir = fs::temp_directory_path() / ("vr_disc_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "v.dtx") << "[V1]\n";
  std::ofstream(dir / "v.dtx.bak") << "";
  EXPECT_EQ(FindFileIgnoringCase(dir.string(), "V.DTX"), (dir / "v.dtx").string());
  EXPECT_EQ(FindFileIgnoringCase(dir.string(), "V.DT"), "");
  EXPECT_EQ(FindFileIgnoringCase((dir / "missing").string(), "V.DTX"), "");
  EXPECT_EQ(FindFileIgnoringCase("", "V.DTX"), "");
  fs::remove_all(dir);
}

TEST(DriveTypes, FakeAnswersItsOwnDrivesAndRecordsTheQuestions) {
  FakeDrives drives;
  drives.drives['E'] = {DriveType::kCdrom, "/e"};
  EXPECT_EQ(drives.GetDriveType("E:\\"), DriveType::kCdrom);
  EXPECT_EQ(drives.GetDriveType("F:\\"), DriveType::kNoRootDir);
  EXPECT_EQ(drives.RootDirectory('e'), "/e");
  EXPECT_EQ(drives.asked, (std::vector<std::string>{"E:\\", "F:\\"}));
}

}  // namespace
}  // namespace platform
