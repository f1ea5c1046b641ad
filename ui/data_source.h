// DataSource (`DataSource1`): links the article table to the grid and the two
// text boxes. It is the table's data link and re-emits every change of view,
// current record, record values and state as a Qt signal.
//
// REQUIRES: the data source is destroyed (or Detach()ed) before its table.
#pragma once

#include <QObject>

#include "store/artikel_data.h"
#include "store/data_link.h"

namespace ui {

class DataSource : public QObject, public store::DataLink {
  Q_OBJECT

 public:
  DataSource(store::TArtikelData* table, QObject* parent = nullptr);
  ~DataSource() override;
  DataSource(const DataSource&) = delete;
  DataSource& operator=(const DataSource&) = delete;

  store::TArtikelData* DataSet() const { return table_; }
  void Detach();

  void DataSetChanged() override { emit dataSetChanged(); }
  void RecordChanged() override { emit recordChanged(); }
  void DataSetScrolled() override { emit scrolled(); }
  void StateChanged() override { emit stateChanged(); }

 signals:
  void dataSetChanged();
  void recordChanged();
  void scrolled();
  void stateChanged();

 private:
  store::TArtikelData* table_;
};

}  // namespace ui
