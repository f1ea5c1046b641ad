// The main window's handlers.
//
// Sections:
//   - creation and start-up (FormCreate, the stored place and size);
//   - editions (SaetSprog, NytSprogClick, the notice of another editor);
//   - search and sort (BrugerValg, SaetFilter, ArtikelGridTitleClick);
//   - the page count;
//   - the ways out (GemIndstillinger, FormClose, AfslutClick).
#include "app/indeks_base.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <type_traits>

#include "app/data_file_notices.h"
#include "app/edition.h"
#include "app/error_display.h"
#include "app/search_filter.h"
#include "store/data_file_conflict.h"
#include "store/db_error.h"
#include "ui/code_page.h"

namespace app {

namespace {

// An edition titles the columns with a title slot, one title each.
static_assert(std::extent_v<decltype(Edition::grid_titles)> == ui::kGridTitleSlots);

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// Replaces the entries of a list from `first` on; the text the list shows
// stays.
void SetListItems(ui::TStyledComboBox* list, int first, const QStringList& texts) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  for (int i = 0; i < texts.size(); ++i) {
    if (first + i < items.size()) {
      items[first + i] = texts[i];
    } else {
      items << texts[i];
    }
  }
  list->SetItems(items);
}

// Whether the window system lets a program place its own window.
bool CanPlaceWindows() { return !QGuiApplication::platformName().startsWith("wayland"); }

}  // namespace

// ===================== creation and start-up ===============================

TVRegister::TVRegister(const platform::ILocale& locale, platform::IFileSystem& fs,
                       platform::IProfileFiles& profiles, const platform::IScreen* screen,
                       QWidget* parent)
    : ui::VRegisterForm(fs, parent, screen), locale_(locale), profiles_(profiles) {
  ArtikelData->OnCalcFields = [this](store::TArtikelData& ds) { ArtikelDataCalcFields(ds); };
  ArtikelGrid->SetErrorHandler([](std::exception_ptr e) { ShowException(e); });
  ConnectHandler("AfslutClick", [this](QObject*) { Guard([this] { AfslutClick(); }); });
  ConnectHandler("NytSprogClick", [this](QObject*) { Guard([this] { NytSprogClick(); }); });
  ConnectHandler("BrugerValg", [this](QObject*) { Guard([this] { BrugerValg(); }); });
  ConnectColumnHandler("ArtikelGridTitleClick", [this](int column) {
    Guard([this, column] { ArtikelGridTitleClick(column); });
  });
  ConnectMaintenance();
  ConnectReaderKeys();
  // The definition is loaded: the table opens, then the creation handler runs.
  // The table sorts in the alphabet of the edition the creation handler will
  // pick, so that its reopen on the same unchanged file can keep the data
  // and orders of this open.
  if (const Edition* e = FindEdition(SprogFromLocale(locale_.ThreadLocaleId()))) {
    ArtikelData->SetCollation(e->alphabet);
  }
  Guard([this] { ArtikelData->Open(); });
  Guard([this] { FormCreate(); });
}

TVRegister::~TVRegister() {
  // Destroying the window closes the table, which writes changed data back.
  Guard([this] { CloseTable(); });
}

void TVRegister::FormCreate() {
  // 1. Edition from the system language.
  Sprog = SprogFromLocale(locale_.ThreadLocaleId());
  AlleOrd = AlleOrdOf(Sprog);

  // 2. Reader configuration: nothing can be typed into the data views, and
  // the editing aids are hidden.
  ArtikelGrid->SetReadOnly(true);
  Manchet->setReadOnly(true);
  VProgrammer->setReadOnly(true);
  KeyLabel->hide();
  VProgrammer->hide();
  for (const ui::GridColumnDef& c : ui::kGridColumns) {
    ArtikelGrid->SetColumnVisible(c.id, c.audience == ui::kForEveryone);
  }
  StartSideEdit->hide();
  SideLabel->hide();
  NytSprog->hide();
  NameInputs();

  // 3. Settings, applied in the order they are read. Setting a list's text
  // raises no selection; setting the word filters.
  Indstillinger stored = LaesIndstillinger(profiles_, AlleOrd);
  AargangEdit->SetText(ui::FromCp1252(stored.aargang));
  NummerEdit->SetText(ui::FromCp1252(stored.nummer));
  KategoriValg->SetText(ui::FromCp1252(stored.kategori));
  StartSideEdit->SetValue(stored.start_side);
  Tekstord->SetText(ui::FromCp1252(stored.tekstord));
  ArtikelData->SetIndexName(stored.sort_order);
  placement_ = BoundPlacement(stored, SysInfo->ScreenWidth(), SysInfo->ScreenHeight());
  stored_place_ = QPoint(stored.venstre, stored.top);
  SetOuterLeft(placement_->left);
  SetOuterTop(placement_->top);
  SetOuterWidth(placement_->width);
  SetOuterHeight(placement_->height);
  FitScaledScreen();

  // 4. The edition.
  SaetSprog();
}

void TVRegister::showEvent(QShowEvent* event) {
  ui::VRegisterForm::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // The frame is drawn now: the stored outer size is the client area plus
  // the frame actually drawn.
  if (placement_) {
    SetOuterWidth(placement_->width);
    SetOuterHeight(placement_->height);
    FitScaledScreen();
  }
}

void TVRegister::FitScaledScreen() {
  // The bounds keep 100 pixels of the window on the display and let the rest
  // run off. On a scaled display the stored and default sizes, chosen for a
  // display that is not scaled, cover a larger share of it (the defaults
  // alone run off a 1280 by 1024 display at twice the size), so there the
  // whole window is kept on it.
  if (SysInfo->ScreenScale() <= 1.0) return;
  const int screen_w = SysInfo->ScreenWidth();
  const int screen_h = SysInfo->ScreenHeight();
  if (screen_w <= 0 || screen_h <= 0) return;
  if (OuterWidth() > screen_w) SetOuterWidth(screen_w);
  if (OuterHeight() > screen_h) SetOuterHeight(screen_h);
  SetOuterLeft(std::clamp(OuterLeft(), 0, std::max(0, screen_w - OuterWidth())));
  SetOuterTop(std::clamp(OuterTop(), 0, std::max(0, screen_h - OuterHeight())));
}

// ============================== editions ===================================

void TVRegister::SaetSprog() {
  if (const Edition* e = FindEdition(Sprog)) {
    AlleOrd = e->alle_ord;
    // The grid's menu speaks the edition's language also when its data file
    // cannot be opened.
    ArtikelGrid->CopyAction()->setText(Text(e->kopier));
    // A record being edited or inserted is kept, as at program end.
    if (ArtikelData->State() == store::TableState::kEdit ||
        ArtikelData->State() == store::TableState::kInsert) {
      ArtikelData->Post();
    }
    // A close that found its file written by another editor has put this
    // data in a copy beside it: that is told, and the switch goes on.
    try {
      ArtikelData->Close();
    } catch (const store::EDataFileConflict&) {
      ShowException(std::current_exception());
    }
    // The packet the close has written belongs to the old edition's file: the
    // new edition opens on its own file or not at all.
    ArtikelData->ReleaseHeldPacket();
    ArtikelData->SetFileName(e->data_file);
    ArtikelData->SetCollation(e->alphabet);
    // What the close of this file may have to tell, in this edition's words.
    ArtikelData->FileGuard().SetConflictWord(e->notices.conflict_word);
    SetNoticeTexts(&e->notices);
    ArtikelData->Open();
    TellOfOtherEditor();
    // The word search's indexes build while the window is shown and the
    // reader reaches for the keys; the short titles' first, ready in a
    // fraction of the texts' time.
    constexpr std::string_view kTitlesFirst[] = {kWordFields[1], kWordFields[0]};
    ArtikelData->PrepareWordSearch(kTitlesFirst);

    setWindowTitle(Text(e->caption));
    QStringList categories;
    for (const char* name : e->categories) categories << Text(name);
    SetListItems(KategoriValg, 1, categories);
    Aargang->setText(Text(e->aargang));
    Nummer->setText(Text(e->nummer));
    Kategori->setText(Text(e->kategori));
    FilterGruppe->setTitle(Text(e->filter_gruppe));
    Tekst->setText(Text(e->tekst));
    for (const ui::GridColumnDef& c : ui::kGridColumns) {
      if (c.title_slot == ui::kNoSlot) continue;
      ArtikelGrid->SetColumnTitle(c.id, Text(e->grid_titles[c.title_slot]));
    }
    TekstLabel->setText(Text(e->tekst_label));
    KeyLabel->setText(Text(e->key_label));
    Afslut->setText(Text(e->afslut));
    ArtikelGrid->setAccessibleName(Text(e->grid_name));
    for (QLabel* label : {Aargang, Nummer, Kategori, Tekst, TekstLabel, KeyLabel}) {
      label->adjustSize();
    }
    NameInputs();
  }
  const QString alle = ui::FromCp1252(AlleOrd);
  for (ui::TStyledComboBox* list : {KategoriValg, NummerEdit, AargangEdit}) {
    SetListItems(list, 0, {alle});
  }
  for (ui::TStyledComboBox* list : {AargangEdit, NummerEdit, KategoriValg}) {
    list->SetText(ui::FromCp1252(NormaliserAlle(ui::ToCp1252(list->Text()), AlleOrd)));
  }
  SaetFilter();
}

void TVRegister::TellOfOtherEditor() {
  const std::optional<platform::EditLockHolder>& other = ArtikelData->FileGuard().OtherEditor();
  const Edition* e = FindEdition(Sprog);
  if (!other || e == nullptr) return;
  ShowNotice(OtherEditorNotice(e->notices, ArtikelData->FileName(), *other));
}

void TVRegister::NytSprogClick() {
  Sprog = NextSprog(Sprog);
  SaetSprog();
}

void TVRegister::NameInputs() {
  // A screen reader names each input by its label, in the edition's words:
  // the label's text without its colon and trailing blanks.
  for (QLabel* label : findChildren<QLabel*>()) {
    if (label->buddy() == nullptr) continue;
    QString name = label->text();
    while (!name.isEmpty() && (name.back() == QChar(':') || name.back().isSpace())) name.chop(1);
    label->buddy()->setAccessibleName(name);
  }
}

// =========================== search and sort ===============================

void TVRegister::BrugerValg() { SaetFilter(); }

void TVRegister::SaetFilter() {
  SearchInputs inputs{ui::ToCp1252(Tekstord->Text()), ui::ToCp1252(AargangEdit->Text()),
                      ui::ToCp1252(NummerEdit->Text()), ui::ToCp1252(KategoriValg->Text())};
  const std::string filter = ComposeFilter(inputs, AlleOrd);
  // The switch first, the text second: a refused text leaves filtering on
  // with the previous text in force.
  ArtikelData->SetFiltered(!filter.empty());
  ArtikelData->SetFilter(filter);
  MarkSearchWord(inputs.tekstord);
}

void TVRegister::ArtikelGridTitleClick(int column) {
  // By the column's creation number: a dragged column keeps its order.
  const ui::GridColumnDef* c = ui::FindGridColumn(column);
  if (c != nullptr && c->sort_order != nullptr) ArtikelData->SetIndexName(c->sort_order);
}

// ============================ the page count ===============================

void TVRegister::ArtikelDataCalcFields(store::TArtikelData& data_set) {
  // The page count; a cover disc has none, and neither has a record that
  // lacks its first or last page (the count would be no number, and the
  // record must still be readable).
  if (data_set.FieldByName("KATEGORI").AsVariant() == store::Variant("V-CD")) return;
  const store::Variant slut = data_set.FieldByName("SLUTSIDE").AsVariant();
  const store::Variant start = data_set.FieldByName("STARTSIDE").AsVariant();
  if (slut.IsNull() || start.IsNull()) return;
  store::Variant count = slut - start + store::Variant(1);
  data_set.FieldByName("SIDEANTAL").SetValue(count);
}

// ============================= the ways out ================================

void TVRegister::GemIndstillinger() {
  if (ArtikelData->State() == store::TableState::kEdit ||
      ArtikelData->State() == store::TableState::kInsert) {
    ArtikelData->Post();
  }
  Indstillinger values;
  values.aargang = ui::ToCp1252(AargangEdit->Text());
  values.nummer = ui::ToCp1252(NummerEdit->Text());
  values.kategori = ui::ToCp1252(KategoriValg->Text());
  values.start_side = StartSideEdit->AsInteger();
  values.bredde = OuterWidth();
  values.hoejde = OuterHeight();
  // Where the window system places windows itself, the stored place stays.
  const bool keep_place = stored_place_ && !CanPlaceWindows();
  values.venstre = keep_place ? stored_place_->x() : OuterLeft();
  values.top = keep_place ? stored_place_->y() : OuterTop();
  values.tekstord = ui::ToCp1252(Tekstord->Text());
  values.sort_order = ArtikelData->IndexName();
  SkrivIndstillinger(profiles_, values);
}

void TVRegister::FormClose() { GemIndstillinger(); }

void TVRegister::AfslutClick() {
  GemIndstillinger();
  // Ends the loop without closing the window (QCoreApplication::quit would
  // close it first and so run FormClose); destroying the window closes the
  // table.
  afsluttet_ = true;
  QCoreApplication::exit(0);
}

void TVRegister::closeEvent(QCloseEvent* event) {
  // A session that ends (log out, shut down) ends the program without
  // closing the window, and the settings stay as they were.
  if (afsluttet_ || qApp->isSavingSession()) {
    event->accept();
    return;
  }
  // A refused write keeps the window open.
  if (Guard([this] { FormClose(); })) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace app
