// Initialisation ("profile") files of the Windows kind: "[Section]" lines and
// "key=value" lines, read and written one key at a time the way the Windows
// private-profile services do. Used for the settings file "VDatabase.ini" and
// for reading the cover-disc list file "V.DTX".
//
// Reading (GetString):
//   - section and key names match without regard to case (ASCII and the
//     Windows-1252 letters, so "HØJDE" finds "Højde");
//   - blanks and tabs around names and values are dropped, then one pair of
//     enclosing quotes (both " or both ') is removed from the value;
//   - a value arrives cut to kProfileValueMax bytes, as from a 2048-byte buffer;
//   - the first section of a name and the first key of a name within it count;
//     a line before any section, a line starting with ';' (a comment) and a line
//     without '=' name no key; a missing file, section or key gives the default.
// Writing (WriteString):
//   - the file is read afresh, changed in memory and replaced as a whole by one
//     atomic write (IFileSystem::WriteFileAtomic), so a failure leaves the old
//     file; false means the write was refused;
//   - an existing key keeps its line and its spelling, only the value after
//     '=' changes; a new key goes after the last non-blank line of its section;
//     a new section goes at the end of the file; every other byte (other
//     sections, keys, comments, blank lines, CR LF or LF line ends,
//     Windows-1252 bytes) stays as it was; the file is created on first write.
//   - a line break inside a value would start a new line of the file (a new
//     key or section on the next read), so CR and LF in a value are written as
//     blanks.
// Text is bytes: Windows-1252, passed through unchanged.
//
// A file name without a directory ("VDatabase.ini") names a file in the
// settings directory, the stand-in for the Windows directory; a name with a
// directory ("D:\V.DTX", "/media/cdrom/V.DTX") is used as it stands.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace platform {

// The longest value a read returns (a 2048-byte buffer less its terminator).
inline constexpr size_t kProfileValueMax = 2047;

class IProfileFiles {
 public:
  virtual ~IProfileFiles() = default;
  virtual std::string GetString(const std::string& file_name, std::string_view section,
                                std::string_view key, std::string_view default_value) = 0;
  // False when the file could not be written (nothing changed then).
  virtual bool WriteString(const std::string& file_name, std::string_view section,
                           std::string_view key, std::string_view value) = 0;
  // Whether the file is there and can be read: reads give the defaults both
  // for a missing file and for one that cannot be read, and a caller that
  // must tell these apart from an empty file asks first.
  virtual bool CanRead(const std::string& file_name) = 0;
};

// Profile files kept by an IFileSystem.
class ProfileFiles : public IProfileFiles {
 public:
  // Creates the settings directory (and its parents) before a write; false
  // when it cannot. The default does nothing, for file systems without
  // directories such as the tests' fake.
  using MakeDirectory = std::function<bool(const std::string& directory)>;

  ProfileFiles(IFileSystem& fs, std::string settings_directory,
               MakeDirectory make_directory = nullptr);

  std::string GetString(const std::string& file_name, std::string_view section,
                        std::string_view key, std::string_view default_value) override;
  bool WriteString(const std::string& file_name, std::string_view section, std::string_view key,
                   std::string_view value) override;
  bool CanRead(const std::string& file_name) override;

  // Where a file of this name is kept.
  std::string PathOf(const std::string& file_name) const;

 private:
  IFileSystem& fs_;
  std::string directory_;
  MakeDirectory make_directory_;
};

// The pure text work behind ProfileFiles, open to tests.
// The value of `key` in `section` of `text`, or false when there is none.
bool FindProfileValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string* value);
// `text` with `key` in `section` set to `value`.
std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

// The settings directory: $XDG_CONFIG_HOME when it is an absolute path, else
// $HOME/.config, else ".config" in the working directory. `getenv` is
// replaceable for tests.
using GetEnvFunction = std::function<const char*(const char*)>;
std::string SettingsDirectory(const GetEnvFunction& getenv);

// The real profile files: the real file system and the settings directory of
// the process environment, created on the first write.
IProfileFiles& DefaultProfileFiles();

}  // namespace platform
