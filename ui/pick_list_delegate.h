// TPickListDelegate: the editor of a grid column that offers a pick list: an
// editable drop-down list with the given items, so that a cell takes one of
// them or a text of its own.
#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

namespace ui {

class TPickListDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  TPickListDelegate(QStringList items, QObject* parent = nullptr);

  const QStringList& Items() const { return items_; }

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;

 private:
  QStringList items_;
};

}  // namespace ui
