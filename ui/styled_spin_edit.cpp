// The start page field: value and text kept apart, integer reading of the
// text, stepping within the bounds.
#include "ui/styled_spin_edit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "store/db_error.h"
#include "ui/code_page.h"

namespace ui {

TStyledSpinEdit::TStyledSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setAccelerated(false);
  setKeyboardTracking(true);
  lineEdit()->clear();
}

QString TStyledSpinEdit::Text() const { return lineEdit()->text(); }

void TStyledSpinEdit::SetValue(double v) {
  if (v == value_) return;
  value_ = std::clamp(v, min_value_, max_value_);
  lineEdit()->setText(QString::number(static_cast<long long>(std::trunc(value_))));
}

int32_t TStyledSpinEdit::AsInteger() const {
  if (edit_type_ != TEditType::kInteger) throw store::EConvertError("No integer entered");
  const QString text = Text().trimmed();
  if (text.isEmpty()) return 0;
  bool ok = false;
  const int32_t n = text.toInt(&ok, 10);
  if (!ok) throw store::EConvertError("'" + ToCp1252(Text()) + "' is not a valid integer value");
  return n;
}

void TStyledSpinEdit::StepFromText(double delta) {
  double from = value_;
  const QString text = Text().trimmed();
  if (!text.isEmpty()) {
    bool ok = false;
    const double n = text.toDouble(&ok);
    if (ok) from = n;
  }
  const double to = std::clamp(from + delta, min_value_, max_value_);
  value_ = to;
  lineEdit()->setText(QString::number(static_cast<long long>(std::trunc(to))));
}

void TStyledSpinEdit::stepBy(int steps) { StepFromText(steps * step_); }

void TStyledSpinEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
      StepFromText(step_);
      break;
    case Qt::Key_Down:
      StepFromText(-step_);
      break;
    case Qt::Key_PageUp:
      StepFromText(large_step_);
      break;
    case Qt::Key_PageDown:
      StepFromText(-large_step_);
      break;
    default:
      QAbstractSpinBox::keyPressEvent(event);
      return;
  }
  event->accept();
}

QAbstractSpinBox::StepEnabled TStyledSpinEdit::stepEnabled() const {
  if (isReadOnly()) return StepNone;
  return StepUpEnabled | StepDownEnabled;
}

QValidator::State TStyledSpinEdit::validate(QString& input, int& pos) const {
  // Whole numbers only (with a sign while typing) for the integer type.
  static const QRegularExpression kInteger("^[+-]?[0-9]*$");
  static const QRegularExpression kFloat("^[+-]?[0-9]*([.,][0-9]*)?$");
  const QRegularExpression& form = edit_type_ == TEditType::kInteger ? kInteger : kFloat;
  return form.match(input).hasMatch() ? QValidator::Acceptable : QValidator::Invalid;
}

}  // namespace ui
