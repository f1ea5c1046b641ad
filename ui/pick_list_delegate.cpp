// Pick-list cell editor of the data grid.
#include "ui/pick_list_delegate.h"

#include <QComboBox>

namespace ui {

TPickListDelegate::TPickListDelegate(QStringList items, QObject* parent)
    : QStyledItemDelegate(parent), items_(std::move(items)) {}

QWidget* TPickListDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                         const QModelIndex&) const {
  auto* combo = new QComboBox(parent);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->addItems(items_);
  return combo;
}

void TPickListDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  static_cast<QComboBox*>(editor)->setCurrentText(index.data(Qt::EditRole).toString());
}

void TPickListDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                     const QModelIndex& index) const {
  model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
}

}  // namespace ui
