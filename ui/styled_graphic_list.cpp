// Picture lists: decode on first use, keep the bitmap, refuse bad pictures
// with a message that says which item.
#include "ui/styled_graphic_list.h"

#include <string>

#include "ui/picture_decode.h"
#include "ui/picture_error.h"

namespace ui {
namespace {

const QImage& NoImage() {
  static const QImage image;
  return image;
}

[[noreturn]] void Refuse(const QObject& list, int index, const std::string& error) {
  throw EInvalidGraphic(list.objectName().toStdString() + " item " + std::to_string(index) + ": " +
                        error);
}

}  // namespace

void TStyledGraphicList::Add(std::span<const uint8_t> encoded) { items_.push_back({encoded, {}}); }

const QImage& TStyledGraphicList::Picture(int index) const {
  if (!HasItem(index)) return NoImage();
  const Item& item = items_[static_cast<size_t>(index)];
  if (item.decoded.isNull()) {
    const bool bmp = item.encoded.size() >= 2 && item.encoded[0] == 'B' && item.encoded[1] == 'M';
    TDecodedPicture picture = bmp ? ReadBmp(item.encoded) : DecodeJpeg(item.encoded);
    if (!picture.ok()) Refuse(*this, index, picture.error);
    item.decoded = std::move(picture.image);
  }
  return item.decoded;
}

void TStyledBitmapList::Add(std::span<const uint8_t> bmp) { items_.push_back({bmp, {}, {}}); }

const QImage& TStyledBitmapList::Bitmap(int index) const {
  if (!HasItem(index)) return NoImage();
  const Item& item = items_[static_cast<size_t>(index)];
  if (item.decoded.isNull()) {
    TDecodedPicture picture = ReadBmp(item.encoded);
    if (!picture.ok()) Refuse(*this, index, picture.error);
    item.decoded = std::move(picture.image);
  }
  return item.decoded;
}

void TStyledBitmapList::SetTransparentColor(int index, QColor color) {
  if (HasItem(index)) items_[static_cast<size_t>(index)].transparent = color;
}

QColor TStyledBitmapList::TransparentColor(int index) const {
  if (!HasItem(index)) return {};
  const Item& item = items_[static_cast<size_t>(index)];
  if (item.transparent) return *item.transparent;
  const QImage& bitmap = Bitmap(index);
  return bitmap.pixelColor(0, bitmap.height() - 1);
}

}  // namespace ui
