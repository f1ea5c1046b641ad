// VRegisterForm: the main window as its stored definition describes it
// (vregister_definition.h): every component with its kind, parent, place,
// size, texts, fonts, colours, stacking and tab order, the pictures, and the
// article table with its data source. The window's logic (the handlers of
// TVRegister in app/) derives from it.
//
// Loading the definition creates the components in their stored order, sets
// the table's stored settings and hands it the initial packet as its held
// packet; opening the table is left to the caller, after every component
// exists.
//
// Sizes: the window's outer size (frame included) is what the resizing rules
// and the size limits speak of. Every outer size the window is about to take,
// whether set by code (SetOuterWidth, ...) or by the reader dragging the
// frame, runs FormCanResize first; then the limits apply.
#pragma once

#include <QLabel>
#include <QMargins>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/screen.h"
#include "store/artikel_data.h"
#include "ui/data_source.h"
#include "ui/db_grid.h"
#include "ui/db_memo.h"
#include "ui/grid_columns.h"
#include "ui/styled_back_panel.h"
#include "ui/styled_combo_box.h"
#include "ui/styled_edit.h"
#include "ui/styled_graphic_list.h"
#include "ui/styled_group_box.h"
#include "ui/styled_image.h"
#include "ui/styled_spin_edit.h"
#include "ui/styled_sys_info.h"

namespace ui {

// The visual components, in their creation order: class and name. Each is a
// row of the definition's kComponents, in the same order and of the kind its
// class makes (checked at compile time, in vregister_form.cpp); the builder
// binds each member to the component of its name.
#define VREGISTER_FORM_COMPONENTS(X) \
  X(TStyledBackPanel, Baggrund)      \
  X(TStyledImage, Logo)              \
  X(QLabel, TekstLabel)              \
  X(QLabel, KeyLabel)                \
  X(TStyledGroupBox, FilterGruppe)   \
  X(QLabel, Nummer)                  \
  X(QLabel, Tekst)                   \
  X(QLabel, Kategori)                \
  X(QLabel, Aargang)                 \
  X(QLabel, SideLabel)               \
  X(TStyledComboBox, KategoriValg)   \
  X(TStyledEdit, Tekstord)           \
  X(TStyledComboBox, AargangEdit)    \
  X(TStyledComboBox, NummerEdit)     \
  X(TStyledSpinEdit, StartSideEdit)  \
  X(DataGrid, ArtikelGrid)           \
  X(QPushButton, RydOp)              \
  X(QPushButton, Decap)              \
  X(QPushButton, RydOp2)             \
  X(QPushButton, NyPost)             \
  X(DataMemo, Manchet)               \
  X(DataMemo, VProgrammer)           \
  X(QPushButton, SletPost)           \
  X(QPushButton, Afslut)             \
  X(QPushButton, NytSprog)           \
  X(QPushButton, HentV)

class VRegisterForm : public QWidget {
  Q_OBJECT

 public:
  // `screen` is the display SysInfo reports; null means the system's.
  explicit VRegisterForm(platform::IFileSystem& fs, QWidget* parent = nullptr,
                         const platform::IScreen* screen = nullptr);
  ~VRegisterForm() override;

  // Closes the table (writing changed data back) and detaches the data source.
  // Safe to call more than once. Throws what closing throws.
  void CloseTable();

  // Connects every event that the definition routes to `handler` (by name,
  // e.g. "BrugerValg", "AfslutClick") to `fn`, which receives the component
  // that raised it. Returns how many events were connected. Only the
  // components' notification events (OnSelect, OnChange, OnClick) connect here.
  int ConnectHandler(std::string_view handler, std::function<void(QObject* sender)> fn);
  // The same for the grid's title click, which names the column's position.
  int ConnectColumnHandler(std::string_view handler, std::function<void(int column)> fn);

  // The handler for a proposed outer size: lays out the components by the
  // resizing rules and sizes the back panel to the client area the window
  // will have. Leaves `resize` as it is (it never refuses a size).
  void FormCanResize(int new_width, int new_height, bool& resize);

  // The window's outer place and size. Each setter that changes something
  // proposes the resulting outer size (FormCanResize), then the window takes
  // it within its limits.
  int OuterLeft() const { return pos().x(); }
  int OuterTop() const { return pos().y(); }
  int OuterWidth() const;
  int OuterHeight() const;
  void SetOuterLeft(int left);
  void SetOuterTop(int top);
  void SetOuterWidth(int width);
  void SetOuterHeight(int height);

  // Non-visual components.
  std::unique_ptr<store::TArtikelData> ArtikelData;
  DataSource* DataSource1 = nullptr;
  TStyledSysInfo* SysInfo = nullptr;
  TStyledBitmapList* VLogo = nullptr;
  TStyledGraphicList* Baggrundsbillede = nullptr;

  // Visual components, in their creation order.
#define VREGISTER_FORM_MEMBER(Class, name) Class* name = nullptr;
  VREGISTER_FORM_COMPONENTS(VREGISTER_FORM_MEMBER)
#undef VREGISTER_FORM_MEMBER

  // The visual component of a definition name; throws std::logic_error for a
  // name the definition has no component of.
  QWidget* Component(std::string_view name) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build(const platform::IScreen& screen);
  // Labels size themselves to their text, also when an edition replaces it.
  void FitLabels();
  QMargins FrameMargins() const;
  void UpdateSizeLimits();
  // Runs FormCanResize for the outer size, then takes it within the limits.
  void ProposeOuterSize(int width, int height);

  // The visual components by name, and the window by its own.
  std::map<std::string, QWidget*, std::less<>> components_;
  // The client size the window last took; a resize event of that size is no
  // new proposal.
  QSize taken_client_size_;
  bool taking_size_ = false;
};

}  // namespace ui
