// Build step that makes the installed application icons from the window's
// square pixel-art icon, written as PNG:
// - at a whole multiple of the drawing's side, every source pixel becomes a
//   square block of equal pixels, so the larger icons keep the hard edges;
// - at any other size (the small ones a menu or panel asks for, and sizes
//   between), each output pixel is the exact area average of the source
//   pixels it covers (in premultiplied colour, so that transparent pixels
//   lend no colour), so the whole drawing is reduced, never cut out.
// The same input always gives the same bytes. The output folder is made when
// it is missing.
//
//   icon_sizes SOURCE SIZE OUTPUT.png
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <string>
#include <system_error>

namespace {

// Every source pixel as a square block of `factor` pixels a side.
QImage Enlarge(const QImage& source, int factor) {
  const int size = source.width() * factor;
  QImage out(size, size, QImage::Format_ARGB32);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) out.setPixel(x, y, source.pixel(x / factor, y / factor));
  }
  return out;
}

// The image at `size`: enlarged without smoothing to the least common
// multiple of both sides, then each `size`-th block averaged, which is the
// exact area average of the source over each output pixel.
QImage Reduce(const QImage& source, int size) {
  const int width = source.width();
  const int common = std::lcm(width, size);
  const QImage big = Enlarge(source, common / width);
  const int block = common / size;
  QImage out(size, size, QImage::Format_ARGB32);
  const long count = static_cast<long>(block) * block;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      long a = 0, r = 0, g = 0, b = 0;
      for (int by = 0; by < block; ++by) {
        for (int bx = 0; bx < block; ++bx) {
          const QRgb p = big.pixel(x * block + bx, y * block + by);
          a += qAlpha(p);
          r += qRed(p) * qAlpha(p);
          g += qGreen(p) * qAlpha(p);
          b += qBlue(p) * qAlpha(p);
        }
      }
      if (a == 0) {
        out.setPixel(x, y, qRgba(0, 0, 0, 0));
        continue;
      }
      // Rounded to the nearest: colour un-premultiplied by the summed alpha.
      out.setPixel(
          x, y,
          qRgba(static_cast<int>((r + a / 2) / a), static_cast<int>((g + a / 2) / a),
                static_cast<int>((b + a / 2) / a), static_cast<int>((a + count / 2) / count)));
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: icon_sizes SOURCE SIZE OUTPUT.png\n");
    return 2;
  }
  QImage source(QString::fromLocal8Bit(argv[1]));
  if (source.isNull()) {
    std::fprintf(stderr, "icon_sizes: cannot read the image %s\n", argv[1]);
    return 1;
  }
  const int size = std::atoi(argv[2]);
  const int width = source.width();
  if (source.height() != width || size <= 0 || size > 1024) {
    std::fprintf(stderr,
                 "icon_sizes: no %s-pixel icon from the %dx%d image %s: the image must be "
                 "square and the size between 1 and 1024\n",
                 argv[2], width, source.height(), argv[1]);
    return 1;
  }
  source = source.convertToFormat(QImage::Format_ARGB32);
  const QImage out = size % width == 0 ? Enlarge(source, size / width) : Reduce(source, size);
  const std::filesystem::path path = argv[3];
  std::error_code error;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
  if (error || !out.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
    std::fprintf(stderr, "icon_sizes: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
