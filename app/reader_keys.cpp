// The reader's keys and aids beside the search, none of which shows, hides or
// moves a component: Ctrl+F goes to the search word with its text selected;
// Escape in the search word clears it (which re-filters, as any change of the
// word does); a copy of one grid row carries the article's text; and the
// search word is marked wherever the search looks for it (the text box and
// the grid's columns of the searched fields).
#include <QShortcut>
#include <algorithm>
#include <iterator>

#include "app/indeks_base.h"
#include "app/search_filter.h"
#include "engine/text_fold.h"

namespace app {

void TVRegister::ConnectReaderKeys() {
  auto* find = new QShortcut(QKeySequence::Find, this);
  find->setContext(Qt::WindowShortcut);
  connect(find, &QShortcut::activated, this, [this] {
    Tekstord->setFocus(Qt::ShortcutFocusReason);
    Tekstord->selectAll();
  });
  auto* clear = new QShortcut(QKeySequence(Qt::Key_Escape), Tekstord);
  clear->setContext(Qt::WidgetShortcut);
  connect(clear, &QShortcut::activated, this, [this] { Tekstord->clear(); });
  ArtikelGrid->SetCopiedTextField(Manchet->DataField());
}

void TVRegister::MarkSearchWord(const std::string& word) {
  ArtikelGrid->SetMarks(word, kWordFields);
  for (ui::DataMemo* memo : {Manchet, VProgrammer}) {
    const bool searched = std::any_of(
        std::begin(kWordFields), std::end(kWordFields),
        [memo](std::string_view f) { return engine::EqualsIgnoreAsciiCase(f, memo->DataField()); });
    memo->SetMarkWord(searched ? std::string_view(word) : std::string_view());
  }
}

}  // namespace app
