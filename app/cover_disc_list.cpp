// Drive scan, list composition and title of the cover-disc import.
#include "app/cover_disc_list.h"

#include <stdexcept>

#include "engine/cp1252.h"
#include "store/edition_registry.h"

namespace app {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Upper-cases the letters a to z only: other bytes of the code page stay.
std::string UpperAz(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// An edition's heading as record bytes; one the code page cannot write is
// refused rather than cut short.
std::string Cp1252(std::string_view utf8) {
  std::string bytes;
  if (engine::AppendUtf8AsCp1252(utf8, &bytes) != utf8.size()) {
    throw std::invalid_argument("the cover-disc heading \"" + std::string(utf8) +
                                "\" has no Windows-1252 form");
  }
  return bytes;
}

std::string HeadingLine(std::string_view heading, std::string_view issue, std::string_view year) {
  std::string line(heading);
  line.append(issue).append("-").append(year).append(":").append(kLineEnd);
  return line;
}

}  // namespace

CoverDiscHeadings CoverDiscHeadingsOf(int32_t sprog) {
  const store::Edition* e = store::FindEdition(sprog);
  if (e == nullptr) {
    throw std::invalid_argument("no edition has the code " + std::to_string(sprog));
  }
  return {Cp1252(e->cover_disc.programs), Cp1252(e->cover_disc.also)};
}

char FindCdromLetter(const platform::IDriveTypes& drives) {
  char letter = 'D';
  for (; letter <= 'Z'; ++letter) {
    const char root[] = {letter, ':', '\\', '\0'};
    if (drives.GetDriveType(root) == platform::DriveType::kCdrom) break;
  }
  return letter;  // one past Z when none answered
}

std::string CoverDiscText(const ListReader& read, const CoverDiscHeadings& headings,
                          std::string_view issue, std::string_view year) {
  std::string programs = HeadingLine(headings.programs, issue, year);
  std::string also = HeadingLine(headings.also, issue, year);
  for (int n = kFirstListSection; n <= kLastListSection; ++n) {
    const std::string section = "V" + std::to_string(n);
    const std::string titel = read(section, "Titel");
    if (titel.empty()) continue;
    std::string& list = UpperAz(read(section, "VProgram")) == "JA" ? programs : also;
    list.append(titel).append(kLineEnd);
  }
  return programs + std::string(kLineEnd) + also;
}

std::string CoverDiscTitle(std::string_view issue, std::string_view year) {
  // std::string_view compares as unsigned bytes (char_traits<char>::compare
  // is memcmp-like), the shorter first on a common beginning.
  std::string title = "V-CD ";
  if (!(issue > std::string_view("9"))) title += ' ';
  title.append(issue).append("-").append(year);
  return title;
}

}  // namespace app
