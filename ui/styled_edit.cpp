// The change event of the search word field. Qt's textChanged already skips
// a set of the same text; the comparison with the last text makes that a
// property of this class rather than of the Qt version underneath.
#include "ui/styled_edit.h"

#include <QApplication>
#include <QPalette>

namespace ui {

TStyledEdit::TStyledEdit(QWidget* parent) : QLineEdit(parent) {
  QPalette p = palette();
  p.setColor(QPalette::Base, Qt::white);
  setPalette(p);
  setFrame(true);
  setEchoMode(QLineEdit::Normal);
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (text == last_text_) return;
    last_text_ = text;
    emit OnChange();
  });
}

void TStyledEdit::focusInEvent(QFocusEvent* event) {
  // Qt's flash time is a whole on-and-off cycle, read when the caret starts.
  QApplication::setCursorFlashTime(2 * caret_blink_ms_);
  QLineEdit::focusInEvent(event);
}

}  // namespace ui
