// TStyledSpinEdit: the start page field (`StartSideEdit`), a number field with
// spin buttons.
//
// The held value and the shown text are kept apart, as the settings rely on:
// the text is empty after creation and only a change of the value gives it
// digits. Setting the value it already holds leaves the text as it is, even
// empty; reading the integer reads the text (empty reads 0).
//
// Up/Down and the spin buttons step by Step, Page Up/Page Down by LargeStep,
// each within MinValue..MaxValue.
#pragma once

#include <QAbstractSpinBox>
#include <QString>
#include <cstdint>

namespace ui {

class TStyledSpinEdit : public QAbstractSpinBox {
  Q_OBJECT

 public:
  enum class TEditType { kInteger, kFloat };

  explicit TStyledSpinEdit(QWidget* parent = nullptr);

  void SetEditType(TEditType type) { edit_type_ = type; }
  TEditType EditType() const { return edit_type_; }
  void SetMinValue(double v) { min_value_ = v; }
  void SetMaxValue(double v) { max_value_ = v; }
  double MinValue() const { return min_value_; }
  double MaxValue() const { return max_value_; }
  void SetStep(double v) { step_ = v; }
  void SetLargeStep(double v) { large_step_ = v; }
  double Step() const { return step_; }
  double LargeStep() const { return large_step_; }

  // Stores `v` bounded to MinValue..MaxValue and shows its integer part;
  // nothing happens when `v` equals the held value.
  void SetValue(double v);
  double Value() const { return value_; }
  // The text read as a decimal integer; empty reads 0. Throws EConvertError
  // "No integer entered" unless the edit holds integers, and the conversion
  // error for text that is no integer.
  int32_t AsInteger() const;
  QString Text() const;

  void stepBy(int steps) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  StepEnabled stepEnabled() const override;
  QValidator::State validate(QString& input, int& pos) const override;

 private:
  // Moves the shown number by `delta`, from the text's number (or the held
  // value when the text is empty).
  void StepFromText(double delta);

  TEditType edit_type_ = TEditType::kInteger;
  double min_value_ = 0;
  double max_value_ = 0;
  double value_ = 0;
  double step_ = 1;
  double large_step_ = 10;
};

}  // namespace ui
