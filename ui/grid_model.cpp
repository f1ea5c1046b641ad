// The grid's model: rows by position from the table, a small LRU cache, and
// the once-per-view error report.
#include "ui/grid_model.h"

#include <QTimer>

#include "store/db_error.h"
#include "ui/code_page.h"
#include "ui/data_source.h"

namespace ui {

GridTableModel::GridTableModel(DataSource* source, std::vector<ColumnSpec> columns, QObject* parent)
    : QAbstractTableModel(parent), source_(source), columns_(std::move(columns)) {
  for (const auto& c : columns_) field_index_.push_back(FieldIndexOf(c.field_name));
}

int GridTableModel::FieldIndexOf(std::string_view name) const {
  store::TArtikelData* table = source_->DataSet();
  if (table == nullptr) return -1;
  store::TableField* field = table->FindField(name);
  return field == nullptr ? -1 : field->Index();
}

int GridTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  store::TArtikelData* table = source_->DataSet();
  if (table == nullptr || !table->Active()) return 0;
  return table->RecordCount();
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

const GridTableModel::CachedRow& GridTableModel::Row(int row) const {
  auto it = cache_.find(row);
  if (it != cache_.end()) {
    lru_.splice(lru_.begin(), lru_, it->second.second);
    return it->second.first;
  }
  CachedRow cached;
  try {
    ++rows_read_;
    source_->DataSet()->ReadRow(row, &cached.values);
  } catch (...) {
    cached.values.clear();
    cached.failed = true;
    if (!reported_for_view_) {
      reported_for_view_ = true;
      std::exception_ptr error = std::current_exception();
      ErrorReporter reporter = reporter_;
      if (reporter) {
        QTimer::singleShot(0, [reporter, error] { reporter(error); });
      }
    }
  }
  if (cache_.size() >= kCacheRows) {
    cache_.erase(lru_.back());
    lru_.pop_back();
  }
  lru_.push_front(row);
  auto [pos, inserted] = cache_.emplace(row, std::make_pair(std::move(cached), lru_.begin()));
  return pos->second.first;
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
    return {};
  }
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  const CachedRow& row = Row(index.row());
  int field = field_index_[static_cast<size_t>(index.column())];
  if (row.failed || field < 0 || static_cast<size_t>(field) >= row.values.size()) return {};
  return ValueText(row, field);
}

QString GridTableModel::ValueText(const CachedRow& row, int field) const {
  const store::Variant& v = row.values[static_cast<size_t>(field)];
  if (v.IsNull()) return QString();
  if (v.IsInteger()) return QString::number(v.AsInt64());
  return FromCp1252(v.AsString());
}

QString GridTableModel::FieldText(int row, std::string_view field_name) const {
  if (row < 0 || row >= rowCount()) return QString();
  const int field = FieldIndexOf(field_name);
  const CachedRow& cached = Row(row);
  if (cached.failed || field < 0 || static_cast<size_t>(field) >= cached.values.size()) {
    return QString();
  }
  return ValueText(cached, field);
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  // A screen reader hears a row header as the row's number, not the marker.
  if (role == Qt::AccessibleTextRole && orientation == Qt::Vertical) {
    return section >= 0 && section < rowCount() ? QString::number(section + 1) : QString();
  }
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= columnCount()) return {};
    return columns_[static_cast<size_t>(section)].title;
  }
  // The row indicator marks the current record.
  return section == indicator_row_ ? QString(QChar(0x25B6)) : QString();
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  store::TArtikelData* table = source_->DataSet();
  int field =
      index.column() < columnCount() ? field_index_[static_cast<size_t>(index.column())] : -1;
  if (editable_ && table != nullptr && field >= 0 &&
      table->Fields()[static_cast<size_t>(field)]->Kind() == store::FieldKind::kData) {
    flags |= Qt::ItemIsEditable;
  }
  return flags;
}

bool GridTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) {
    return false;
  }
  store::TArtikelData* table = source_->DataSet();
  if (table == nullptr || !table->Active()) return false;
  try {
    if (table->RecNo() != index.row() + 1) table->SetRecNo(index.row() + 1);
    table->Edit();
    store::TableField& field =
        *table->Fields()[static_cast<size_t>(field_index_[static_cast<size_t>(index.column())])];
    std::string text = ToCp1252(value.toString());
    // An emptied cell clears the field.
    if (text.empty()) {
      field.Clear();
    } else {
      field.SetAsString(text);
    }
  } catch (...) {
    if (reporter_) reporter_(std::current_exception());
    return false;
  }
  return true;
}

void GridTableModel::SetColumnTitle(int position, const QString& title) {
  if (position < 0 || position >= columnCount()) return;
  columns_[static_cast<size_t>(position)].title = title;
  emit headerDataChanged(Qt::Horizontal, position, position);
}

void GridTableModel::Reset() {
  beginResetModel();
  cache_.clear();
  lru_.clear();
  rows_read_ = 0;
  reported_for_view_ = false;
  store::TArtikelData* table = source_->DataSet();
  indicator_row_ = (table != nullptr && table->Active()) ? table->RecNo() - 1 : -1;
  endResetModel();
}

void GridTableModel::RefreshCurrent() {
  store::TArtikelData* table = source_->DataSet();
  if (table == nullptr || !table->Active()) return;
  int row = table->RecNo() - 1;
  if (row < 0) return;
  auto it = cache_.find(row);
  if (it != cache_.end()) {
    lru_.erase(it->second.second);
    cache_.erase(it);
  }
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void GridTableModel::CurrentMoved() {
  store::TArtikelData* table = source_->DataSet();
  int old_row = indicator_row_;
  indicator_row_ = (table != nullptr && table->Active()) ? table->RecNo() - 1 : -1;
  if (old_row >= 0) emit headerDataChanged(Qt::Vertical, old_row, old_row);
  if (indicator_row_ >= 0) emit headerDataChanged(Qt::Vertical, indicator_row_, indicator_row_);
}

}  // namespace ui
