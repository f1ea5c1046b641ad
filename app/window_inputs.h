// What the maintenance commands read from the window and the edition, in one
// place: the shown texts of the search lists and of the page spin edit as the
// system's 8-bit text, the current edition and its "all" word.
#pragma once

#include <QComboBox>
#include <QSpinBox>
#include <cstdint>
#include <string>

#include "app/indeks_base.h"
#include "ui/code_page.h"

namespace app {

// The list's text as shown.
inline std::string ShownText(const QComboBox& list) { return ui::ToCp1252(list.currentText()); }

// The spin edit's text: the decimal form of its value.
inline std::string SpinEditText(const QSpinBox& edit) { return ui::ToCp1252(edit.text()); }

inline int32_t CurrentEdition() { return Sprog; }
inline const std::string& EditionAllWord() { return AlleOrd; }

}  // namespace app
