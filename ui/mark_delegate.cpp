// Painting a grid cell with marks: the item's background, selection and focus
// as the style draws them, then the text laid out once with the marks as
// format ranges, cut short with an ellipsis where the cell is too narrow, as
// the standard delegate does.
#include "ui/mark_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

#include "ui/code_page.h"

namespace ui {

void MarkDelegate::SetMarks(std::string_view word, std::set<int> columns) {
  marks_.SetWord(word);
  columns_ = std::move(columns);
}

std::vector<std::pair<int, int>> MarkDelegate::MarkedPlaces(const QModelIndex& index,
                                                            const QString& text) const {
  std::vector<std::pair<int, int>> places;
  if (marks_.Empty() || !columns_.contains(index.column()) || text.isEmpty()) return places;
  // One byte of Windows-1252 per character: positions carry over.
  for (const auto& [start, length] : marks_.Find(ToCp1252(text))) {
    places.emplace_back(static_cast<int>(start), static_cast<int>(length));
  }
  return places;
}

void MarkDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const std::vector<std::pair<int, int>> places = MarkedPlaces(index, opt.text);
  if (places.empty()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  const QWidget* widget = opt.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  QRect text_rect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  text_rect.adjust(margin, 0, -margin, 0);
  const QString text = opt.text;
  opt.text.clear();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

  const QString shown = opt.fontMetrics.elidedText(text, opt.textElideMode, text_rect.width());
  // The characters of the text that the cut-short form still shows.
  int kept = 0;
  while (kept < shown.size() && kept < text.size() && shown[kept] == text[kept]) ++kept;
  QList<QTextLayout::FormatRange> ranges;
  const QTextCharFormat format = WordMarks::Format();
  for (const auto& [start, length] : places) {
    if (start >= kept) break;
    ranges.push_back({start, std::min(length, kept - start), format});
  }
  QTextLayout layout(shown, opt.font);
  layout.setFormats(ranges);
  QTextOption text_option;
  text_option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(text_option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(text_rect.width());
  layout.endLayout();

  const bool enabled = opt.state & QStyle::State_Enabled;
  const QPalette::ColorGroup group = !enabled                                  ? QPalette::Disabled
                                     : (opt.state & QStyle::State_Active) != 0 ? QPalette::Normal
                                                                               : QPalette::Inactive;
  const bool selected = opt.state & QStyle::State_Selected;
  painter->save();
  painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  painter->setClipRect(text_rect);
  const qreal top = text_rect.top() + (text_rect.height() - layout.boundingRect().height()) / 2;
  layout.draw(painter, QPointF(text_rect.left(), top));
  painter->restore();
}

}  // namespace ui
