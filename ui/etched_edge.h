// The two-tone etched edge of a framed group: a sunken outer line (shadow at
// top and left, highlight at bottom and right) inside which runs a raised
// inner line (the two colours exchanged), 2 pixels in all. The pixels are
// those of the Windows etched edge: each line is drawn top, left, bottom,
// right, the later lines covering the corners of the earlier ones.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>

namespace ui {

void DrawEtchedEdge(QPainter& p, const QRect& rect, QColor shadow, QColor highlight);

}  // namespace ui
