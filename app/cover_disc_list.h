// The record that the cover-disc import builds: the drive scan, the two
// headed lists of the disc's list file "V.DTX" and the title of the disc.
//
// Pure functions over small accessors (the drive table, a reader of the list
// file's values), so that the window's handler only wires them to the table.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/drive_types.h"

namespace app {

// The letter after Z: the scan's result when no letter from D to Z is a
// CD-ROM drive. It names no drive.
inline constexpr char kNoCdromLetter = '[';
inline constexpr int kFirstListSection = 1;
inline constexpr int kLastListSection = 70;

// Asks the drive type of "D:\" to "Z:\" in turn and gives the first CD-ROM
// drive's letter, or kNoCdromLetter.
char FindCdromLetter(const platform::IDriveTypes& drives);

// Reads one value of the list file: (section, key) -> text, empty when
// missing.
using ListReader = std::function<std::string(const std::string& section, const std::string& key)>;

struct CoverDiscHeadings {
  std::string programs;  // heading of list 1, ends in a blank
  std::string also;      // heading of list 2, ends in a blank
};

// The headings of an edition (its Edition::cover_disc) in Windows-1252, as
// they go into the record. Throws std::invalid_argument for a code no edition
// has.
CoverDiscHeadings CoverDiscHeadingsOf(int32_t sprog);

// The record's text: list 1 (entries whose "VProgram" is "JA" in any case of
// a to z), CR LF, list 2; sections "V1" to "V70" in number order, entries
// with an empty "Titel" skipped. Every line ends in CR LF.
std::string CoverDiscText(const ListReader& read, const CoverDiscHeadings& headings,
                          std::string_view issue, std::string_view year);

// "V-CD " + one more blank unless the issue sorts after "9" byte-wise +
// issue + "-" + year.
std::string CoverDiscTitle(std::string_view issue, std::string_view year);

}  // namespace app
