// The data grid: selection <-> current record, column handling, title clicks.
#include "ui/db_grid.h"

#include <QHeaderView>
#include <set>

#include "engine/text_fold.h"
#include "ui/data_source.h"
#include "ui/grid_accessible.h"
#include "ui/mark_delegate.h"

namespace ui {

DataGrid::DataGrid(DataSource* source, std::vector<ColumnSpec> columns, QWidget* parent)
    : QTableView(parent), source_(source) {
  model_ = new GridTableModel(source, std::move(columns), this);
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  marks_ = new MarkDelegate(this);
  setItemDelegate(marks_);
  copy_action_ = new QAction(this);
  copy_action_->setShortcut(QKeySequence::Copy);
  copy_action_->setShortcutContext(Qt::WidgetShortcut);
  connect(copy_action_, &QAction::triggered, this, &DataGrid::CopySelectedRows);
  addAction(copy_action_);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(true);
  setWordWrap(false);
  horizontalHeader()->setSectionsMovable(true);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setHighlightSections(false);
  // Fixed row heights and a fixed indicator column: the view never measures
  // all rows, which matters at a million of them.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  verticalHeader()->setFixedWidth(14);
  const auto& cols = model_->Columns();
  for (int i = 0; i < static_cast<int>(cols.size()); ++i) {
    setColumnWidth(i, cols[static_cast<size_t>(i)].width);
    setColumnHidden(i, !cols[static_cast<size_t>(i)].visible);
  }
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int logical) { emit titleClick(logical); });
  connect(source_, &DataSource::dataSetChanged, this, &DataGrid::OnDataSetChanged);
  connect(source_, &DataSource::scrolled, this, &DataGrid::OnScrolled);
  connect(source_, &DataSource::recordChanged, this, [this] { model_->RefreshCurrent(); });
  connect(source_, &DataSource::stateChanged, this, [this] { model_->RefreshCurrent(); });
}

void DataGrid::SetReadOnly(bool read_only) {
  read_only_ = read_only;
  model_->SetEditable(!read_only);
  setEditTriggers(read_only ? QAbstractItemView::NoEditTriggers
                            : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                  QAbstractItemView::AnyKeyPressed);
}

void DataGrid::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  QAbstractItemView::selectionChanged(selected, deselected);  // as currentChanged
  GridAccessible::NotifySelection(this, selected, deselected);
}

void DataGrid::SetColumnVisible(int position, bool visible) { setColumnHidden(position, !visible); }

void DataGrid::SetErrorHandler(std::function<void(std::exception_ptr)> handler) {
  error_handler_ = handler;
  model_->SetErrorReporter(std::move(handler));
}

void DataGrid::SetMarks(std::string_view word, std::span<const std::string_view> fields) {
  std::set<int> columns;
  const auto& cols = model_->Columns();
  for (int i = 0; i < static_cast<int>(cols.size()); ++i) {
    for (std::string_view field : fields) {
      if (engine::EqualsIgnoreAsciiCase(cols[static_cast<size_t>(i)].field_name, field)) {
        columns.insert(i);
      }
    }
  }
  marks_->SetMarks(word, std::move(columns));
  viewport()->update();
}

void DataGrid::OnDataSetChanged() {
  syncing_ = true;
  model_->Reset();
  syncing_ = false;
  SelectTableRecord();
}

void DataGrid::OnScrolled() {
  model_->CurrentMoved();
  SelectTableRecord();
}

void DataGrid::SelectTableRecord() {
  store::TArtikelData* table = source_->DataSet();
  if (table == nullptr || !table->Active()) return;
  int row = table->RecNo() - 1;
  // The table followed the grid's current row: the selection the reader
  // made around it stays.
  if (row >= 0 && currentIndex().isValid() && currentIndex().row() == row) return;
  syncing_ = true;
  if (row < 0) {
    selectionModel()->clearSelection();
  } else {
    int column = currentIndex().isValid() ? currentIndex().column() : 0;
    while (column < model_->columnCount() - 1 && isColumnHidden(column)) ++column;
    QModelIndex target = model_->index(row, column);
    selectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(target);
  }
  syncing_ = false;
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  // The table view's own notice numbers the cells of hidden columns too; the
  // grid's accessible table has none of them and sends its own.
  QAbstractItemView::currentChanged(current, previous);
  GridAccessible::NotifyCurrent(this, current);
  if (syncing_ || !current.isValid()) return;
  store::TArtikelData* table = source_->DataSet();
  if (table == nullptr || !table->Active()) return;
  if (current.row() + 1 == table->RecNo()) return;
  try {
    table->SetRecNo(current.row() + 1);
  } catch (...) {
    if (error_handler_) error_handler_(std::current_exception());
    SelectTableRecord();
  }
}

}  // namespace ui
