// The builder of the main window: reads the definition's tables
// (vregister_definition.h) and makes the components, the pictures and the
// table; and the window's handling of proposed sizes.
//
// Sections: fonts and colours; making one component; building the window;
// events; sizes.
#include "ui/vregister_form.h"

#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QPalette>
#include <QPixmap>
#include <QResizeEvent>
#include <algorithm>
#include <cassert>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/edition_registry.h"
#include "store/initial_packet.h"
#include "ui/pick_list_delegate.h"
#include "ui/picture_decode.h"
#include "ui/resize_rules.h"
#include "ui/vregister_definition.h"
#include "ui/window_accessible.h"
#include "ui/window_pictures.h"

namespace ui {
namespace {

namespace def = definition;

// ---- Fonts and colours ----

const def::FontSpec& FontDef(def::FontSetting setting) {
  for (const def::FontSpec& f : def::kFonts) {
    if (f.setting == setting) return f;
  }
  assert(false && "font setting without a row");
  return def::kFonts[0];
}

QFont MakeFont(def::FontSetting setting) {
  const def::FontSpec& d = FontDef(setting);
  QFont font(QString::fromUtf8(d.face));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(d.pixel_size);
  // Set explicitly so that nothing is inherited from the parent's font.
  font.setBold(d.bold);
  font.setItalic(false);
  font.setUnderline(false);
  return font;
}

// The font's colour, for the palette roles a component draws its text with.
void ApplyFontColor(QWidget* w, def::FontSetting setting) {
  const def::FontSpec& d = FontDef(setting);
  if (d.color == def::FontColor::kWindowText) return;
  const QColor color = d.color == def::FontColor::kWhite ? QColor(Qt::white) : QColor(Qt::black);
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, color);
  p.setColor(QPalette::Text, color);
  p.setColor(QPalette::ButtonText, color);
  w->setPalette(p);
}

QString Text(const char* utf8) { return QString::fromUtf8(utf8 == nullptr ? "" : utf8); }

// ---- Making one component ----

// The row of a settings table for a component, or null.
template <typename Row, size_t N>
const Row* RowNamed(const Row (&rows)[N], std::string_view name) {
  for (const Row& row : rows) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

QWidget* MakeComponent(const def::ComponentDef& d, QWidget* parent, DataSource* source) {
  switch (d.kind) {
    case def::ComponentKind::kBackPanel:
      return new TStyledBackPanel(parent);
    case def::ComponentKind::kImage:
      return new TStyledImage(parent);
    case def::ComponentKind::kLabel:
      return new QLabel(Text(d.text), parent);
    case def::ComponentKind::kGroupBox: {
      auto* group = new TStyledGroupBox(parent);
      group->setTitle(Text(d.text));
      group->SetCaptionFont(MakeFont(def::FontSetting::kHeading), Qt::white);
      return group;
    }
    case def::ComponentKind::kComboBox: {
      auto* combo = new TStyledComboBox(parent);
      for (const def::ListDef& list : def::kLists) {
        if (std::string_view(list.name) != d.name) continue;
        QStringList items;
        for (const char* item : list.items) items << Text(item);
        combo->SetItems(items);
        combo->SetDropDownCount(list.drop_down_count);
        combo->SetItemHeight(list.item_height);
      }
      combo->SetText(Text(d.text));
      return combo;
    }
    case def::ComponentKind::kEdit: {
      auto* edit = new TStyledEdit(parent);
      edit->SetText(Text(d.text));
      if (const def::EditDef* e = RowNamed(def::kEdits, d.name)) {
        edit->SetCaretBlinkInterval(e->caret_blink_ms);
      }
      return edit;
    }
    case def::ComponentKind::kSpinEdit: {
      auto* spin = new TStyledSpinEdit(parent);
      if (const def::SpinDef* r = RowNamed(def::kSpins, d.name)) {
        spin->SetMinValue(r->min_value);
        spin->SetMaxValue(r->max_value);
        spin->SetStep(r->step);
        spin->SetLargeStep(r->large_step);
      }
      return spin;
    }
    case def::ComponentKind::kGrid: {
      std::vector<ColumnSpec> columns;
      for (const GridColumnDef& c : kGridColumns) {
        columns.push_back({c.field, Text(c.title), c.width, c.shown});
      }
      auto* grid = new DataGrid(source, std::move(columns), parent);
      grid->horizontalHeader()->setFont(MakeFont(def::FontSetting::kTitle));
      for (const GridColumnDef& c : kGridColumns) {
        if (c.pick_list.empty()) continue;
        QStringList picks;
        for (const char* item : c.pick_list) picks << Text(item);
        grid->setItemDelegateForColumn(c.id, new PickListDelegate(picks, grid));
      }
      return grid;
    }
    case def::ComponentKind::kButton:
      return new QPushButton(Text(d.text), parent);
    case def::ComponentKind::kMemo:
      return new DataMemo(source, d.text, parent);
  }
  return nullptr;
}

bool TakesFocus(def::ComponentKind kind) {
  return kind != def::ComponentKind::kBackPanel && kind != def::ComponentKind::kImage &&
         kind != def::ComponentKind::kLabel && kind != def::ComponentKind::kGroupBox;
}

// The keyboard order: by tab order within each parent, a container's
// components at the container's place.
void TabChain(const char* parent, const std::map<std::string, QWidget*, std::less<>>& made,
              std::vector<QWidget*>* chain) {
  std::vector<const def::ComponentDef*> children;
  for (const def::ComponentDef& d : def::kComponents) {
    if (std::string_view(d.parent) == parent && d.tab_order != def::kNoTab) children.push_back(&d);
  }
  std::stable_sort(children.begin(), children.end(),
                   [](auto* a, auto* b) { return a->tab_order < b->tab_order; });
  for (const def::ComponentDef* d : children) {
    if (TakesFocus(d->kind)) {
      chain->push_back(made.at(d->name));
    } else {
      TabChain(d->name, made, chain);
    }
  }
}

template <typename T>
T* Member(const std::map<std::string, QWidget*, std::less<>>& made, const char* name) {
  auto it = made.find(name);
  assert(it != made.end());
  auto* w = qobject_cast<T*>(it->second);
  assert(w != nullptr);
  return w;
}

// The kind of component each member's class is made for.
using K = def::ComponentKind;
// clang-format off
constexpr K KindOf(const TStyledBackPanel*) { return K::kBackPanel; }
constexpr K KindOf(const TStyledImage*) { return K::kImage; }
constexpr K KindOf(const QLabel*) { return K::kLabel; }
constexpr K KindOf(const TStyledGroupBox*) { return K::kGroupBox; }
constexpr K KindOf(const TStyledComboBox*) { return K::kComboBox; }
constexpr K KindOf(const TStyledEdit*) { return K::kEdit; }
constexpr K KindOf(const TStyledSpinEdit*) { return K::kSpinEdit; }
constexpr K KindOf(const DataGrid*) { return K::kGrid; }
constexpr K KindOf(const QPushButton*) { return K::kButton; }
constexpr K KindOf(const DataMemo*) { return K::kMemo; }
// clang-format on

struct MemberDef {
  std::string_view name;
  K kind;
};

#define VREGISTER_FORM_MEMBER_DEF(Class, name) \
  MemberDef{#name, KindOf(static_cast<const Class*>(nullptr))},
constexpr MemberDef kMembers[] = {VREGISTER_FORM_COMPONENTS(VREGISTER_FORM_MEMBER_DEF)};
#undef VREGISTER_FORM_MEMBER_DEF

// The members are the definition's components: the same names in the same
// order, each of the class its kind makes.
constexpr bool MembersAreTheComponents() {
  if (std::size(kMembers) != std::size(def::kComponents)) return false;
  for (size_t i = 0; i < std::size(kMembers); ++i) {
    if (kMembers[i].name != def::kComponents[i].name) return false;
    if (kMembers[i].kind != def::kComponents[i].kind) return false;
  }
  return true;
}
static_assert(MembersAreTheComponents(),
              "VREGISTER_FORM_COMPONENTS and the definition's kComponents disagree");

}  // namespace

// ---- Building the window ----

VRegisterForm::VRegisterForm(platform::IFileSystem& fs, QWidget* parent,
                             const platform::IScreen* screen)
    : QWidget(parent) {
  // The table and its stored settings; it opens once everything exists.
  ArtikelData = std::make_unique<store::TArtikelData>(fs);
  ArtikelData->SetFileName(store::DefaultEdition().data_file);
  ArtikelData->SetIndexName(def::kTable.index_name);
  ArtikelData->SetFilterOptions(def::kTable.filter_options);
  ArtikelData->SetData(store::InitialPacket());
  InstallWindowAccessibility();
  Build(screen != nullptr ? *screen : platform::SystemScreen());
}

void VRegisterForm::Build(const platform::IScreen& screen) {
  QFont::insertSubstitution(QStringLiteral("MS Sans Serif"),
                            QString::fromUtf8(def::kMsSansSerifSubstitute));

  const def::WindowDef& win = def::kWindow;
  setObjectName(win.name);
  setWindowTitle(Text(win.caption));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setFont(MakeFont(win.font));
  {
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Button));  // the button face
    setPalette(p);
  }
  if (DecodedPicture icon = ReadIcon(IconFile()); icon.ok()) {
    setWindowIcon(QIcon(QPixmap::fromImage(icon.image)));
  }
  // The place is the outer (frame) position; the window opens exactly there.
  move(win.left, win.top);
  resize(win.client_width, win.client_height);
  taken_client_size_ = size();
  UpdateSizeLimits();

  // Non-visual components.
  DataSource1 = new DataSource(ArtikelData.get(), this);
  SysInfo = new TStyledSysInfo(screen, this);
  SysInfo->setObjectName("SysInfo");
  VLogo = new TStyledBitmapList(this);
  VLogo->setObjectName(def::kLogoList);
  VLogo->Add(LogoBmp());
  Baggrundsbillede = new TStyledGraphicList(this);
  Baggrundsbillede->setObjectName(def::kBackgroundList);
  Baggrundsbillede->Add(Background0Jpeg());
  Baggrundsbillede->Add(Background1Jpeg());

  // Visual components, in creation order.
  std::map<std::string, QWidget*, std::less<>>& made = components_;
  made[win.name] = this;
  for (const def::ComponentDef& d : def::kComponents) {
    QWidget* w = MakeComponent(d, made.at(d.parent), DataSource1);
    w->setObjectName(d.name);
    if (d.font != def::FontSetting::kNone) {
      w->setFont(MakeFont(d.font));
      ApplyFontColor(w, d.font);
    }
    w->setGeometry(d.left, d.top, d.width, d.height);
    if (d.kind == def::ComponentKind::kLabel) w->adjustSize();  // labels fit their text
    if (!TakesFocus(d.kind)) w->setFocusPolicy(Qt::NoFocus);
    w->setVisible(d.shown);
    made[d.name] = w;
  }
  // Labels and the image lie below every windowed component of their parent,
  // in creation order among themselves.
  for (auto d = std::rbegin(def::kComponents); d != std::rend(def::kComponents); ++d) {
    if (!def::IsWindowed(d->kind)) made.at(d->name)->lower();
  }

#define VREGISTER_FORM_BIND(Class, name) name = Member<Class>(made, #name);
  VREGISTER_FORM_COMPONENTS(VREGISTER_FORM_BIND)
#undef VREGISTER_FORM_BIND

  // Pictures.
  Baggrund->SetImageList(Baggrundsbillede);
  Baggrund->SetListIndex(def::kBackgroundItem);
  Logo->SetImageList(VLogo);
  Logo->SetListIndex(def::kLogoItem);
  Logo->SetForceTransparent(true);

  // Each label stands for its input.
  for (const def::LabelInputDef& pair : def::kLabelInputs) {
    Member<QLabel>(made, pair.label)->setBuddy(made.at(pair.input));
  }

  // Keyboard order; the first component in it takes the focus.
  std::vector<QWidget*> chain;
  TabChain(win.name, made, &chain);
  for (size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
  if (!chain.empty()) chain.front()->setFocus();

  // A label whose text changes asks its parent for a new layout; the two
  // parents of labels answer by fitting their labels.
  Baggrund->installEventFilter(this);
  FilterGruppe->installEventFilter(this);
  // The grid and the text boxes keep Tab for themselves; Ctrl+Tab leaves them.
  for (QWidget* keeps_tab : {static_cast<QWidget*>(ArtikelGrid), static_cast<QWidget*>(Manchet),
                             static_cast<QWidget*>(VProgrammer)}) {
    keeps_tab->installEventFilter(this);
  }

  // Loaded: the panel renders its background, the group copies from it.
  Baggrund->Loaded();
  Logo->Loaded();
  FilterGruppe->Loaded();
}

VRegisterForm::~VRegisterForm() {
  // The table is a member and would outlive the widgets' data source
  // otherwise; destroying the window closes it.
  try {
    CloseTable();
  } catch (...) {
  }
  if (DataSource1 != nullptr) DataSource1->Detach();
}

QWidget* VRegisterForm::Component(std::string_view name) const {
  auto it = components_.find(name);
  if (it == components_.end() || def::FindComponent(name) == nullptr) {
    throw std::logic_error("no component " + std::string(name));
  }
  return it->second;
}

void VRegisterForm::CloseTable() {
  if (ArtikelData && ArtikelData->Active()) ArtikelData->Close();
}

// ---- Events ----

int VRegisterForm::ConnectHandler(std::string_view handler,
                                  std::function<void(QObject* sender)> fn) {
  int connected = 0;
  for (const def::EventDef& e : def::kEvents) {
    if (handler != e.handler) continue;
    QObject* source = findChild<QObject*>(QString::fromUtf8(e.source));
    const std::string_view event = e.event;
    if (auto* combo = qobject_cast<TStyledComboBox*>(source); combo && event == "OnSelect") {
      connect(combo, &TStyledComboBox::OnSelect, this, [fn, combo] { fn(combo); });
    } else if (auto* edit = qobject_cast<TStyledEdit*>(source); edit && event == "OnChange") {
      connect(edit, &TStyledEdit::OnChange, this, [fn, edit] { fn(edit); });
    } else if (auto* button = qobject_cast<QPushButton*>(source); button && event == "OnClick") {
      connect(button, &QPushButton::clicked, this, [fn, button] { fn(button); });
    } else {
      throw std::logic_error(std::string(e.source) + "." + e.event + " is not a notification");
    }
    ++connected;
  }
  return connected;
}

int VRegisterForm::ConnectColumnHandler(std::string_view handler,
                                        std::function<void(int column)> fn) {
  int connected = 0;
  for (const def::EventDef& e : def::kEvents) {
    if (handler != e.handler) continue;
    auto* grid = findChild<DataGrid*>(QString::fromUtf8(e.source));
    if (grid == nullptr || std::string_view(e.event) != "OnTitleClick") {
      throw std::logic_error(std::string(e.source) + "." + e.event + " is not a title click");
    }
    connect(grid, &DataGrid::titleClick, this, [fn](int column) { fn(column); });
    ++connected;
  }
  return connected;
}

// ---- Sizes ----

QMargins VRegisterForm::FrameMargins() const {
  const QRect frame = frameGeometry();
  const QRect client = geometry();
  return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                  frame.right() - client.right(), frame.bottom() - client.bottom());
}

int VRegisterForm::OuterWidth() const {
  const QMargins m = FrameMargins();
  return width() + m.left() + m.right();
}

int VRegisterForm::OuterHeight() const {
  const QMargins m = FrameMargins();
  return height() + m.top() + m.bottom();
}

void VRegisterForm::UpdateSizeLimits() {
  const def::WindowDef& win = def::kWindow;
  const QMargins m = FrameMargins();
  const int frame_w = m.left() + m.right();
  const int frame_h = m.top() + m.bottom();
  setMinimumSize(win.min_width - frame_w, win.min_height - frame_h);
  setMaximumSize(win.max_width - frame_w, win.max_height - frame_h);
}

void VRegisterForm::FormCanResize(int new_width, int new_height, bool& resize) {
  const ResizeLayout layout = ResizeRules(new_width, new_height);
  if (layout.horizontal) {
    const HorizontalLayout& h = *layout.horizontal;
    ArtikelGrid->resize(h.grid_width, ArtikelGrid->height());
    Manchet->resize(h.manchet_width, Manchet->height());
    Afslut->move(h.afslut_left, Afslut->y());
    Logo->move(h.logo_left, Logo->y());
    FilterGruppe->resize(h.gruppe_width, FilterGruppe->height());
    // By position: a column dragged elsewhere is sized by its new place.
    QHeaderView* header = ArtikelGrid->horizontalHeader();
    for (const GridColumnDef& c : kGridColumns) {
      if (c.width_share == kNoSlot) continue;
      const int logical = header->logicalIndex(c.id);
      if (logical >= 0) {
        header->resizeSection(logical, h.column_widths[static_cast<size_t>(c.width_share)]);
      }
    }
  }
  if (layout.vertical) {
    const VerticalLayout& v = *layout.vertical;
    ArtikelGrid->resize(ArtikelGrid->width(), v.grid_height);
    TekstLabel->move(TekstLabel->x(), v.tekst_label_top);
    Manchet->move(Manchet->x(), v.manchet_top);
    if (v.manchet_height) Manchet->resize(Manchet->width(), *v.manchet_height);
    Afslut->move(Afslut->x(), v.afslut_top);
  }
  // The panel covers the client area the window takes for this size: the
  // proposed size within the limits, less the frame.
  const def::WindowDef& win = def::kWindow;
  const QMargins m = FrameMargins();
  const int client_w = std::clamp(new_width, win.min_width, win.max_width) - m.left() - m.right();
  const int client_h =
      std::clamp(new_height, win.min_height, win.max_height) - m.top() - m.bottom();
  Baggrund->resize(client_w, client_h);
  (void)resize;  // left at yes
}

void VRegisterForm::ProposeOuterSize(int width, int height) {
  bool may_resize = true;
  FormCanResize(width, height, may_resize);
  if (!may_resize) return;
  const def::WindowDef& win = def::kWindow;
  const QMargins m = FrameMargins();
  taking_size_ = true;
  resize(std::clamp(width, win.min_width, win.max_width) - m.left() - m.right(),
         std::clamp(height, win.min_height, win.max_height) - m.top() - m.bottom());
  taking_size_ = false;
  taken_client_size_ = size();
}

void VRegisterForm::SetOuterLeft(int left) {
  if (left == OuterLeft()) return;
  ProposeOuterSize(OuterWidth(), OuterHeight());
  move(left, OuterTop());
}

void VRegisterForm::SetOuterTop(int top) {
  if (top == OuterTop()) return;
  ProposeOuterSize(OuterWidth(), OuterHeight());
  move(OuterLeft(), top);
}

void VRegisterForm::SetOuterWidth(int width) {
  if (width == OuterWidth()) return;
  ProposeOuterSize(width, OuterHeight());
}

void VRegisterForm::SetOuterHeight(int height) {
  if (height == OuterHeight()) return;
  ProposeOuterSize(OuterWidth(), height);
}

void VRegisterForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  UpdateSizeLimits();  // the frame is known once the window is shown
  FitLabels();         // texts set while hidden ask for no layout
}

void VRegisterForm::FitLabels() {
  for (QLabel* label : findChildren<QLabel*>()) {
    if (label->size() != label->sizeHint()) label->adjustSize();
  }
}

bool VRegisterForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::LayoutRequest && (watched == Baggrund || watched == FilterGruppe)) {
    FitLabels();
  }
  if (event->type() == QEvent::KeyPress &&
      (watched == ArtikelGrid || watched == Manchet || watched == VProgrammer)) {
    // Ctrl+Tab and Ctrl+Shift+Tab go on along the keyboard order, the desktop's
    // way out of a control that moves or types with Tab itself.
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (tab && (key->modifiers() & Qt::ControlModifier)) {
      const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
      focusNextPrevChild(!back);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void VRegisterForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // A size the reader dragged to (or the window system chose) is proposed
  // like any other; the sizes this window took itself have been already.
  if (taking_size_ || event->size() == taken_client_size_) return;
  const QMargins m = FrameMargins();
  bool may_resize = true;
  FormCanResize(event->size().width() + m.left() + m.right(),
                event->size().height() + m.top() + m.bottom(), may_resize);
  taken_client_size_ = event->size();
}

}  // namespace ui
