// Data source: registers with the table and forwards its notifications.
#include "ui/data_source.h"

namespace ui {

TDataSource::TDataSource(store::TArtikelData* table, QObject* parent)
    : QObject(parent), table_(table) {
  if (table_ != nullptr) table_->AddDataLink(this);
}

TDataSource::~TDataSource() { Detach(); }

void TDataSource::Detach() {
  if (table_ != nullptr) table_->RemoveDataLink(this);
  table_ = nullptr;
}

}  // namespace ui
