// DataGrid: the data grid (`ArtikelGrid`). A QTableView over GridTableModel that
// keeps its selected row and the table's current record together: moving the
// selection moves the table, and a move of the table (a new filter, order or
// edit) moves the selection. Columns are addressed by position for titles,
// widths and visibility; a click on a column title raises titleClick with the
// column's position.
#pragma once

#include <QTableView>
#include <functional>
#include <vector>

#include "ui/grid_model.h"

namespace ui {

class DataSource;

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
  std::function<void(std::exception_ptr)> error_handler_;
};

}  // namespace ui
