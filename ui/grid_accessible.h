// The grid as a screen reader meets it: a table named by the grid's
// accessible name, whose columns are the grid's shown columns in the order
// they stand (a hidden column is not in it at all), whose column headers read
// the titles and whose row headers read the row numbers.
//
// Children, in this order: the header of each shown column, then per row its
// row header followed by its cells. Cells and headers are made when asked for
// and kept until the rows change (a new filter, order or data set).
#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QItemSelection>
#include <QList>
#include <QModelIndex>

namespace ui {

class DataGrid;

class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit GridAccessible(DataGrid* grid);
  ~GridAccessible() override;

  // The events the view would send with its own numbering of children, in
  // this numbering: the current cell moved, the selected row changed.
  static void NotifyCurrent(DataGrid* grid, const QModelIndex& current);
  static void NotifySelection(DataGrid* grid, const QItemSelection& selected,
                              const QItemSelection& deselected);

  // QAccessibleInterface
  void* interface_cast(QAccessible::InterfaceType t) override;
  QAccessible::Role role() const override { return QAccessible::Table; }
  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;
  QAccessibleInterface* focusChild() const override;

  // QAccessibleTableInterface
  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override;
  int selectedCellCount() const override { return static_cast<int>(selectedCells().size()); }
  QList<QAccessibleInterface*> selectedCells() const override;
  QString columnDescription(int column) const override;
  QString rowDescription(int row) const override;
  int selectedColumnCount() const override { return static_cast<int>(selectedColumns().size()); }
  int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
  int columnCount() const override { return static_cast<int>(ShownColumns().size()); }
  int rowCount() const override;
  QList<int> selectedColumns() const override;
  QList<int> selectedRows() const override;
  bool isColumnSelected(int column) const override;
  bool isRowSelected(int row) const override;
  bool selectRow(int row) override;
  bool selectColumn(int) override { return false; }  // the grid selects rows
  bool unselectRow(int) override { return false; }   // one row is always current
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent* event) override;

  // The grid's shown columns (by creation number) in the order they stand.
  QList<int> ShownColumns() const;
  // A data cell (row >= 0, column >= 0), a column's header (row -1) or a
  // row's header (column -1); column is a creation number.
  QAccessibleInterface* Item(int row, int column) const;
  // The child number of such an item; -1 for a hidden column.
  int ChildIndex(int row, int column) const;

 private:
  DataGrid* Grid() const;
  void DropItems();

  mutable QHash<quint64, QAccessible::Id> items_;
};

}  // namespace ui
