// JPEG decoding with libjpeg-turbo, at full size, straight into a 32-bit
// image. The library reports fatal errors through error_exit, which must not
// return: it longjmps back to Decode(). Between setjmp and the jump the frame
// holds only plain data, so no destructor is skipped; the image is allocated
// after the header is read and handed over only once decoding finished.
// jpeglib.h uses size_t and FILE without including their headers.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "ui/picture_decode.h"

namespace ui {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings (level -1) are errors here: a picture that decodes with a warning
// is damaged. Trace messages (level >= 0) are ignored.
void EmitMessage(j_common_ptr info, int level) {
  if (level < 0) ErrorExit(info);
}

// The largest side we decode; the stored pictures are 800 pixels.
constexpr JDIMENSION kMaxSide = 16384;

// Decodes into `*pixels` (malloc'ed, width * 4 bytes a row); returns false
// with the library's message in err->message.
bool Decode(const uint8_t* data, size_t size, ErrorManager* err, unsigned char** pixels,
            JDIMENSION* width, JDIMENSION* height) {
  jpeg_decompress_struct info;
  std::memset(&info, 0, sizeof info);
  info.err = jpeg_std_error(&err->base);
  err->base.error_exit = ErrorExit;
  err->base.emit_message = EmitMessage;
  *pixels = nullptr;
  if (setjmp(err->jump) != 0) {
    jpeg_destroy_decompress(&info);
    std::free(*pixels);
    *pixels = nullptr;
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGRA;  // the byte order of QImage::Format_RGB32
  info.scale_num = 1;
  info.scale_denom = 1;
  jpeg_start_decompress(&info);
  if (info.output_width > kMaxSide || info.output_height > kMaxSide) {
    std::snprintf(err->message, sizeof err->message, "picture of %ux%u pixels is too large",
                  info.output_width, info.output_height);
    jpeg_destroy_decompress(&info);
    return false;
  }
  *width = info.output_width;
  *height = info.output_height;
  const size_t stride = size_t{info.output_width} * 4;
  *pixels = static_cast<unsigned char*>(std::malloc(stride * info.output_height));
  if (*pixels == nullptr) {
    std::snprintf(err->message, sizeof err->message, "out of memory");
    jpeg_destroy_decompress(&info);
    return false;
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = *pixels + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

TDecodedPicture DecodeJpeg(std::span<const uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
    return {{}, "JPEG: not a JPEG picture (no start-of-image marker at offset 0)"};
  }
  ErrorManager err;
  err.message[0] = '\0';
  unsigned char* pixels = nullptr;
  JDIMENSION width = 0;
  JDIMENSION height = 0;
  if (!Decode(bytes.data(), bytes.size(), &err, &pixels, &width, &height)) {
    return {{}, std::string("JPEG: ") + err.message};
  }
  // The image owns the buffer from here: QImage frees it with the last copy.
  QImage image(
      pixels, static_cast<int>(width), static_cast<int>(height), static_cast<int>(width) * 4,
      QImage::Format_RGB32, [](void* p) { std::free(p); }, pixels);
  return {image, {}};
}

}  // namespace ui
