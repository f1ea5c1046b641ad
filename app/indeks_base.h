// TVRegister (`VRegister`): the main window's logic. The window definition
// (ui::VRegisterForm) provides the components; this class holds the event
// handlers, each named after its component and event, and the module state of
// the index browser: the edition `Sprog` and its "all" word `AlleOrd`.
//
// Every handler runs behind the error display's guard, so an error is shown in
// the application's error box and the program goes on.
#pragma once

#include <QCloseEvent>
#include <cstdint>
#include <string>

#include "platform/file_system.h"
#include "platform/locale.h"
#include "ui/vregister_form.h"

namespace app {

// Module state of the index browser.
extern int32_t Sprog;
extern std::string AlleOrd;

// The data file of an edition, relative to the working directory.
std::string EditionFileName(int32_t sprog);

class TVRegister : public ui::VRegisterForm {
  Q_OBJECT

 public:
  // Creating the window loads its definition, opens the article table and runs
  // FormCreate; errors on the way are shown and the window is still created.
  TVRegister(const platform::ILocale& locale, platform::IFileSystem& fs, QWidget* parent = nullptr);
  ~TVRegister() override;

  // Handlers.
  void FormCreate();
  void FormClose();
  void AfslutClick();
  void ArtikelDataCalcFields(store::TArtikelData& data_set);

  // Applies the edition in Sprog to the table: close, the edition's file
  // name, open.
  void SaetSprog();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  const platform::ILocale& locale_;
};

}  // namespace app
