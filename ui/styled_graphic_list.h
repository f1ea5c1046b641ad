// The window's two picture containers:
//
// - TStyledGraphicList (`Baggrundsbillede`): pictures by index (JPEG or BMP,
//   told apart by their first bytes), each turned into a bitmap of its own
//   pixel size (a JPEG decoded at full size) when first asked for.
// - TStyledBitmapList (`VLogo`): BMP bitmaps by index, each with its
//   transparent colour, which unless set is the bitmap's bottom-left pixel.
//
// Pictures are decoded once and kept. A picture that does not decode raises
// EInvalidGraphic naming the list, the item and the fault; asking for an index
// with no item gives a null image (the caller draws nothing).
#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ui {

class TStyledGraphicList : public QObject {
  Q_OBJECT

 public:
  explicit TStyledGraphicList(QObject* parent = nullptr) : QObject(parent) {}

  // The bytes must outlive the list (the embedded pictures do).
  void Add(std::span<const uint8_t> encoded);
  int Count() const { return static_cast<int>(items_.size()); }
  bool HasItem(int index) const { return index >= 0 && index < Count(); }
  // The item's bitmap; null when there is no such item. Throws EInvalidGraphic.
  const QImage& Picture(int index) const;

 private:
  struct Item {
    std::span<const uint8_t> encoded;
    mutable QImage decoded;
  };
  std::vector<Item> items_;
};

class TStyledBitmapList : public QObject {
  Q_OBJECT

 public:
  explicit TStyledBitmapList(QObject* parent = nullptr) : QObject(parent) {}

  void Add(std::span<const uint8_t> bmp);
  int Count() const { return static_cast<int>(items_.size()); }
  bool HasItem(int index) const { return index >= 0 && index < Count(); }
  const QImage& Bitmap(int index) const;
  // Overrides the bottom-left pixel's colour for an item.
  void SetTransparentColor(int index, QColor color);
  // The colour of the item's bottom-left pixel, unless set.
  QColor TransparentColor(int index) const;

 private:
  struct Item {
    std::span<const uint8_t> encoded;
    std::optional<QColor> transparent;
    mutable QImage decoded;
  };
  std::vector<Item> items_;
};

}  // namespace ui
