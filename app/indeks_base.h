// TVRegister (`VRegister`): the main window's logic. The window definition
// (ui::VRegisterForm) provides the components; this class holds the event
// handlers, each named after its component and event, and the state of the
// index browser: the edition `Sprog` and its "all" word `AlleOrd`.
//
// Handlers: FormCreate (edition, reader configuration, settings, edition
// texts), BrugerValg and SaetFilter (the search), ArtikelGridTitleClick (the
// sort order), SaetSprog and NytSprogClick (editions), GemIndstillinger,
// FormClose and AfslutClick (the settings written once, on either way out).
// Every handler runs behind the error display's guard, so an error is shown in
// the application's error box and the program goes on.
//
// The edition texts and the settings keys are tables of their own
// (app/edition.h, app/settings.h); this file applies them to the window.
#pragma once

#include <QCloseEvent>
#include <QPoint>
#include <QShowEvent>
#include <cstdint>
#include <optional>
#include <string>

#include "app/question_box.h"
#include "app/settings.h"
#include "platform/drive_types.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"
#include "platform/screen.h"
#include "ui/vregister_form.h"

namespace app {

class TVRegister : public ui::VRegisterForm {
  Q_OBJECT

 public:
  // Creating the window loads its definition, opens the article table and runs
  // FormCreate; errors on the way are shown and the window is still created.
  // `profiles` keeps the settings file; `screen` is what SysInfo reports (null:
  // the system's primary screen).
  TVRegister(const platform::ILocale& locale, platform::IFileSystem& fs,
             platform::IProfileFiles& profiles, const platform::IScreen* screen = nullptr,
             QWidget* parent = nullptr);
  ~TVRegister() override;

  // The edition code and its "all" word (Windows-1252).
  int32_t Sprog = 0;
  std::string AlleOrd;

  // Handlers.
  void FormCreate();
  void FormClose();
  void AfslutClick();
  void NytSprogClick();
  void BrugerValg();
  void ArtikelGridTitleClick(int column);
  void ArtikelDataCalcFields(store::TArtikelData& data_set);

  // Applies the edition in Sprog: the table on the edition's data file, every
  // text of the window, the lists' "all" word, and the filter.
  void SaetSprog();
  // Tells, in the edition's words, that another editor has the data file just
  // opened open too (editors' build: the table takes the file's edit lock).
  void TellOfOtherEditor();
  // Composes the filter from the four search inputs and gives it to the table.
  void SaetFilter();
  // Writes the settings file; throws EIniFileException on a refused write.
  void GemIndstillinger();

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
  void showEvent(QShowEvent* event) override;

 private:
  // Accessible names of the inputs from their labels' current texts.
  void NameInputs();
  // On a scaled display: the window moved, and made smaller where it must be,
  // to lie wholly on the display.
  void FitScaledScreen();

  // The reader's keys and aids (reader_keys.cpp): Ctrl+F, Escape in the
  // search word, the grid's copy of the article's text, and the search
  // word's marks.
  void ConnectReaderKeys();
  void MarkSearchWord(const std::string& word);

  // Hooks the maintenance handlers to their buttons and the table.
  void ConnectMaintenance();
  const platform::IDriveTypes& Drives() const;

  const platform::ILocale& locale_;
  platform::IProfileFiles& profiles_;
  // The stored place and size as start-up applied them (none when start-up
  // ended before); the size is applied again once the window is shown and its
  // frame is known.
  std::optional<Placement> placement_;
  // The stored left and top as read, written back unchanged where the window
  // system places windows itself (Wayland).
  std::optional<QPoint> stored_place_;
  bool shown_ = false;
  // Set once AfslutClick has written the settings and ended the loop: no
  // close that may follow writes them again.
  bool afsluttet_ = false;
  QuestionBox question_box_;
  const platform::IDriveTypes* drives_ = nullptr;
};

}  // namespace app
