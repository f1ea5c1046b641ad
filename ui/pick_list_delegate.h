// The pick list of a grid column: while the grid can be edited, editing a
// cell of the column offers a drop-down of fixed entries (typing another text
// stays possible). A read-only grid never starts an edit, so it never offers
// the list.
#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

namespace ui {

class TPickListDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  TPickListDelegate(QStringList items, QObject* parent = nullptr)
      : QStyledItemDelegate(parent), items_(std::move(items)) {}

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
