// Build step that makes the installed application icons: reads the window's
// square pixel-art icon and writes it as PNG at a size that is a whole
// multiple of its own, every source pixel becoming a square block of equal
// pixels. No smoothing, so the larger icons keep the drawing's hard edges, and
// the same input always gives the same bytes.
//
//   icon_sizes SOURCE SIZE OUTPUT.png
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <string>

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
  if (source.height() != width || size <= 0 || size % width != 0) {
    std::fprintf(stderr,
                 "icon_sizes: no %s-pixel icon from the %dx%d image %s: the size must be a whole "
                 "multiple of the side of a square image\n",
                 argv[2], width, source.height(), argv[1]);
    return 1;
  }
  source = source.convertToFormat(QImage::Format_ARGB32);
  const int factor = size / width;
  QImage out(size, size, QImage::Format_ARGB32);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) out.setPixel(x, y, source.pixel(x / factor, y / factor));
  }
  if (!out.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
    std::fprintf(stderr, "icon_sizes: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
