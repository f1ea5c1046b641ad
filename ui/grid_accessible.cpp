// The grid's table interface, its cells and its headers (see grid_accessible.h).
#include "ui/grid_accessible.h"

#include <QHeaderView>
#include <QPointer>

#include "ui/db_grid.h"

namespace ui {
namespace {

quint64 Key(int row, int column) {
  return (static_cast<quint64>(static_cast<quint32>(row + 1)) << 32) |
         static_cast<quint32>(column + 1);
}

GridAccessible* TableOf(DataGrid* grid) {
  return dynamic_cast<GridAccessible*>(QAccessible::queryAccessibleInterface(grid));
}

QString ItemText(const QVariant& accessible, const QVariant& display) {
  const QString text = accessible.toString();
  return text.isEmpty() ? display.toString() : text;
}

// What a cell and a header share: no children, no object of their own, the
// grid's window.
class GridItem : public QAccessibleInterface {
 public:
  GridItem(DataGrid* grid, int row, int column) : grid_(grid), row_(row), column_(column) {}

  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override {
    return grid_ ? QAccessible::queryAccessibleInterface(grid_) : nullptr;
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  void setText(QAccessible::Text, const QString&) override {}

  const DataGrid* Grid() const { return grid_; }
  int Row() const { return row_; }
  int Column() const { return column_; }

 protected:
  bool InModel() const {
    if (!grid_ || grid_->model() == nullptr) return false;
    const QAbstractItemModel* model = grid_->model();
    return row_ < model->rowCount() && column_ < model->columnCount();
  }

  QPointer<DataGrid> grid_;
  int row_;
  int column_;
};

class GridHeader : public GridItem {
 public:
  using GridItem::GridItem;

  bool isValid() const override {
    return InModel() && (row_ >= 0 || !grid_->isColumnHidden(column_));
  }
  QAccessible::Role role() const override {
    return row_ < 0 ? QAccessible::ColumnHeader : QAccessible::RowHeader;
  }
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name || !isValid()) return {};
    const Qt::Orientation o = row_ < 0 ? Qt::Horizontal : Qt::Vertical;
    const int section = row_ < 0 ? column_ : row_;
    const QAbstractItemModel* model = grid_->model();
    return ItemText(model->headerData(section, o, Qt::AccessibleTextRole),
                    model->headerData(section, o, Qt::DisplayRole));
  }
  QRect rect() const override {
    if (!isValid()) return {};
    QHeaderView* header = row_ < 0 ? grid_->horizontalHeader() : grid_->verticalHeader();
    const int section = row_ < 0 ? column_ : row_;
    const int at = header->sectionViewportPosition(section);
    const QRect r = row_ < 0 ? QRect(at, 0, header->sectionSize(section), header->height())
                             : QRect(0, at, header->width(), header->sectionSize(section));
    return r.translated(header->viewport()->mapToGlobal(QPoint(0, 0)));
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    QWidget* header = row_ < 0 ? grid_->horizontalHeader() : grid_->verticalHeader();
    const QRect shown(header->mapToGlobal(QPoint(0, 0)), header->size());
    if (!shown.intersects(rect())) s.invisible = true;
    return s;
  }
};

class GridCell : public GridItem, public QAccessibleTableCellInterface {
 public:
  using GridItem::GridItem;

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TableCellInterface) {
      return static_cast<QAccessibleTableCellInterface*>(this);
    }
    return nullptr;
  }
  bool isValid() const override { return InModel() && !grid_->isColumnHidden(column_); }
  QAccessible::Role role() const override { return QAccessible::Cell; }
  QString text(QAccessible::Text t) const override {
    if ((t != QAccessible::Name && t != QAccessible::Value) || !isValid()) return {};
    const QModelIndex index = Index();
    return ItemText(index.data(Qt::AccessibleTextRole), index.data(Qt::DisplayRole));
  }
  QRect rect() const override {
    if (!isValid()) return {};
    return grid_->visualRect(Index()).translated(grid_->viewport()->mapToGlobal(QPoint(0, 0)));
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    const QModelIndex index = Index();
    s.selectable = true;
    s.selected = isSelected();
    s.focusable = true;
    s.focused = grid_->hasFocus() && grid_->currentIndex() == index;
    if (grid_->model()->flags(index) & Qt::ItemIsEditable) s.editable = true;
    const QRect shown(grid_->viewport()->mapToGlobal(QPoint(0, 0)), grid_->viewport()->size());
    if (!shown.intersects(rect())) s.invisible = true;
    return s;
  }

  // QAccessibleTableCellInterface
  bool isSelected() const override {
    return isValid() && grid_->selectionModel()->isSelected(Index());
  }
  QList<QAccessibleInterface*> columnHeaderCells() const override {
    GridAccessible* table = grid_ ? TableOf(grid_) : nullptr;
    if (table == nullptr) return {};
    return {table->Item(-1, column_)};
  }
  QList<QAccessibleInterface*> rowHeaderCells() const override {
    GridAccessible* table = grid_ ? TableOf(grid_) : nullptr;
    if (table == nullptr) return {};
    return {table->Item(row_, -1)};
  }
  int columnIndex() const override {
    GridAccessible* table = grid_ ? TableOf(grid_) : nullptr;
    return table == nullptr ? -1 : static_cast<int>(table->ShownColumns().indexOf(column_));
  }
  int rowIndex() const override { return row_; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

 private:
  QModelIndex Index() const { return grid_->model()->index(row_, column_); }
};

}  // namespace

GridAccessible::GridAccessible(DataGrid* grid) : QAccessibleWidget(grid, QAccessible::Table) {}

GridAccessible::~GridAccessible() { DropItems(); }

DataGrid* GridAccessible::Grid() const { return static_cast<DataGrid*>(widget()); }

void* GridAccessible::interface_cast(QAccessible::InterfaceType t) {
  if (t == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
  return QAccessibleWidget::interface_cast(t);
}

QList<int> GridAccessible::ShownColumns() const {
  QList<int> shown;
  const QHeaderView* header = Grid()->horizontalHeader();
  for (int visual = 0; visual < header->count(); ++visual) {
    const int column = header->logicalIndex(visual);
    if (column >= 0 && !header->isSectionHidden(column)) shown << column;
  }
  return shown;
}

int GridAccessible::rowCount() const {
  return Grid()->model() == nullptr ? 0 : Grid()->model()->rowCount();
}

QAccessibleInterface* GridAccessible::Item(int row, int column) const {
  const quint64 key = Key(row, column);
  if (auto it = items_.constFind(key); it != items_.constEnd()) {
    return QAccessible::accessibleInterface(*it);
  }
  QAccessibleInterface* item =
      row >= 0 && column >= 0
          ? static_cast<QAccessibleInterface*>(new GridCell(Grid(), row, column))
          : new GridHeader(Grid(), row, column);
  items_.insert(key, QAccessible::registerAccessibleInterface(item));
  return item;
}

void GridAccessible::DropItems() {
  for (QAccessible::Id id : std::as_const(items_)) QAccessible::deleteAccessibleInterface(id);
  items_.clear();
}

int GridAccessible::ChildIndex(int row, int column) const {
  const QList<int> shown = ShownColumns();
  const int width = static_cast<int>(shown.size());
  const int position = column < 0 ? -1 : static_cast<int>(shown.indexOf(column));
  if (column >= 0 && position < 0) return -1;
  if (row < 0) return position;
  return width + row * (width + 1) + 1 + position;
}

int GridAccessible::childCount() const {
  const int width = columnCount();
  return width + rowCount() * (width + 1);
}

QAccessibleInterface* GridAccessible::child(int index) const {
  const QList<int> shown = ShownColumns();
  const int width = static_cast<int>(shown.size());
  if (index < 0 || index >= childCount()) return nullptr;
  if (index < width) return Item(-1, shown[index]);
  const int row = (index - width) / (width + 1);
  const int position = (index - width) % (width + 1) - 1;
  return Item(row, position < 0 ? -1 : shown[position]);
}

int GridAccessible::indexOfChild(const QAccessibleInterface* child) const {
  const auto* item = dynamic_cast<const GridItem*>(child);
  if (item == nullptr || item->Grid() != Grid()) return -1;
  return ChildIndex(item->Row(), item->Column());
}

QAccessibleInterface* GridAccessible::childAt(int x, int y) const {
  DataGrid* grid = Grid();
  const QPoint at = grid->viewport()->mapFromGlobal(QPoint(x, y));
  const QModelIndex index = grid->indexAt(at);
  if (index.isValid() && grid->viewport()->rect().contains(at)) {
    return Item(index.row(), index.column());
  }
  const QHeaderView* top = grid->horizontalHeader();
  const QPoint on_top = top->viewport()->mapFromGlobal(QPoint(x, y));
  if (top->viewport()->rect().contains(on_top)) {
    const int column = top->logicalIndexAt(on_top);
    if (column >= 0) return Item(-1, column);
  }
  const QHeaderView* left = grid->verticalHeader();
  const QPoint on_left = left->viewport()->mapFromGlobal(QPoint(x, y));
  if (left->viewport()->rect().contains(on_left)) {
    const int row = left->logicalIndexAt(on_left);
    if (row >= 0) return Item(row, -1);
  }
  return nullptr;
}

QAccessibleInterface* GridAccessible::focusChild() const {
  const QModelIndex current = Grid()->currentIndex();
  if (!current.isValid() || Grid()->isColumnHidden(current.column())) return nullptr;
  return Item(current.row(), current.column());
}

QAccessibleInterface* GridAccessible::cellAt(int row, int column) const {
  const QList<int> shown = ShownColumns();
  if (row < 0 || row >= rowCount() || column < 0 || column >= shown.size()) return nullptr;
  return Item(row, shown[column]);
}

QList<QAccessibleInterface*> GridAccessible::selectedCells() const {
  QList<QAccessibleInterface*> cells;
  for (const QModelIndex& index : Grid()->selectionModel()->selectedIndexes()) {
    if (!Grid()->isColumnHidden(index.column())) cells << Item(index.row(), index.column());
  }
  return cells;
}

QString GridAccessible::columnDescription(int column) const {
  const QList<int> shown = ShownColumns();
  if (column < 0 || column >= shown.size()) return {};
  return Grid()->model()->headerData(shown[column], Qt::Horizontal).toString();
}

QString GridAccessible::rowDescription(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  return Grid()->model()->headerData(row, Qt::Vertical, Qt::AccessibleTextRole).toString();
}

QList<int> GridAccessible::selectedColumns() const {
  QList<int> columns;
  const QList<int> shown = ShownColumns();
  for (int position = 0; position < shown.size(); ++position) {
    if (isColumnSelected(position)) columns << position;
  }
  return columns;
}

QList<int> GridAccessible::selectedRows() const {
  QList<int> rows;
  for (const QModelIndex& index : Grid()->selectionModel()->selectedRows()) rows << index.row();
  return rows;
}

bool GridAccessible::isColumnSelected(int column) const {
  const QList<int> shown = ShownColumns();
  if (column < 0 || column >= shown.size()) return false;
  return Grid()->selectionModel()->isColumnSelected(shown[column], QModelIndex());
}

bool GridAccessible::isRowSelected(int row) const {
  return Grid()->selectionModel()->isRowSelected(row, QModelIndex());
}

bool GridAccessible::selectRow(int row) {
  if (row < 0 || row >= rowCount()) return false;
  Grid()->selectRow(row);
  return true;
}

void GridAccessible::modelChange(QAccessibleTableModelChangeEvent* event) {
  // A changed value keeps every item; new, removed or reordered rows do not.
  if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged) DropItems();
}

void GridAccessible::NotifyCurrent(DataGrid* grid, const QModelIndex& current) {
  if (!QAccessible::isActive() || !current.isValid()) return;
  GridAccessible* table = TableOf(grid);
  const int child = table == nullptr ? -1 : table->ChildIndex(current.row(), current.column());
  if (child < 0) return;
  QAccessibleEvent event(grid, QAccessible::Focus);
  event.setChild(child);
  QAccessible::updateAccessibility(&event);
}

void GridAccessible::NotifySelection(DataGrid* grid, const QItemSelection& selected,
                                     const QItemSelection& deselected) {
  if (!QAccessible::isActive()) return;
  GridAccessible* table = TableOf(grid);
  if (table == nullptr) return;
  const auto notify = [&](const QItemSelection& selection, QAccessible::Event type) {
    for (const QModelIndex& index : selection.indexes()) {
      const int child = table->ChildIndex(index.row(), index.column());
      if (child < 0) continue;  // a hidden column's cell
      QAccessibleEvent event(grid, type);
      event.setChild(child);
      QAccessible::updateAccessibility(&event);
      return;  // the first shown cell stands for the row
    }
  };
  notify(selected, QAccessible::SelectionAdd);
  notify(deselected, QAccessible::SelectionRemove);
}

}  // namespace ui
