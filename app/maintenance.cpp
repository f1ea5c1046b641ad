// The hidden maintenance commands of the main window: the new-record defaults
// taken from the search choices, new record, delete after a question, the two
// text clean-ups and the empty "Decap". The cover-disc import is in
// cover_disc_import.cpp. Texts shown here are Danish in every edition.
//
// The reader's program never shows the buttons; the editor build
// (editor_configuration.cpp) does.
#include <QPushButton>

#include "app/error_display.h"
#include "app/indeks_base.h"
#include "app/text_cleanup.h"
#include "app/window_inputs.h"
#include "store/variant.h"

namespace app {
namespace {

constexpr char kDeleteQuestion[] = "Vil du slette den aktuelle post?";
constexpr char kDeleteCaption[] = "Slet post?";

// The shared real drive table, read from the mount table on first use.
const platform::IDriveTypes& SystemDrives() {
  static const platform::MountedDrives drives;
  return drives;
}

}  // namespace

void TVRegister::ConnectMaintenance() {
  question_box_ = MessageBoxQuestion(this);
  ArtikelData->OnNewRecord = [this](store::TArtikelData& ds) { ArtikelDataNewRecord(ds); };
  const std::pair<const char*, void (TVRegister::*)()> buttons[] = {
      {"NyPostClick", &TVRegister::NyPostClick}, {"SletPostClick", &TVRegister::SletPostClick},
      {"RydOpClick", &TVRegister::RydOpClick},   {"RydOp2Click", &TVRegister::RydOp2Click},
      {"DecapClick", &TVRegister::DecapClick},   {"HentVClick", &TVRegister::HentVClick},
  };
  for (const auto& [name, handler] : buttons) {
    ConnectHandler(name,
                   [this, handler = handler](QObject*) { Guard([&] { (this->*handler)(); }); });
  }
}

const platform::IDriveTypes& TVRegister::Drives() const {
  return drives_ != nullptr ? *drives_ : SystemDrives();
}

void TVRegister::ArtikelDataNewRecord(store::TArtikelData& data_set) {
  // A list on "all" sets no value. The comparison is with the edition's own
  // "all" word (Edition::alle_ord), which need not be the Danish one: no
  // edition's list on its "all" may store that word as the category.
  const std::string& all = EditionAllWord(*this);
  // Year and issue: an unusable text (letters, an "all" word of another
  // edition) leaves the field empty without a message.
  try {
    std::string year = ShownText(*AargangEdit);
    if (year != all) {
      data_set.FieldByName("AARGANG").SetAsInteger(store::Variant(year).AsInteger());
    }
  } catch (const std::exception&) {
  }
  try {
    std::string issue = ShownText(*NummerEdit);
    if (issue != all) {
      data_set.FieldByName("NUMMER").SetAsInteger(store::Variant(issue).AsInteger());
    }
  } catch (const std::exception&) {
  }
  // Category and pages: an error here aborts the insert.
  std::string category = ShownText(*KategoriValg);
  if (category != all) data_set.FieldByName("KATEGORI").SetAsString(category);
  // A new record starts as a one-page article on the page shown.
  std::string page = SpinEditText(*StartSideEdit);
  data_set.FieldByName("STARTSIDE").SetAsString(page);
  data_set.FieldByName("SLUTSIDE").SetAsString(page);
}

void TVRegister::NyPostClick() {
  // The record stays pending; it is posted or dropped when the table next
  // ends an edit.
  ArtikelData->Insert();
}

void TVRegister::SletPostClick() {
  if (!question_box_(kDeleteQuestion, kDeleteCaption)) return;
  // Nothing to delete (an empty view) is no error worth a message.
  try {
    ArtikelData->Delete();
  } catch (const std::exception&) {
  }
}

void TVRegister::RydOpClick() {
  std::string tekst = JoinLines(ArtikelData->FieldByName("TEKST").AsString());
  ArtikelData->Edit();
  ArtikelData->FieldByName("TEKST").SetAsString(TrimEnd(tekst));
  // A title that holds no value cannot be read as text: the error stops here
  // and the cleaned text stays assigned, unposted.
  std::string titel = ArtikelData->FieldByName("TITEL").AsVariant().AsString();
  ArtikelData->FieldByName("TITEL").SetAsString(TrimEnd(JoinLines(titel)));
  ArtikelData->Post();
}

void TVRegister::RydOp2Click() {
  std::string keywords = JoinLines(ArtikelData->FieldByName("VPROGRAMMER").AsString());
  ArtikelData->Edit();
  ArtikelData->FieldByName("VPROGRAMMER").SetAsString(TrimEnd(keywords));
  ArtikelData->Post();
}

void TVRegister::DecapClick() {}

}  // namespace app
