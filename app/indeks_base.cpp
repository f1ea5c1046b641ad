// The main window's handlers: start-up (edition, reader configuration,
// reopening the table on the edition's data file), the page count, and the two
// ways out.
#include "app/indeks_base.h"

#include <QApplication>
#include <QCoreApplication>

#include "app/error_display.h"
#include "store/db_error.h"

namespace app {

int32_t Sprog = 0;
std::string AlleOrd;

std::string EditionFileName(int32_t sprog) {
  switch (sprog) {
    case 20:
      return "./BaseNo.xml";
    case 29:
      return "./BaseSv.xml";
    case 11:
      return "./BaseFi.xml";
    default:
      return "./Base.xml";
  }
}

TVRegister::TVRegister(const platform::ILocale& locale, platform::IFileSystem& fs, QWidget* parent)
    : ui::TVRegisterForm(fs, parent), locale_(locale) {
  ArtikelData->OnCalcFields = [this](store::TArtikelData& ds) { ArtikelDataCalcFields(ds); };
  ArtikelGrid->SetErrorHandler([](std::exception_ptr e) { ShowException(e); });
  ConnectHandler("AfslutClick", [this](QObject*) { Guard([this] { AfslutClick(); }); });
  // The definition is loaded: the table opens, then the creation handler runs.
  Guard([this] { ArtikelData->Open(); });
  Guard([this] { FormCreate(); });
}

TVRegister::~TVRegister() {
  // Destroying the window closes the table, which writes changed data back.
  Guard([this] { CloseTable(); });
}

void TVRegister::FormCreate() {
  // 1. Edition from the system language.
  uint32_t lcid = locale_.ThreadLocaleId();
  Sprog = (lcid & 0xFFFF) == 0 ? 9 : static_cast<int32_t>(lcid & 0x3FF);
  if (Sprog != 6 && Sprog != 20 && Sprog != 29 && Sprog != 11) Sprog = 6;
  AlleOrd = Sprog == 11 ? "Kaikki" : Sprog == 29 ? "Alla" : "Alle";

  // 2. Reader configuration: nothing can be typed into the data views, and
  // the editing aids are hidden.
  ArtikelGrid->SetReadOnly(true);
  Manchet->setReadOnly(true);
  VProgrammer->setReadOnly(true);
  KeyLabel->hide();
  VProgrammer->hide();
  ArtikelGrid->SetColumnVisible(ui::kColSlut, false);
  ArtikelGrid->SetColumnVisible(ui::kColSideantal, true);
  StartSideEdit->hide();
  SideLabel->hide();
  NytSprog->hide();

  // 3. Apply the edition.
  SaetSprog();
}

void TVRegister::SaetSprog() {
  if (Sprog == 6 || Sprog == 20 || Sprog == 29 || Sprog == 11) {
    AlleOrd = Sprog == 11 ? "Kaikki" : Sprog == 29 ? "Alla" : "Alle";
    ArtikelData->Close();
    ArtikelData->SetFileName(EditionFileName(Sprog));
    ArtikelData->Open();
  }
}

void TVRegister::ArtikelDataCalcFields(store::TArtikelData& data_set) {
  // The page count; a cover disc has none. Missing page numbers make the
  // subtraction fail with "Invalid variant operation".
  if (data_set.FieldByName("KATEGORI").AsVariant() == store::Variant("V-CD")) return;
  store::Variant count = data_set.FieldByName("SLUTSIDE").AsVariant() -
                         data_set.FieldByName("STARTSIDE").AsVariant() + store::Variant(1);
  data_set.FieldByName("SIDEANTAL").SetValue(count);
}

void TVRegister::FormClose() {
  // The settings are saved here once the settings file exists; the close goes on.
}

void TVRegister::AfslutClick() {
  // Ends the run without closing the window: the loop ends, and destroying the
  // window closes the table.
  QCoreApplication::quit();
}

void TVRegister::closeEvent(QCloseEvent* event) {
  Guard([this] { FormClose(); });
  event->accept();
}

}  // namespace app
