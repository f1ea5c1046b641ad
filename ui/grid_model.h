// GridTableModel: the table model behind the data grid. It reads the article
// table's current view row by row, by position, on demand: nothing of the
// table is copied, so a million rows cost no more than a thousand. A small
// cache keeps the rows painted recently; every change of the view clears it.
//
// A row whose read fails (the calculation hook raises, e.g. for a page count
// beyond the count field's range) is shown empty, and its error is
// reported once per view: the model remembers that it reported for the current
// view and stays quiet on repaints until the view changes. The report is
// posted to the event loop, never raised inside painting.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <exception>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/artikel_data.h"
#include "store/variant.h"

namespace ui {

class DataSource;

struct ColumnSpec {
  std::string field_name;  // the field object shown
  QString title;
  int width = 64;
  bool visible = true;
};

class GridTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using ErrorReporter = std::function<void(std::exception_ptr)>;

  GridTableModel(DataSource* source, std::vector<ColumnSpec> columns, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Writes an edited cell: the table moves to the row, begins an edit and the
  // field converts the text. A refused value is reported and nothing changes.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  // Whether the stored fields' cells can be edited (the calculated one never).
  void SetEditable(bool editable) { editable_ = editable; }
  bool Editable() const { return editable_; }

  const std::vector<ColumnSpec>& Columns() const { return columns_; }
  // The text of any field object of a row, shown or not, as a cell shows it
  // (empty for an unknown field or a row whose read failed).
  QString FieldText(int row, std::string_view field_name) const;
  void SetColumnTitle(int position, const QString& title);
  void SetErrorReporter(ErrorReporter reporter) { reporter_ = std::move(reporter); }

  // How many rows were read from the table since the last reset (for tests
  // and the first-paint measurement).
  int RowsRead() const { return rows_read_; }

  // Re-read everything: the view changed.
  void Reset();
  // The current record's values changed.
  void RefreshCurrent();
  // The current record moved: repaint the row indicator.
  void CurrentMoved();

 private:
  struct CachedRow {
    std::vector<store::Variant> values;
    bool failed = false;
  };
  const CachedRow& Row(int row) const;
  int FieldIndexOf(std::string_view name) const;
  QString ValueText(const CachedRow& row, int field) const;

  DataSource* source_;
  std::vector<ColumnSpec> columns_;
  std::vector<int> field_index_;  // per column: index among the table's field objects
  ErrorReporter reporter_;

  static constexpr size_t kCacheRows = 512;
  mutable std::unordered_map<int, std::pair<CachedRow, std::list<int>::iterator>> cache_;
  mutable std::list<int> lru_;
  mutable int rows_read_ = 0;
  mutable bool reported_for_view_ = false;
  int indicator_row_ = -1;
  bool editable_ = false;
};

}  // namespace ui
