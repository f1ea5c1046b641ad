// The selection event of the search lists, raised from the reader's mouse and
// keys only. See styled_combo_box.h for the rules.
#include "ui/styled_combo_box.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QWheelEvent>
#include <algorithm>

namespace ui {
namespace {

// Rows of the open list at a fixed height.
class FixedHeightDelegate : public QStyledItemDelegate {
 public:
  FixedHeightDelegate(const int& height, QObject* parent)
      : QStyledItemDelegate(parent), height_(height) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(height_);
    return size;
  }

 private:
  const int& height_;
};

}  // namespace

TStyledComboBox::TStyledComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setCompleter(nullptr);
  setDuplicatesEnabled(true);
  setItemDelegate(new FixedHeightDelegate(item_height_, this));
  // The open list's keys and clicks are seen here before the popup acts on them.
  view()->installEventFilter(this);
  view()->viewport()->installEventFilter(this);
}

void TStyledComboBox::SetItems(const QStringList& items) {
  const QString text = currentText();
  clear();
  addItems(items);
  setEditText(text);
}

void TStyledComboBox::SetItemHeight(int pixels) {
  item_height_ = pixels;
  view()->doItemsLayout();
}

void TStyledComboBox::SelectRow(int row) {
  setCurrentIndex(row);
  // setCurrentIndex leaves the text alone when the row was already current.
  setEditText(itemText(row));
  view()->setCurrentIndex(model()->index(row, modelColumn(), rootModelIndex()));
  emit OnSelect();
}

void TStyledComboBox::MoveSelection(int delta) {
  if (count() == 0) return;
  int from = findText(currentText(), Qt::MatchExactly);
  if (from < 0) from = currentIndex();
  int to = from < 0 ? (delta > 0 ? 0 : count() - 1) : std::clamp(from + delta, 0, count() - 1);
  if (to == from) return;
  SelectRow(to);
}

void TStyledComboBox::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) == 0;
  if (plain && event->key() == Qt::Key_Up) {
    MoveSelection(-1);
    event->accept();
    return;
  }
  if (plain && event->key() == Qt::Key_Down) {
    MoveSelection(1);
    event->accept();
    return;
  }
  // Qt would move the entry silently on these; the lists leave them alone.
  if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
    event->accept();
    return;
  }
  QComboBox::keyPressEvent(event);
}

void TStyledComboBox::wheelEvent(QWheelEvent* event) {
  // A wheel turn over the closed list changes nothing (Qt would change the
  // entry without a selection event).
  event->ignore();
}

bool TStyledComboBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view() && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
      const int step = key->key() == Qt::Key_Up ? -1 : 1;
      const int from = view()->currentIndex().isValid() ? view()->currentIndex().row() : -1;
      const int to = from < 0 ? 0 : std::clamp(from + step, 0, count() - 1);
      if (count() > 0 && to != from) SelectRow(to);
      return true;
    }
    // Enter takes the entry under the highlight, which the mouse may have
    // moved without a click.
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      const QModelIndex index = view()->currentIndex();
      hidePopup();
      if (index.isValid() && itemText(index.row()) != currentText()) SelectRow(index.row());
      return true;
    }
  }
  if (watched == view()->viewport() && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QModelIndex index = view()->indexAt(mouse->position().toPoint());
    if (mouse->button() == Qt::LeftButton && index.isValid() &&
        view()->rect().contains(mouse->position().toPoint())) {
      hidePopup();
      SelectRow(index.row());
      return true;
    }
  }
  return QComboBox::eventFilter(watched, event);
}

}  // namespace ui
