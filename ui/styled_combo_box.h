// TStyledComboBox: the editable drop-down lists of the search group
// (`KategoriValg`, `AargangEdit`, `NummerEdit`).
//
// The window filters on OnSelect, which the list raises only when the reader
// picks an entry: a click on an entry of the open list, or each move of the
// selection with the Up and Down keys, open list or not. When it is raised the
// text field already shows the picked entry. Typing into the field raises no
// OnSelect (the next selection reads the typed text), and neither does code
// that sets the text, the entries or the current entry.
//
// Qt's own `activated` is not used for this: an editable QComboBox also emits
// it when typed text that matches an entry loses the focus. Incremental
// completion is off, so typed text stays as typed.
#pragma once

#include <QComboBox>
#include <QStringList>

namespace ui {

class TStyledComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TStyledComboBox(QWidget* parent = nullptr);

  // Replaces the entries (not sorted) and leaves the text as it was.
  void SetItems(const QStringList& items);
  // The number of rows the open list shows before it scrolls.
  void SetDropDownCount(int rows) { setMaxVisibleItems(rows); }
  int DropDownCount() const { return maxVisibleItems(); }
  // The height of a row of the open list.
  void SetItemHeight(int pixels);
  int ItemHeight() const { return item_height_; }
  QString Text() const { return currentText(); }
  void SetText(const QString& text) { setEditText(text); }

 signals:
  // The reader picked an entry; Text() is that entry's text.
  void OnSelect();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Moves the selection by `delta` rows from the entry the field shows (or
  // the current entry when the text is no entry), clamped to the list; raises
  // OnSelect when the selection moved.
  void MoveSelection(int delta);
  void SelectRow(int row);

  int item_height_ = 16;
};

}  // namespace ui
