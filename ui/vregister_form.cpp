// The window definition: components, places, texts and fonts, in their stored
// creation order. Texts are the Danish design texts; the edition replaces
// them at start-up.
#include "ui/vregister_form.h"

#include <QFont>
#include <QHeaderView>
#include <QPalette>

#include "store/initial_packet.h"
#include "ui/code_page.h"

namespace ui {
namespace {

QFont HeadingFont() {
  QFont f("Arial");
  f.setPixelSize(16);
  f.setBold(true);
  return f;
}

QFont InputFont() {
  QFont f("Arial");
  f.setPixelSize(13);
  return f;
}

QFont ButtonFont() {
  QFont f("MS Sans Serif");
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(13);
  return f;
}

QFont TitleFont() {
  QFont f("MS Sans Serif");
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(11);
  return f;
}

// Texts of the definition are Windows-1252, like all of the system's text.
QString T(const char* utf8) { return QString::fromUtf8(utf8); }

QLabel* HeadingLabel(QWidget* parent, const char* text, int left, int top) {
  auto* label = new QLabel(T(text), parent);
  label->setFont(HeadingFont());
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(p);
  label->setAttribute(Qt::WA_TranslucentBackground);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QPushButton* Button(QWidget* parent, const char* text, int left, int top, int width, int height,
                    bool visible) {
  auto* button = new QPushButton(T(text), parent);
  button->setFont(ButtonFont());
  button->setGeometry(left, top, width, height);
  button->setVisible(visible);
  return button;
}

QComboBox* Combo(QWidget* parent, const QStringList& items, int rows, int left, int top, int width,
                 int height) {
  auto* combo = new QComboBox(parent);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setFont(InputFont());
  combo->addItems(items);
  combo->setMaxVisibleItems(rows);
  combo->setGeometry(left, top, width, height);
  combo->setCurrentIndex(0);
  return combo;
}

}  // namespace

VRegisterForm::VRegisterForm(platform::IFileSystem& fs, QWidget* parent) : QWidget(parent) {
  setObjectName("VRegister");
  setWindowTitle(T("Vexor for alle årsregister"));
  setFont(TitleFont());
  setGeometry(246, 229, 665, 473);

  // The table and its stored settings; it opens once everything exists.
  ArtikelData = std::make_unique<store::TArtikelData>(fs);
  ArtikelData->SetFileName("./Base.xml");
  ArtikelData->SetIndexName("TitelX");
  ArtikelData->SetFilterOptions({.foCaseInsensitive = true, .foNoPartialCompare = false});
  ArtikelData->SetData(store::InitialPacket());
  DataSource1 = new DataSource(ArtikelData.get(), this);

  Baggrund = new QWidget(this);
  Baggrund->setObjectName("Baggrund");
  Baggrund->setGeometry(0, 0, 665, 473);
  Baggrund->setAutoFillBackground(true);
  {
    QPalette p = Baggrund->palette();
    p.setColor(QPalette::Window, QColor(0x1f, 0x3a, 0x5f));
    Baggrund->setPalette(p);
  }

  TekstLabel = HeadingLabel(Baggrund, "Indhold:", 16, 336);
  KeyLabel = HeadingLabel(Baggrund, "Nøgleord", 288, 336);

  FilterGruppe = new QGroupBox(T("Søg på:   "), Baggrund);
  FilterGruppe->setGeometry(16, 16, 433, 121);
  FilterGruppe->setFont(HeadingFont());
  {
    QPalette p = FilterGruppe->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    FilterGruppe->setPalette(p);
  }
  Nummer = HeadingLabel(FilterGruppe, "Blad nr.:", 168, 22);
  Tekst = HeadingLabel(FilterGruppe, "Søgeord:", 16, 94);
  Kategori = HeadingLabel(FilterGruppe, "Kategori:", 304, 22);
  Aargang = HeadingLabel(FilterGruppe, "Årgang:", 16, 22);
  SideLabel = HeadingLabel(FilterGruppe, "Side:", 304, 94);

  KategoriValg =
      Combo(FilterGruppe,
            {T("Alle"), T("Anmeldelse"), T("Artikel"), T("Galleriet"), T("V-CD"), T("Vexor test"),
             T("Nyhed"), T("Nyt fra nettet"), T("Skole"), T("Spørg os"), T("Sådan virker...")},
            11, 304, 48, 113, 24);
  Tekstord = new QLineEdit(FilterGruppe);
  Tekstord->setFont(InputFont());
  Tekstord->setGeometry(112, 90, 169, 21);
  AargangEdit = Combo(FilterGruppe, {T("Alle"), T("2001"), T("2002")}, 4, 16, 48, 129, 24);
  NummerEdit = Combo(FilterGruppe,
                     {T("Alle"), T("1"), T("2"), T("3"), T("4"), T("5"), T("6"), T("7"), T("8"),
                      T("9"), T("10"), T("11"), T("12")},
                     9, 168, 48, 113, 24);
  StartSideEdit = new QSpinBox(FilterGruppe);
  StartSideEdit->setRange(0, 100);
  StartSideEdit->setGeometry(360, 92, 57, 21);

  std::vector<ColumnSpec> columns = {
      {"Aargang", T("Årgang"), 55, true},         {"Nummer", T("Blad nr."), 46, true},
      {"Titel", T("Titel"), 197, true},           {"Kategori", T("Kategori"), 94, true},
      {"StartSide", T("Side"), 40, true},         {"SlutSide", T("Slutside"), 52, true},
      {"Sideantal", T("Antal sider"), 64, false},
  };
  ArtikelGrid = new DataGrid(DataSource1, std::move(columns), Baggrund);
  ArtikelGrid->setObjectName("ArtikelGrid");
  ArtikelGrid->setGeometry(16, 152, 529, 161);
  ArtikelGrid->setFont(InputFont());
  ArtikelGrid->horizontalHeader()->setFont(TitleFont());

  RydOp = Button(Baggrund, "Ryd op!", 200, 328, 67, 25, false);
  Decap = Button(Baggrund, "Decap", 392, 328, 67, 25, false);
  RydOp2 = Button(Baggrund, "Ryd op!", 472, 328, 67, 25, false);
  NyPost = Button(Baggrund, "Ny post", 560, 344, 75, 25, false);
  Manchet = new DataMemo(DataSource1, "Tekst", Baggrund);
  Manchet->setObjectName("Manchet");
  Manchet->setGeometry(16, 360, 249, 89);
  Manchet->setFont(InputFont());
  VProgrammer = new DataMemo(DataSource1, "VProgrammer", Baggrund);
  VProgrammer->setObjectName("VProgrammer");
  VProgrammer->setGeometry(288, 360, 249, 89);
  VProgrammer->setFont(InputFont());
  SletPost = Button(Baggrund, "Slet post", 560, 384, 75, 25, false);
  Afslut = Button(Baggrund, "Afslut", 560, 424, 75, 25, true);
  Afslut->setObjectName("Afslut");
  {
    QFont f = ButtonFont();
    f.setBold(true);
    Afslut->setFont(f);
  }
  NytSprog = Button(Baggrund, "Nyt sprog", 464, 104, 75, 25, true);
  HentV = Button(Baggrund, "Hent V-CD", 560, 304, 75, 25, false);

  // Keyboard order: the search group (category list first), then the grid,
  // the text boxes and the exit button.
  setTabOrder(KategoriValg, Tekstord);
  setTabOrder(Tekstord, AargangEdit);
  setTabOrder(AargangEdit, NummerEdit);
  setTabOrder(NummerEdit, StartSideEdit);
  setTabOrder(StartSideEdit, ArtikelGrid);
  setTabOrder(ArtikelGrid, Manchet);
  setTabOrder(Manchet, VProgrammer);
  setTabOrder(VProgrammer, Afslut);
  KategoriValg->setFocus();
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

void VRegisterForm::CloseTable() {
  if (ArtikelData && ArtikelData->Active()) ArtikelData->Close();
}

}  // namespace ui
