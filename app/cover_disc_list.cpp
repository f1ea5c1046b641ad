// Drive scan, list composition and title of the cover-disc import.
#include "app/cover_disc_list.h"

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

std::string HeadingLine(std::string_view heading, std::string_view issue, std::string_view year) {
  std::string line(heading);
  line.append(issue).append("-").append(year).append(":").append(kLineEnd);
  return line;
}

}  // namespace

CoverDiscHeadings CoverDiscHeadingsOf(int32_t sprog) {
  for (const CoverDiscHeadingRow& row : kCoverDiscHeadings) {
    if (row.sprog == sprog) return row.headings;
  }
  return kCoverDiscHeadings[0].headings;
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
