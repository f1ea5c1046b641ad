// Data source: registers with the table and forwards its notifications.
#include "ui/data_source.h"

namespace ui {

DataSource::DataSource(store::TArtikelData* table, QObject* parent)
    : QObject(parent), table_(table) {
  if (table_ != nullptr) table_->AddDataLink(this);
}

DataSource::~DataSource() { Detach(); }

void DataSource::Detach() {
  if (table_ != nullptr) table_->RemoveDataLink(this);
  table_ = nullptr;
}

}  // namespace ui
