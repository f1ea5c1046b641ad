// DataMemo: a data-bound multi-line text box (`Manchet`, `VProgrammer`). It
// shows the whole text of one memo field of the table's current record,
// wraps lines at the right edge, scrolls vertically, and follows every change
// of the current record, its values and the view. When it is not read-only,
// what the user types is written to the field of the current record at once
// (the table begins an edit); a refused write goes to the error handler and
// the box shows the field again.
#pragma once

#include <QPlainTextEdit>
#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace ui {

class DataSource;

class DataMemo : public QPlainTextEdit {
  Q_OBJECT

 public:
  DataMemo(DataSource* source, std::string field_name, QWidget* parent = nullptr);

  const std::string& DataField() const { return field_name_; }
  void Refresh();
  void SetErrorHandler(std::function<void(std::exception_ptr)> handler) {
    error_handler_ = std::move(handler);
  }

 private:
  void WriteBack();

  bool refreshing_ = false;
  std::function<void(std::exception_ptr)> error_handler_;
  DataSource* source_;
  std::string field_name_;
  // The field's text the box shows; empty when it must be shown afresh.
  std::optional<std::string> shown_source_;
};

}  // namespace ui
