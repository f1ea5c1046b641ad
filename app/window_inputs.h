// What the maintenance commands read from the window and the edition, in one
// place: the shown texts of the search lists and of the page spin edit as the
// system's 8-bit text, the current edition and its "all" word.
#pragma once

#include <cstdint>
#include <string>

#include "app/cover_disc_list.h"
#include "app/indeks_base.h"
#include "ui/code_page.h"
#include "ui/styled_combo_box.h"
#include "ui/styled_spin_edit.h"

namespace app {

// The list's text as shown.
inline std::string ShownText(const ui::TStyledComboBox& list) { return ui::ToCp1252(list.Text()); }

// The spin edit's text: the decimal form of its value, or empty as long as
// the value was never changed from its first 0.
inline std::string SpinEditText(const ui::TStyledSpinEdit& edit) {
  return ui::ToCp1252(edit.Text());
}

inline int32_t CurrentEdition(const TVRegister& window) { return window.Sprog; }
inline const std::string& EditionAllWord(const TVRegister& window) { return window.AlleOrd; }

inline CoverDiscHeadings EditionCoverDiscHeadings(const TVRegister& window) {
  return CoverDiscHeadingsOf(CurrentEdition(window));
}

}  // namespace app
