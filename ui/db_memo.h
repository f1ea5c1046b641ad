// DataMemo: a data-bound multi-line text box (`Manchet`, `VProgrammer`). It
// shows the whole text of one memo field of the table's current record,
// wraps lines at the right edge, scrolls vertically, and follows every change
// of the current record, its values and the view.
#pragma once

#include <QPlainTextEdit>
#include <string>

namespace ui {

class DataSource;

class DataMemo : public QPlainTextEdit {
  Q_OBJECT

 public:
  DataMemo(DataSource* source, std::string field_name, QWidget* parent = nullptr);

  const std::string& DataField() const { return field_name_; }
  void Refresh();

 private:
  DataSource* source_;
  std::string field_name_;
  std::string shown_source_;  // the field's text the box shows
};

}  // namespace ui
