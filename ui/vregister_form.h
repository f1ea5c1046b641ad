// TVRegisterForm: the main window as its definition describes it: every
// component with its kind, parent, place, size, texts, fonts and tab order,
// and the article table with its data source. The window's logic (the
// handlers of TVRegister in app/) derives from it.
//
// Loading the definition creates the components in their stored order, sets
// the table's stored settings and hands it the initial packet as its held
// packet; opening the table is left to the caller, after every component
// exists.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "platform/file_system.h"
#include "platform/screen.h"
#include "store/artikel_data.h"
#include "ui/data_source.h"
#include "ui/db_grid.h"
#include "ui/db_memo.h"
#include "ui/styled_combo_box.h"
#include "ui/styled_edit.h"
#include "ui/styled_spin_edit.h"
#include "ui/styled_sys_info.h"

namespace ui {

// Grid column positions.
enum GridColumn {
  kColAargang,
  kColNummer,
  kColTitel,
  kColKategori,
  kColStart,
  kColSlut,
  kColSideantal
};

class TVRegisterForm : public QWidget {
  Q_OBJECT

 public:
  // `screen` is the display SysInfo reports; null means the system's.
  explicit TVRegisterForm(platform::IFileSystem& fs, QWidget* parent = nullptr,
                          const platform::IScreen* screen = nullptr);
  ~TVRegisterForm() override;

  // Closes the table (writing changed data back) and detaches the data source.
  // Safe to call more than once. Throws what closing throws.
  void CloseTable();

  // Non-visual components.
  std::unique_ptr<store::TArtikelData> ArtikelData;
  TDataSource* DataSource1 = nullptr;
  TStyledSysInfo* SysInfo = nullptr;

  // Visual components, in their creation order.
  QWidget* Baggrund = nullptr;
  QLabel* TekstLabel = nullptr;
  QLabel* KeyLabel = nullptr;
  QGroupBox* FilterGruppe = nullptr;
  QLabel* Nummer = nullptr;
  QLabel* Tekst = nullptr;
  QLabel* Kategori = nullptr;
  QLabel* Aargang = nullptr;
  QLabel* SideLabel = nullptr;
  TStyledComboBox* KategoriValg = nullptr;
  TStyledEdit* Tekstord = nullptr;
  TStyledComboBox* AargangEdit = nullptr;
  TStyledComboBox* NummerEdit = nullptr;
  TStyledSpinEdit* StartSideEdit = nullptr;
  TDBGrid* ArtikelGrid = nullptr;
  QPushButton* RydOp = nullptr;
  QPushButton* Decap = nullptr;
  QPushButton* RydOp2 = nullptr;
  QPushButton* NyPost = nullptr;
  TDBMemo* Manchet = nullptr;
  TDBMemo* VProgrammer = nullptr;
  QPushButton* SletPost = nullptr;
  QPushButton* Afslut = nullptr;
  QPushButton* NytSprog = nullptr;
  QPushButton* HentV = nullptr;
};

}  // namespace ui
