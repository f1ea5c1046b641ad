// TStyledEdit: the search word field (`Tekstord`).
//
// OnChange follows every change of the text: each typed character, each
// deletion, cut and paste, and each time code sets a text that differs from
// the one shown. Setting the same text again raises nothing. The window
// re-filters on it, so the filter always matches what the field shows.
#pragma once

#include <QLineEdit>
#include <QString>

#include "ui/caret_blink.h"

namespace ui {

class TStyledEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit TStyledEdit(QWidget* parent = nullptr);

  QString Text() const { return text(); }
  void SetText(const QString& text) { setText(text); }
  // Half a blink cycle of the caret, in milliseconds; applied while the field
  // has the focus.
  void SetCaretBlinkInterval(int ms) { caret_blink_ms_ = ms; }
  int CaretBlinkInterval() const { return caret_blink_ms_; }

 signals:
  void OnChange();

 protected:
  void focusInEvent(QFocusEvent* event) override;

 private:
  QString last_text_;
  int caret_blink_ms_ = kDefaultCaretBlinkMs;
};

}  // namespace ui
