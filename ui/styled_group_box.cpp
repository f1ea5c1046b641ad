// Painting of the transparent group: picture, etched frame, caption gap,
// caption.
#include "ui/styled_group_box.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include "ui/etched_edge.h"
#include "ui/styled_back_panel.h"

namespace ui {

TStyledGroupBox::TStyledGroupBox(QWidget* parent) : QGroupBox(parent) {
  setFlat(false);
  setCheckable(false);
}

void TStyledGroupBox::SetCaptionFont(const QFont& font, QColor color) {
  caption_font_ = font;
  caption_color_ = color;
  update();
}

void TStyledGroupBox::Loaded() {
  // On a back panel the group covers its area itself (from the panel's
  // picture), so Qt need not paint the panel beneath it first.
  setAttribute(Qt::WA_OpaquePaintEvent, Panel() != nullptr);
}

int TStyledGroupBox::CaptionHeight() const {
  // The text extent's height, the same for every character of the font.
  return QFontMetrics(caption_font_).height();
}

QRect TStyledGroupBox::CaptionGap() const {
  const QFontMetrics fm(caption_font_);
  const int text_width = fm.horizontalAdvance(title());  // trailing blanks included
  return QRect(caption_offset_ - 2, 0, text_width + 4, CaptionHeight() + 2);
}

const TStyledBackPanel* TStyledGroupBox::Panel() const {
  for (const QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget()) {
    if (const auto* panel = qobject_cast<const TStyledBackPanel*>(w)) return panel;
  }
  return nullptr;
}

void TStyledGroupBox::FillFromPanel(QPainter& p, const QRect& r) const {
  const TStyledBackPanel* panel = Panel();
  if (panel == nullptr) return;  // not on a panel: Qt shows the parent through
  if (panel->Background().isNull()) {
    p.fillRect(r, panel->Color());
    return;
  }
  const QPoint offset = mapTo(panel, QPoint(0, 0));
  p.drawImage(r.topLeft(), panel->Background(), r.translated(offset));
}

void TStyledGroupBox::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  FillFromPanel(p, event->rect());
  const int h = CaptionHeight();
  const int frame_top = h / 2 - 1;
  // The frame stays off the caption's gap: the same pixels as drawing it and
  // filling the gap with the picture again, and right also off a panel.
  QRegion frame_area(rect());
  if (!title().isEmpty()) frame_area -= CaptionGap();
  p.setClipRegion(frame_area);
  DrawEtchedEdge(p, QRect(0, frame_top, width(), height() - frame_top),
                 palette().color(QPalette::Dark), palette().color(QPalette::Light));
  p.setClipping(false);
  if (title().isEmpty()) return;
  p.setFont(caption_font_);
  p.setPen(caption_color_);
  p.drawText(QRect(caption_offset_, 0, width() - caption_offset_, h),
             Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title());
}

}  // namespace ui
