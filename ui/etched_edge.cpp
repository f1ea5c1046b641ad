// One-pixel lines filled as rectangles, so no pen width or antialiasing can
// move a pixel.
#include "ui/etched_edge.h"

namespace ui {

void DrawEtchedEdge(QPainter& p, const QRect& rect, QColor shadow, QColor highlight) {
  const int l = rect.left();
  const int t = rect.top();
  const int r = rect.left() + rect.width();  // one past the right edge
  const int b = rect.top() + rect.height();  // one past the bottom edge
  if (rect.width() < 2 || rect.height() < 2) return;
  // Outer line.
  p.fillRect(QRect(l, t, r - l, 1), shadow);
  p.fillRect(QRect(l, t, 1, b - t), shadow);
  p.fillRect(QRect(l, b - 1, r - l, 1), highlight);
  p.fillRect(QRect(r - 1, t, 1, b - t), highlight);
  // Inner line, one pixel in, not reaching into the outer corners.
  p.fillRect(QRect(l + 1, t + 1, r - l - 2, 1), highlight);
  p.fillRect(QRect(l + 1, t + 1, 1, b - t - 2), highlight);
  p.fillRect(QRect(l + 1, b - 2, r - l - 2, 1), shadow);
  p.fillRect(QRect(r - 2, t + 1, 1, b - t - 2), shadow);
}

}  // namespace ui
