// A combo box editor over the pick list's entries.
#include "ui/pick_list_delegate.h"

#include <QComboBox>

namespace ui {

QWidget* TPickListDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                         const QModelIndex&) const {
  auto* editor = new QComboBox(parent);
  editor->setEditable(true);
  editor->setInsertPolicy(QComboBox::NoInsert);
  editor->addItems(items_);
  return editor;
}

void TPickListDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  static_cast<QComboBox*>(editor)->setEditText(index.data(Qt::EditRole).toString());
}

void TPickListDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                     const QModelIndex& index) const {
  model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
}

}  // namespace ui
