// Decoders of the window's stored pictures, each refusing what it does not
// read with a text that says what is wrong and where:
//
// - DecodeJpeg: a JPEG at full size, with libjpeg-turbo. A warning of the
//   library (such as data that ends early, which it would otherwise fill with
//   grey) counts as an error.
// - ReadBmp: a Windows bitmap file of the one form the logo uses: 40-byte
//   information header, 8 bits per pixel with a palette, uncompressed, rows
//   stored bottom-up.
// - ReadIcon: an icon file whose first image is a 4-bit (16-colour) bitmap
//   with its transparency mask, the application icon's form.
//
// Results are RGB32 (JPEG, BMP) or ARGB32 (icon) images. Used by the picture
// lists (styled_graphic_list.h) and by the window's icon.
#pragma once

#include <QImage>
#include <cstdint>
#include <span>
#include <string>

namespace ui {

struct TDecodedPicture {
  QImage image;       // null on failure
  std::string error;  // empty on success
  bool ok() const { return error.empty(); }
};

TDecodedPicture DecodeJpeg(std::span<const uint8_t> bytes);
TDecodedPicture ReadBmp(std::span<const uint8_t> bytes);
TDecodedPicture ReadIcon(std::span<const uint8_t> bytes);

}  // namespace ui
