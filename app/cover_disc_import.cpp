// HentVClick: builds the record of a cover disc from the list file "V.DTX" in
// the root directory of the first CD-ROM drive from D to Z and posts it.
//
// Unlike a silent import of nothing, a missing drive or an unreadable list
// file is said in Danish, like the other maintenance texts, and nothing is
// inserted; a readable list file without entries still gives the record with
// its two headings.
#include "app/cover_disc_list.h"
#include "app/indeks_base.h"
#include "app/window_inputs.h"
#include "platform/drive_types.h"
#include "store/db_error.h"

namespace app {
namespace {

constexpr char kListFileName[] = "V.DTX";
constexpr char kNoDrive[] = "Der er intet cd-rom-drev, s\xE5 der er ingen programliste at hente.";
constexpr char kUnreadableList[] = "Programlisten %s kan ikke l\xE6ses.";

std::string Format(const char* pattern, const std::string& value) {
  std::string text(pattern);
  text.replace(text.find("%s"), 2, value);
  return text;
}

}  // namespace

void TVRegister::HentVClick() {
  const char letter = FindCdromLetter(Drives());
  if (letter == kNoCdromLetter) throw store::Exception(kNoDrive);
  // Messages name the file by its drive letter; the file itself is found in
  // the drive's root directory whatever case the system shows its name in.
  const std::string shown_path = std::string(1, letter) + ":\\" + kListFileName;
  const std::string path =
      platform::FindFileIgnoringCase(Drives().RootDirectory(letter), kListFileName);
  // The profile services read a missing or unreadable file as empty; a
  // failed read is told apart here, before anything is inserted.
  if (path.empty() || !profiles_.CanRead(path)) {
    throw store::Exception(Format(kUnreadableList, shown_path));
  }

  const ListReader read = [&](const std::string& section, const std::string& key) {
    return profiles_.GetString(path, section, key, "");
  };
  const std::string issue = ShownText(*NummerEdit);
  const std::string year = ShownText(*AargangEdit);
  const std::string tekst = CoverDiscText(read, EditionCoverDiscHeadings(*this), issue, year);

  ArtikelData->Insert();
  ArtikelData->FieldByName("TEKST").SetAsString(tekst);
  ArtikelData->FieldByName("TITEL").SetAsString(CoverDiscTitle(issue, year));
  ArtikelData->FieldByName("STARTSIDE").SetAsInteger(0);
  ArtikelData->FieldByName("SLUTSIDE").SetAsInteger(0);
  ArtikelData->Post();
}

}  // namespace app
