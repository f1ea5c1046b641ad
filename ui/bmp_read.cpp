// Our own reader of the two device-independent bitmap forms the window ships:
// the logo (a BMP file, 8 bits per pixel) and the application icon (an ICO
// file, 4 bits per pixel with a transparency mask). Every count and offset is
// checked against the file's size before it is used; anything of another form
// is refused with what was found and where. The layouts are in
// docs/pictures.md.
#include <string>

#include "engine/coding.h"
#include "ui/picture_decode.h"

namespace ui {
namespace {

using engine::coding::ByteReader;

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;
constexpr int32_t kMaxSide = 16384;

struct InfoHeader {
  uint32_t size = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 0;
  uint16_t bit_count = 0;
  uint32_t compression = 0;
  uint32_t size_image = 0;
  int32_t x_ppm = 0;
  int32_t y_ppm = 0;
  uint32_t clr_used = 0;
  uint32_t clr_important = 0;
};

std::string At(const char* what, size_t offset) {
  return std::string(what) + " at offset " + std::to_string(offset);
}

bool GetInt32(ByteReader* r, int32_t* v) {
  uint32_t u = 0;
  if (!r->GetFixed32(&u)) return false;
  *v = static_cast<int32_t>(u);
  return true;
}

// Reads the 40-byte information header; "" or the reason it is refused.
std::string ReadInfoHeader(ByteReader* r, InfoHeader* h) {
  const size_t start = r->pos();
  if (!r->GetFixed32(&h->size)) return At("file ends inside the information header", start);
  if (h->size != kInfoHeaderSize) {
    return At(("information header of " + std::to_string(h->size) +
               " bytes; only the 40-byte header is read")
                  .c_str(),
              start);
  }
  if (!GetInt32(r, &h->width) || !GetInt32(r, &h->height) || !r->GetFixed16(&h->planes) ||
      !r->GetFixed16(&h->bit_count) || !r->GetFixed32(&h->compression) ||
      !r->GetFixed32(&h->size_image) || !GetInt32(r, &h->x_ppm) || !GetInt32(r, &h->y_ppm) ||
      !r->GetFixed32(&h->clr_used) || !r->GetFixed32(&h->clr_important)) {
    return At("file ends inside the information header", start);
  }
  if (h->planes != 1) return At("plane count is not 1", start + 12);
  if (h->compression != kBiRgb) {
    return At(
        ("compression " + std::to_string(h->compression) + "; only uncompressed is read").c_str(),
        start + 16);
  }
  if (h->width <= 0 || h->width > kMaxSide) {
    return At(("width " + std::to_string(h->width) + " out of range").c_str(), start + 4);
  }
  return "";
}

// Reads `count` palette entries (blue, green, red, reserved) into `palette`.
std::string ReadPalette(ByteReader* r, uint32_t count, QList<QRgb>* palette) {
  const size_t start = r->pos();
  palette->clear();
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t bgrx = 0;
    if (!r->GetFixed32(&bgrx)) return At("file ends inside the palette", start);
    palette->append(qRgb((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF));
  }
  return "";
}

// Bytes of one stored row of `width` pixels at `bits` each, padded to 4.
size_t Stride(int32_t width, int bits) {
  return ((static_cast<size_t>(width) * static_cast<size_t>(bits) + 31) / 32) * 4;
}

// Pixel rows (bottom-up) at `offset` into an RGB32 image.
std::string ReadPixels(std::span<const uint8_t> bytes, size_t offset, int32_t width, int32_t height,
                       int bits, const QList<QRgb>& palette, QImage* image) {
  const size_t stride = Stride(width, bits);
  if (offset > bytes.size() || stride * static_cast<size_t>(height) > bytes.size() - offset) {
    return At(("pixel rows of " + std::to_string(stride * static_cast<size_t>(height)) +
               " bytes run past the end of the file")
                  .c_str(),
              offset);
  }
  *image = QImage(width, height, QImage::Format_RGB32);
  const int per_byte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  for (int32_t stored = 0; stored < height; ++stored) {
    const uint8_t* row = bytes.data() + offset + stride * static_cast<size_t>(stored);
    auto* out = reinterpret_cast<QRgb*>(image->scanLine(height - 1 - stored));
    for (int32_t x = 0; x < width; ++x) {
      const int shift = (per_byte - 1 - x % per_byte) * bits;
      const unsigned index = (row[x / per_byte] >> shift) & mask;
      if (index >= static_cast<unsigned>(palette.size())) {
        *image = QImage();
        return At(
            ("colour index " + std::to_string(index) + " outside the palette of " +
             std::to_string(palette.size()))
                .c_str(),
            offset + stride * static_cast<size_t>(stored) + static_cast<size_t>(x / per_byte));
      }
      out[x] = palette[static_cast<qsizetype>(index)];
    }
  }
  return "";
}

TDecodedPicture Refuse(const char* kind, const std::string& why) {
  return {{}, std::string(kind) + ": " + why};
}

}  // namespace

TDecodedPicture ReadBmp(std::span<const uint8_t> bytes) {
  constexpr const char* kKind = "Bitmap";
  ByteReader r(bytes);
  uint16_t magic = 0;
  uint32_t file_size = 0;
  uint32_t reserved = 0;
  uint32_t bits_offset = 0;
  if (!r.GetFixed16(&magic) || magic != 0x4D42) {
    return Refuse(kKind, "not a bitmap file (no \"BM\" at offset 0)");
  }
  if (!r.GetFixed32(&file_size) || !r.GetFixed32(&reserved) || !r.GetFixed32(&bits_offset)) {
    return Refuse(kKind, "file ends inside the file header");
  }
  InfoHeader h;
  if (std::string why = ReadInfoHeader(&r, &h); !why.empty()) return Refuse(kKind, why);
  if (h.bit_count != 8) {
    return Refuse(kKind, At((std::to_string(h.bit_count) +
                             " bits per pixel; only 8-bit bitmaps with a palette are read")
                                .c_str(),
                            28));
  }
  if (h.height <= 0) {
    return Refuse(
        kKind,
        At(h.height == 0 ? "height 0" : "rows stored top-down; only bottom-up rows are read", 22));
  }
  if (h.height > kMaxSide) return Refuse(kKind, At("height out of range", 22));
  const uint32_t colours = h.clr_used == 0 ? 256 : h.clr_used;
  if (colours > 256) {
    return Refuse(kKind, At(("palette of " + std::to_string(colours) + " colours").c_str(), 46));
  }
  QList<QRgb> palette;
  if (std::string why = ReadPalette(&r, colours, &palette); !why.empty()) {
    return Refuse(kKind, why);
  }
  if (bits_offset < r.pos()) {
    return Refuse(kKind, At("pixel offset points into the headers", 10));
  }
  TDecodedPicture out;
  if (std::string why = ReadPixels(bytes, bits_offset, h.width, h.height, 8, palette, &out.image);
      !why.empty()) {
    return Refuse(kKind, why);
  }
  return out;
}

TDecodedPicture ReadIcon(std::span<const uint8_t> bytes) {
  constexpr const char* kKind = "Icon";
  ByteReader r(bytes);
  uint16_t reserved = 0;
  uint16_t type = 0;
  uint16_t count = 0;
  if (!r.GetFixed16(&reserved) || !r.GetFixed16(&type) || !r.GetFixed16(&count) || reserved != 0 ||
      type != 1) {
    return Refuse(kKind, "not an icon file (no icon directory at offset 0)");
  }
  if (count == 0) return Refuse(kKind, "icon directory with no image");
  uint8_t width8 = 0;
  uint8_t height8 = 0;
  uint8_t colour_count = 0;
  uint8_t reserved8 = 0;
  uint16_t planes = 0;
  uint16_t bit_count = 0;
  uint32_t bytes_in_res = 0;
  uint32_t image_offset = 0;
  if (!r.GetFixed8(&width8) || !r.GetFixed8(&height8) || !r.GetFixed8(&colour_count) ||
      !r.GetFixed8(&reserved8) || !r.GetFixed16(&planes) || !r.GetFixed16(&bit_count) ||
      !r.GetFixed32(&bytes_in_res) || !r.GetFixed32(&image_offset)) {
    return Refuse(kKind, "file ends inside the icon directory");
  }
  if (image_offset > bytes.size() || bytes_in_res > bytes.size() - image_offset) {
    return Refuse(kKind, At("image runs past the end of the file", 18));
  }
  ByteReader image_reader(bytes.subspan(0, image_offset + bytes_in_res));
  image_reader.Seek(image_offset);
  InfoHeader h;
  if (std::string why = ReadInfoHeader(&image_reader, &h); !why.empty()) {
    return Refuse(kKind, why);
  }
  if (h.bit_count != 4) {
    return Refuse(
        kKind,
        At((std::to_string(h.bit_count) + " bits per pixel; only 16-colour icons are read").c_str(),
           image_offset + 14));
  }
  // The stored height counts the colour rows and the mask rows.
  if (h.height <= 0 || h.height % 2 != 0 || h.height / 2 > kMaxSide) {
    return Refuse(kKind, At("height is not twice the icon's height", image_offset + 8));
  }
  const int32_t height = h.height / 2;
  const uint32_t colours = h.clr_used == 0 ? 16 : h.clr_used;
  if (colours > 16) return Refuse(kKind, At("palette of more than 16 colours", image_offset + 32));
  QList<QRgb> palette;
  if (std::string why = ReadPalette(&image_reader, colours, &palette); !why.empty()) {
    return Refuse(kKind, why);
  }
  const std::span<const uint8_t> image_bytes = bytes.subspan(0, image_offset + bytes_in_res);
  const size_t colour_offset = image_reader.pos();
  QImage colour;
  if (std::string why =
          ReadPixels(image_bytes, colour_offset, h.width, height, 4, palette, &colour);
      !why.empty()) {
    return Refuse(kKind, why);
  }
  // The mask: one bit a pixel, 1 where the icon is transparent.
  const size_t mask_offset = colour_offset + Stride(h.width, 4) * static_cast<size_t>(height);
  const QList<QRgb> mask_palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  QImage mask;
  if (std::string why =
          ReadPixels(image_bytes, mask_offset, h.width, height, 1, mask_palette, &mask);
      !why.empty()) {
    return Refuse(kKind, why);
  }
  TDecodedPicture out;
  out.image = QImage(h.width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y) {
    const auto* c = reinterpret_cast<const QRgb*>(colour.constScanLine(y));
    const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
    auto* o = reinterpret_cast<QRgb*>(out.image.scanLine(y));
    for (int x = 0; x < h.width; ++x) o[x] = qRed(m[x]) != 0 ? qRgba(0, 0, 0, 0) : c[x];
  }
  return out;
}

}  // namespace ui
