// The window's pictures, made by program so that they can be regenerated
// byte for byte (tests/genpictures_test.cpp checks the committed files):
//   resources/background0.jpg  800x600, warm tones (stored, never shown)
//   resources/background1.jpg  800x800, calm dark blue (the window's background)
//   resources/logo.bmp         100x100, 8-bit palette, white = transparent
//   resources/vregister.ico    32x32, 16 colours (the application icon)
// Pixels are computed with integer arithmetic only, so no maths library can
// change a byte. The file layouts are in docs/pictures.md.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace genpictures {

// Pixels as red, green, blue bytes, row by row from the top.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

// Palette pixels, row by row from the top.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> palette;  // 0xRRGGBB
  std::vector<uint8_t> index;
};

RgbImage Background(int width, int height, uint32_t edge_rgb, uint32_t middle_rgb);
IndexedImage Logo();
IndexedImage IconImage();  // palette of the 16 standard colours; index 255 = transparent

// Baseline JFIF 1.01, 8 bits, YCbCr 4:2:0, 72 dots per inch, no thumbnail.
std::string EncodeJpeg(const RgbImage& image, int quality);
// 40-byte header, 8 bits, 256-entry palette, uncompressed, bottom-up, 2800 px/m.
std::string EncodeBmp(const IndexedImage& image);
// One 4-bit image with its transparency mask.
std::string EncodeIcon(const IndexedImage& image);

}  // namespace genpictures
