// DataGrid: the data grid (`ArtikelGrid`). A QTableView over GridTableModel that
// keeps its selected row and the table's current record together: moving the
// selection moves the table, and a move of the table (a new filter, order or
// edit) moves the selection. Columns are addressed by position for titles,
// widths and visibility; a click on a column title raises titleClick with the
// column's position.
//
// Several rows can be selected (Shift and Ctrl with a click or a key); the
// current row alone is the table's current record. Ctrl+C and the context
// menu's copy entry copy the selected rows (ui/grid_copy.cpp). The columns of
// searched fields mark the search word (ui/mark_delegate.h).
#pragma once

#include <QAction>
#include <QTableView>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/grid_model.h"

namespace ui {

class DataSource;
class MarkDelegate;

class DataGrid : public QTableView {
  Q_OBJECT

 public:
  DataGrid(DataSource* source, std::vector<ColumnSpec> columns, QWidget* parent = nullptr);

  GridTableModel* GridModel() const { return model_; }
  // Read-only: no cell can be edited. Otherwise the stored fields' cells are
  // edited in place and written to the table.
  void SetReadOnly(bool read_only);
  bool ReadOnly() const { return read_only_; }
  void SetColumnVisible(int position, bool visible);
  bool ColumnVisible(int position) const { return !isColumnHidden(position); }
  void SetColumnTitle(int position, const QString& title) {
    model_->SetColumnTitle(position, title);
  }
  void SetColumnWidth(int position, int width) { setColumnWidth(position, width); }

  // Where errors of moving the table's record go (the application's display).
  void SetErrorHandler(std::function<void(std::exception_ptr)> handler);

  // Marks `word` (Windows-1252; empty: no marks) in the columns showing one
  // of `fields` (names matched as field names are, without regard to case).
  void SetMarks(std::string_view word, std::span<const std::string_view> fields);
  MarkDelegate* Marks() const { return marks_; }

  // The copy command of the context menu and of Ctrl+C; the window gives it
  // its caption.
  QAction* CopyAction() const { return copy_action_; }
  // The field whose text a copy of one row adds after a blank line.
  void SetCopiedTextField(std::string field_name) { copied_text_field_ = std::move(field_name); }
  // The selected rows as a copy holds them: the shown columns' titles, then
  // one line per row in the view's order, the cells in the columns' shown
  // order, separated by tabs; for one row, a blank line and the copied text
  // field's text. Empty when no row is selected.
  QString SelectedRowsText() const;
  // Puts SelectedRowsText on the clipboard (nothing when no row is selected).
  void CopySelectedRows();

 signals:
  void titleClick(int position);

 protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

 private:
  void OnDataSetChanged();
  void OnScrolled();
  void SelectTableRecord();

  DataSource* source_;
  GridTableModel* model_;
  bool read_only_ = false;
  bool syncing_ = false;
  MarkDelegate* marks_ = nullptr;
  QAction* copy_action_ = nullptr;
  std::string copied_text_field_;
  std::function<void(std::exception_ptr)> error_handler_;
};

}  // namespace ui
