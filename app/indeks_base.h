// TVRegister (`VRegister`): the main window's logic. The window definition
// (ui::TVRegisterForm) provides the components; this class holds the event
// handlers, each named after its component and event, and the module state of
// the index browser: the edition `Sprog` and its "all" word `AlleOrd`.
//
// Every handler runs behind the error display's guard, so an error is shown in
// the application's error box and the program goes on.
#pragma once

#include <QCloseEvent>
#include <cstdint>
#include <string>

#include "app/question_box.h"
#include "platform/drive_types.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "ui/vregister_form.h"

namespace app {

// Module state of the index browser.
extern int32_t Sprog;
extern std::string AlleOrd;

// The data file of an edition, relative to the working directory.
std::string EditionFileName(int32_t sprog);

class TVRegister : public ui::TVRegisterForm {
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

  // Maintenance commands (maintenance.cpp): the new-record defaults and the
  // click handlers of the six maintenance buttons.
  void ArtikelDataNewRecord(store::TArtikelData& data_set);
  void NyPostClick();
  void SletPostClick();
  void RydOpClick();
  void RydOp2Click();
  void DecapClick();
  void HentVClick();
  // Replaceable for tests: the Yes/No box of SletPostClick and the drives
  // that HentVClick scans.
  void SetQuestionBox(QuestionBox box) { question_box_ = std::move(box); }
  void SetDriveTypes(const platform::IDriveTypes& drives) { drives_ = &drives; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Hooks the maintenance handlers to their buttons and the table.
  void ConnectMaintenance();
  const platform::IDriveTypes& Drives() const;

  const platform::ILocale& locale_;
  QuestionBox question_box_;
  const platform::IDriveTypes* drives_ = nullptr;
};

}  // namespace app
