// Writers of the three picture files. JPEG goes through libjpeg-turbo with
// its default (standard) tables, which makes the output depend only on the
// pixels, the quality and the library. BMP and ICO are laid out by hand with
// the engine's little-endian coding unit.
// jpeglib.h uses size_t and FILE without including their headers.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "engine/coding.h"
#include "tools/genpictures.h"

namespace genpictures {
namespace {

using engine::coding::PutFixed16;
using engine::coding::PutFixed32;
using engine::coding::PutFixed8;

[[noreturn]] void JpegError(j_common_ptr info) {
  char message[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, message);
  // Nothing of ours lives in the library's frames; the tool ends on this.
  std::fprintf(stderr, "genpictures: JPEG: %s\n", message);
  std::exit(1);
}

void PutInfoHeader(std::string* out, int width, int stored_height, int bits, uint32_t image_size,
                   int32_t ppm, uint32_t colours) {
  PutFixed32(out, 40);
  PutFixed32(out, static_cast<uint32_t>(width));
  PutFixed32(out, static_cast<uint32_t>(stored_height));
  PutFixed16(out, 1);  // planes
  PutFixed16(out, static_cast<uint16_t>(bits));
  PutFixed32(out, 0);  // uncompressed
  PutFixed32(out, image_size);
  PutFixed32(out, static_cast<uint32_t>(ppm));
  PutFixed32(out, static_cast<uint32_t>(ppm));
  PutFixed32(out, colours);
  PutFixed32(out, 0);  // all colours important
}

void PutPalette(std::string* out, const std::vector<uint32_t>& palette) {
  for (uint32_t rgb : palette) PutFixed32(out, rgb & 0xFFFFFF);  // blue, green, red, 0
}

size_t Stride(int width, int bits) { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }

}  // namespace

std::string EncodeJpeg(const RgbImage& image, int quality) {
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  err.error_exit = JpegError;
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  // Defaults: YCbCr with the colour difference components at half resolution
  // in both directions, Huffman-coded sequential (baseline) DCT.
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.write_JFIF_header = TRUE;
  info.JFIF_major_version = 1;
  info.JFIF_minor_version = 1;
  info.density_unit = 1;  // dots per inch
  info.X_density = 72;
  info.Y_density = 72;
  info.dct_method = JDCT_ISLOW;
  jpeg_start_compress(&info, TRUE);
  const size_t stride = static_cast<size_t>(image.width) * 3;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(image.rgb.data()) + stride * info.next_scanline;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

std::string EncodeBmp(const IndexedImage& image) {
  constexpr int32_t kPixelsPerMetre = 2800;
  const size_t stride = Stride(image.width, 8);
  const auto pixel_bytes = static_cast<uint32_t>(stride * image.height);
  const auto offset = static_cast<uint32_t>(14 + 40 + 4 * image.palette.size());
  std::string out;
  PutFixed8(&out, 'B');
  PutFixed8(&out, 'M');
  PutFixed32(&out, offset + pixel_bytes);
  PutFixed32(&out, 0);
  PutFixed32(&out, offset);
  PutInfoHeader(&out, image.width, image.height, 8, pixel_bytes, kPixelsPerMetre,
                static_cast<uint32_t>(image.palette.size()));
  PutPalette(&out, image.palette);
  for (int y = image.height - 1; y >= 0; --y) {  // bottom-up
    const size_t row = static_cast<size_t>(y) * image.width;
    out.append(reinterpret_cast<const char*>(&image.index[row]), image.width);
    out.append(stride - image.width, '\0');
  }
  return out;
}

std::string EncodeIcon(const IndexedImage& image) {
  const size_t colour_stride = Stride(image.width, 4);
  const size_t mask_stride = Stride(image.width, 1);
  const auto image_size = static_cast<uint32_t>((colour_stride + mask_stride) * image.height);
  const auto entry_size = static_cast<uint32_t>(40 + 4 * image.palette.size() + image_size);
  std::string out;
  PutFixed16(&out, 0);  // reserved
  PutFixed16(&out, 1);  // icon
  PutFixed16(&out, 1);  // one image
  PutFixed8(&out, static_cast<uint8_t>(image.width));
  PutFixed8(&out, static_cast<uint8_t>(image.height));
  PutFixed8(&out, static_cast<uint8_t>(image.palette.size()));
  PutFixed8(&out, 0);
  PutFixed16(&out, 1);  // planes
  PutFixed16(&out, 4);  // bits per pixel
  PutFixed32(&out, entry_size);
  PutFixed32(&out, 6 + 16);
  // The stored height counts the colour rows and the mask rows.
  PutInfoHeader(&out, image.width, 2 * image.height, 4, image_size, 0, 0);
  PutPalette(&out, image.palette);
  for (int y = image.height - 1; y >= 0; --y) {
    std::string row(colour_stride, '\0');
    for (int x = 0; x < image.width; ++x) {
      const uint8_t i = image.index[static_cast<size_t>(y) * image.width + x];
      const uint8_t v = i == 255 ? 0 : i;
      row[x / 2] = static_cast<char>(row[x / 2] | (x % 2 == 0 ? v << 4 : v));
    }
    out += row;
  }
  for (int y = image.height - 1; y >= 0; --y) {
    std::string row(mask_stride, '\0');
    for (int x = 0; x < image.width; ++x) {
      if (image.index[static_cast<size_t>(y) * image.width + x] == 255) {
        row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
      }
    }
    out += row;
  }
  return out;
}

}  // namespace genpictures
