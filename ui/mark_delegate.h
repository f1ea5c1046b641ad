// MarkDelegate: the data grid's cells, with the search word's places marked
// in the columns that show a searched field. Every other cell, and every cell
// while there is no word, is drawn as the standard delegate draws it. The
// marks are painted only: the model, its data and a copy of the rows never
// hold them.
// Used by DataGrid as its delegate for every column without one of its own.
#pragma once

#include <QStyledItemDelegate>
#include <set>
#include <string_view>

#include "ui/word_marks.h"

namespace ui {

class MarkDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // The word (Windows-1252; empty: no marks) and the columns it is marked in.
  void SetMarks(std::string_view word, std::set<int> columns);
  // The marked places of a cell's text, as character position and length.
  std::vector<std::pair<int, int>> MarkedPlaces(const QModelIndex& index,
                                                const QString& text) const;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  WordMarks marks_;
  std::set<int> columns_;
};

}  // namespace ui
