// Tiling into the off-screen background, and painting by copying from it.
#include "ui/styled_back_panel.h"

#include <QPaintEvent>
#include <QPainter>

#include "ui/picture_error.h"

namespace ui {

TStyledBackPanel::TStyledBackPanel(QWidget* parent) : QWidget(parent) {
  // The panel covers its whole area itself; Qt need not clear it first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TStyledBackPanel::Loaded() {
  loaded_ = true;
  Render();
}

void TStyledBackPanel::Render() {
  background_ = QImage();
  rendered_size_ = size();
  if (list_ == nullptr || !list_->HasItem(list_index_) || width() <= 0 || height() <= 0) return;
  QImage picture;
  try {
    picture = list_->Picture(list_index_);
  } catch (const EInvalidGraphic& e) {
    picture_error_ = e.what();
    return;
  }
  const int w = picture.width();
  const int h = picture.height();
  if (w <= 0 || h <= 0) return;
  // The pixels live in a buffer that only ever grows, so a drag of the
  // window's frame writes into memory already touched instead of fresh pages.
  const size_t needed = static_cast<size_t>(width()) * static_cast<size_t>(height());
  if (pixels_.size() < needed) pixels_.resize(needed);
  background_ = QImage(reinterpret_cast<uchar*>(pixels_.data()), width(), height(), width() * 4,
                       QImage::Format_RGB32);
  QPainter p(&background_);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  // Positions (i*w, j*h) for i up to PW div w + 1 and j up to PH div h + 1;
  // the painter cuts each copy at the image's edges.
  for (int j = 0; j <= height() / h + 1; ++j) {
    for (int i = 0; i <= width() / w + 1; ++i) p.drawImage(i * w, j * h, picture);
  }
  ++render_count_;
  update();
}

void TStyledBackPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // A resize event can repeat the size already rendered (Qt delivers one
  // when a widget sized while hidden is first shown or grabbed).
  if (loaded_ && event->size() != rendered_size_) Render();
}

void TStyledBackPanel::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const QRect r = event->rect();
  if (background_.isNull()) {
    p.fillRect(r, Color());
    return;
  }
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(r.topLeft(), background_, r);
}

}  // namespace ui
