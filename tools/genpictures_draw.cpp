// The pictures' content. The backgrounds repeat without a seam at their own
// size (every pattern's period divides the picture's side), because the window
// tiles them. The logo is a red badge with a light "V": its outer edge is hard,
// so no half-white pixel rims it where white becomes transparent; the letter's
// colour differs from white in one channel, so it is drawn, not keyed out.
#include <algorithm>
#include <cstdlib>

#include "tools/genpictures.h"

namespace genpictures {
namespace {

int Channel(uint32_t rgb, int shift) { return static_cast<int>((rgb >> shift) & 0xFF); }

// Distance to the nearest multiple of `period`, 0..period/2.
int Triangle(int v, int period) {
  const int m = v % period;
  return std::min(m, period - m);
}

// Twice the signed area of (a, b, p): which side of the line a-b p lies on.
int64_t Side(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t px, int64_t py) {
  return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

// Whether the point (px, py), in 1/8 pixels, lies inside the convex
// quadrilateral q (four corners in 1/8 pixels, either winding).
bool InQuad(const int (&q)[4][2], int px, int py) {
  bool pos = false;
  bool neg = false;
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    const int64_t s = Side(q[i][0], q[i][1], q[j][0], q[j][1], px, py);
    pos = pos || s > 0;
    neg = neg || s < 0;
  }
  return !(pos && neg);
}

// The "V": two strokes meeting at the bottom, in 1/8 pixels, for a badge whose
// centre is (cx, cy) and radius r (in pixels).
bool InLetter(int cx, int cy, int r, int px8, int py8) {
  const int top = (cy - r * 11 / 20) * 8;
  const int bottom = (cy + r * 11 / 20) * 8;
  const int half = r * 11 / 20 * 8;
  const int stroke = r * 8 * 6 / 20;
  const int left[4][2] = {{cx * 8 - half, top},
                          {cx * 8 - half + stroke, top},
                          {cx * 8 + stroke / 2, bottom},
                          {cx * 8 - stroke / 2, bottom}};
  const int right[4][2] = {{cx * 8 + half - stroke, top},
                           {cx * 8 + half, top},
                           {cx * 8 + stroke / 2, bottom},
                           {cx * 8 - stroke / 2, bottom}};
  return InQuad(left, px8, py8) || InQuad(right, px8, py8);
}

// How many of the 4x4 sample points of pixel (x, y) lie in the letter (0..16).
int LetterCover(int cx, int cy, int r, int x, int y) {
  int n = 0;
  for (int sy = 0; sy < 4; ++sy) {
    for (int sx = 0; sx < 4; ++sx) n += InLetter(cx, cy, r, x * 8 + 1 + sx * 2, y * 8 + 1 + sy * 2);
  }
  return n;
}

bool InDisc(int cx, int cy, int r, int x, int y) {
  const int dx = 2 * x + 1 - 2 * cx;
  const int dy = 2 * y + 1 - 2 * cy;
  return dx * dx + dy * dy <= 4 * r * r;
}

}  // namespace

RgbImage Background(int width, int height, uint32_t edge_rgb, uint32_t middle_rgb) {
  RgbImage image{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
  for (int y = 0; y < height; ++y) {
    // Darker at the top and bottom edges, lighter across the middle.
    const int ty = Triangle(y, height);  // 0..height/2
    for (int x = 0; x < width; ++x) {
      // Soft diagonal bands, 200 pixels apart along each axis.
      const int band = Triangle(x + y, 200);  // 0..100
      uint8_t* px = &image.rgb[(static_cast<size_t>(y) * width + x) * 3];
      for (int c = 0; c < 3; ++c) {
        const int shift = 16 - 8 * c;
        const int edge = Channel(edge_rgb, shift);
        const int middle = Channel(middle_rgb, shift);
        const int v = edge + (middle - edge) * ty / (height / 2) + band / 12;
        px[c] = static_cast<uint8_t>(std::clamp(v, 0, 255));
      }
    }
  }
  return image;
}

IndexedImage Logo() {
  constexpr int kSide = 100;
  constexpr int kCx = 44;  // inside the 89 columns the window shows
  constexpr int kCy = 50;
  constexpr int kRadius = 40;
  constexpr int kRim = 4;
  IndexedImage image{kSide, kSide, std::vector<uint32_t>(256, 0), {}};
  // 0 white (transparent), 1 rim, 2..18 badge red to letter colour by coverage.
  image.palette[0] = 0xFFFFFF;
  image.palette[1] = 0x8E1018;
  const int red[3] = {0xC4, 0x1C, 0x24};
  const int letter[3] = {0xFF, 0xFF, 0xFE};
  for (int k = 0; k <= 16; ++k) {
    uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c) {
      rgb = (rgb << 8) | static_cast<uint32_t>(red[c] + (letter[c] - red[c]) * k / 16);
    }
    image.palette[static_cast<size_t>(2 + k)] = rgb;
  }
  // A neutral ramp fills the rest of the 256 entries.
  for (int i = 19; i < 256; ++i) {
    const auto g = static_cast<uint32_t>((i - 19) * 255 / 236);
    image.palette[static_cast<size_t>(i)] = (g << 16) | (g << 8) | g;
  }
  image.index.assign(kSide * kSide, 0);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      uint8_t& px = image.index[static_cast<size_t>(y) * kSide + x];
      if (!InDisc(kCx, kCy, kRadius, x, y)) continue;
      if (!InDisc(kCx, kCy, kRadius - kRim, x, y)) {
        px = 1;
        continue;
      }
      px = static_cast<uint8_t>(2 + LetterCover(kCx, kCy, kRadius, x, y));
    }
  }
  return image;
}

IndexedImage IconImage() {
  constexpr int kSide = 32;
  IndexedImage image{kSide, kSide, {}, {}};
  // The 16 standard colours of a 16-colour display.
  image.palette = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                   0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  image.index.assign(kSide * kSide, 255);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      uint8_t& px = image.index[static_cast<size_t>(y) * kSide + x];
      if (!InDisc(16, 16, 15, x, y)) continue;
      if (!InDisc(16, 16, 13, x, y)) {
        px = 1;  // maroon rim
      } else {
        px = LetterCover(16, 16, 15, x, y) >= 8 ? 15 : 9;  // white letter on red
      }
    }
  }
  return image;
}

}  // namespace genpictures
