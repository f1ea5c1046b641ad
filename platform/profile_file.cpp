// Reading and writing profile files key by key (see profile_file.h).
//
// Sections:
//   - the line scanner shared by reading and writing;
//   - FindProfileValue / SetProfileValue, the text work;
//   - ProfileFiles, which adds the file and the settings directory;
//   - the settings directory and the process-wide real instance.
#include "platform/profile_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

// ---- Line scanner ----

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Case folding of a Windows-1252 byte: ASCII letters, the accented capitals
// 0xC0-0xDE (not 0xD7, the multiplication sign), and Š Œ Ž Ÿ.
unsigned char Fold(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 0x10);
  if (c == 0x9F) return 0xFF;
  return c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

enum class LineKind { kOther, kSection, kKey };

// One line of the file: its bytes without the line end, where it starts and
// where its line end ends, and what it holds.
struct Line {
  size_t begin = 0;
  size_t content_end = 0;  // before CR LF or LF
  size_t end = 0;          // after the line end
  LineKind kind = LineKind::kOther;
  std::string_view name;   // section or key name, trimmed
  size_t value_begin = 0;  // key lines: the byte after '='
};

Line ScanLine(std::string_view text, size_t pos) {
  Line line;
  line.begin = pos;
  size_t lf = text.find('\n', pos);
  line.end = lf == std::string_view::npos ? text.size() : lf + 1;
  line.content_end = lf == std::string_view::npos ? text.size() : lf;
  if (line.content_end > pos && text[line.content_end - 1] == '\r') --line.content_end;
  std::string_view content = text.substr(pos, line.content_end - pos);
  std::string_view trimmed = Trim(content);
  if (trimmed.empty() || trimmed.front() == ';') return line;
  if (trimmed.front() == '[') {
    size_t close = trimmed.rfind(']');
    if (close != std::string_view::npos) {
      line.kind = LineKind::kSection;
      line.name = Trim(trimmed.substr(1, close - 1));
      return line;
    }
  }
  size_t eq = content.find('=');
  if (eq == std::string_view::npos) return line;
  std::string_view key = Trim(content.substr(0, eq));
  if (key.empty()) return line;
  line.kind = LineKind::kKey;
  line.name = key;
  line.value_begin = pos + eq + 1;
  return line;
}

// Where a section and a key stand in the text.
struct Place {
  bool section_found = false;
  bool key_found = false;
  Line key_line;
  // The end of the section's last non-blank line (the header's when the
  // section has no other line), and whether that line has a line end.
  size_t insert_at = 0;
  bool insert_after_line_end = true;
};

Place Locate(std::string_view text, std::string_view section, std::string_view key) {
  Place place;
  section = Trim(section);
  key = Trim(key);
  bool inside = false;
  for (size_t pos = 0; pos < text.size();) {
    Line line = ScanLine(text, pos);
    pos = line.end;
    if (line.kind == LineKind::kSection) {
      if (inside) break;  // the section ended
      if (!place.section_found && SameName(line.name, section)) {
        place.section_found = true;
        inside = true;
        place.insert_at = line.end;
        place.insert_after_line_end = line.end > line.content_end;
      }
      continue;
    }
    if (!inside) continue;
    if (!Trim(text.substr(line.begin, line.content_end - line.begin)).empty()) {
      place.insert_at = line.end;
      place.insert_after_line_end = line.end > line.content_end;
    }
    if (line.kind == LineKind::kKey && !place.key_found && SameName(line.name, key)) {
      place.key_found = true;
      place.key_line = line;
    }
  }
  return place;
}

// The line end new lines get: the file's own when its first line has a bare
// LF, otherwise CR LF.
std::string_view LineEndOf(std::string_view text) {
  size_t lf = text.find('\n');
  if (lf != std::string_view::npos && (lf == 0 || text[lf - 1] != '\r')) return "\n";
  return "\r\n";
}

std::string OneLine(std::string_view value) {
  std::string out(value);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

}  // namespace

// ---- The text work ----

bool FindProfileValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string* value) {
  Place place = Locate(text, section, key);
  if (!place.key_found) return false;
  const Line& line = place.key_line;
  std::string_view v = Trim(text.substr(line.value_begin, line.content_end - line.value_begin));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  *value = std::string(v.substr(0, kProfileValueMax));
  return true;
}

std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
  const std::string_view eol = LineEndOf(text);
  const std::string one_line = OneLine(value);
  Place place = Locate(text, section, key);
  std::string out;
  out.reserve(text.size() + section.size() + key.size() + value.size() + 8);
  if (place.key_found) {
    // Everything up to '=' stays: the key keeps its spelling and its place.
    out.append(text.substr(0, place.key_line.value_begin));
    out.append(one_line);
    out.append(text.substr(place.key_line.content_end));
    return out;
  }
  if (place.section_found) {
    out.append(text.substr(0, place.insert_at));
    if (!place.insert_after_line_end) out.append(eol);
    out.append(key).append("=").append(one_line).append(eol);
    out.append(text.substr(place.insert_at));
    return out;
  }
  out.append(text);
  if (!out.empty() && out.back() != '\n') out.append(eol);
  out.append("[").append(section).append("]").append(eol);
  out.append(key).append("=").append(one_line).append(eol);
  return out;
}

// ---- Files ----

ProfileFiles::ProfileFiles(IFileSystem& fs, std::string settings_directory,
                           MakeDirectory make_directory)
    : fs_(fs),
      directory_(std::move(settings_directory)),
      make_directory_(std::move(make_directory)) {}

std::string ProfileFiles::PathOf(const std::string& file_name) const {
  if (file_name.find_first_of("/\\:") != std::string::npos) return file_name;
  if (directory_.empty()) return file_name;
  return directory_ + "/" + file_name;
}

std::string ProfileFiles::GetString(const std::string& file_name, std::string_view section,
                                    std::string_view key, std::string_view default_value) {
  std::vector<uint8_t> bytes;
  std::string value;
  if (!file_name.empty() && fs_.ReadFile(PathOf(file_name), &bytes) == ReadOutcome::kRead &&
      FindProfileValue(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                       section, key, &value)) {
    return value;
  }
  return std::string(Trim(default_value).substr(0, kProfileValueMax));
}

bool ProfileFiles::CanRead(const std::string& file_name) {
  std::vector<uint8_t> bytes;
  return !file_name.empty() && fs_.ReadFile(PathOf(file_name), &bytes) == ReadOutcome::kRead;
}

bool ProfileFiles::WriteString(const std::string& file_name, std::string_view section,
                               std::string_view key, std::string_view value) {
  if (file_name.empty() || Trim(section).empty() || Trim(key).empty()) return false;
  const std::string path = PathOf(file_name);
  std::vector<uint8_t> bytes;
  const ReadOutcome read = fs_.ReadFile(path, &bytes);
  if (read == ReadOutcome::kFailed) {
    // An existing file that cannot be read is not replaced: its other
    // sections would be lost.
    return false;
  }
  if (read == ReadOutcome::kMissing && make_directory_ && path != file_name &&
      !make_directory_(directory_)) {
    return false;
  }
  std::string text =
      SetProfileValue(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                      section, key, value);
  return fs_.WriteFileAtomic(
      path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

// ---- The settings directory ----

std::string SettingsDirectory(const GetEnvFunction& getenv) {
  const char* xdg = getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = getenv("HOME");
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config";
  return ".config";
}

namespace {

// mkdir -p; an existing directory is success.
bool MakeDirectories(const std::string& directory) {
  for (size_t slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
    std::string prefix = directory.substr(0, slash);
    if (!prefix.empty() && ::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st;
  return ::stat(directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

IProfileFiles& DefaultProfileFiles() {
  static ProfileFiles files(DefaultFileSystem(),
                            SettingsDirectory([](const char* name) { return std::getenv(name); }),
                            MakeDirectories);
  return files;
}

}  // namespace platform
