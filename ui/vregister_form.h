// VRegisterForm: the main window as its definition describes it: every
// component with its kind, parent, place, size, texts, fonts and tab order,
// and the article table with its data source. The window's logic (the
// handlers of TVRegister in app/) derives from it.
//
// Loading the definition creates the components in their stored order, sets
// the table's stored settings and hands it the initial packet as its held
// packet; opening the table is left to the caller, after every component
// exists.
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>
#include <memory>

#include "platform/file_system.h"
#include "store/artikel_data.h"
#include "ui/data_source.h"
#include "ui/db_grid.h"
#include "ui/db_memo.h"

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

class VRegisterForm : public QWidget {
  Q_OBJECT

 public:
  explicit VRegisterForm(platform::IFileSystem& fs, QWidget* parent = nullptr);
  ~VRegisterForm() override;

  // Closes the table (writing changed data back) and detaches the data source.
  // Safe to call more than once. Throws what closing throws.
  void CloseTable();

  // Non-visual components.
  std::unique_ptr<store::TArtikelData> ArtikelData;
  DataSource* DataSource1 = nullptr;

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
  QComboBox* KategoriValg = nullptr;
  QLineEdit* Tekstord = nullptr;
  QComboBox* AargangEdit = nullptr;
  QComboBox* NummerEdit = nullptr;
  QSpinBox* StartSideEdit = nullptr;
  DataGrid* ArtikelGrid = nullptr;
  QPushButton* RydOp = nullptr;
  QPushButton* Decap = nullptr;
  QPushButton* RydOp2 = nullptr;
  QPushButton* NyPost = nullptr;
  DataMemo* Manchet = nullptr;
  DataMemo* VProgrammer = nullptr;
  QPushButton* SletPost = nullptr;
  QPushButton* Afslut = nullptr;
  QPushButton* NytSprog = nullptr;
  QPushButton* HentV = nullptr;
};

}  // namespace ui
