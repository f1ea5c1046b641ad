// The logo: colour keying done once, drawing on the parent's picture.
#include "ui/styled_image.h"

#include <QPainter>

#include "ui/picture_error.h"

namespace ui {

TStyledImage::TStyledImage(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_NoSystemBackground);
  setAutoFillBackground(false);
}

void TStyledImage::SetImageList(TStyledBitmapList* list) {
  list_ = list;
  Prepare();
}

void TStyledImage::SetListIndex(int index) {
  list_index_ = index;
  Prepare();
}

void TStyledImage::SetForceTransparent(bool on) {
  force_transparent_ = on;
  Prepare();
}

void TStyledImage::Loaded() { Prepare(); }

void TStyledImage::Prepare() {
  shown_ = QImage();
  if (list_ == nullptr || !list_->HasItem(list_index_)) return;
  QImage bitmap;
  QColor key;
  try {
    bitmap = list_->Bitmap(list_index_);
    key = list_->TransparentColor(list_index_);
  } catch (const EInvalidGraphic&) {
    return;  // the list raised it to whoever asked first; nothing to draw
  }
  shown_ = bitmap.convertToFormat(QImage::Format_ARGB32);
  if (force_transparent_) {
    // Exactly the key's red, green and blue; alpha plays no part.
    const QRgb rgb = key.rgb() & 0xFFFFFF;
    for (int y = 0; y < shown_.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(shown_.scanLine(y));
      for (int x = 0; x < shown_.width(); ++x) {
        if ((line[x] & 0xFFFFFF) == rgb) line[x] = 0;
      }
    }
  }
  shown_ = shown_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  update();
}

void TStyledImage::paintEvent(QPaintEvent*) {
  if (shown_.isNull()) return;
  QPainter p(this);
  p.drawImage(0, 0, shown_);
}

}  // namespace ui
