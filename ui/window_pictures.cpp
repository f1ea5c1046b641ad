// Views of the arrays that the build generates from resources/.
#include "ui/window_pictures.h"

#include <cstddef>

extern "C" {
extern const unsigned char vr_picture_background0_jpg[];
extern const size_t vr_picture_background0_jpg_size;
extern const unsigned char vr_picture_background1_jpg[];
extern const size_t vr_picture_background1_jpg_size;
extern const unsigned char vr_picture_logo_bmp[];
extern const size_t vr_picture_logo_bmp_size;
extern const unsigned char vr_picture_vregister_ico[];
extern const size_t vr_picture_vregister_ico_size;
}

namespace ui {

std::span<const uint8_t> Background0Jpeg() {
  return {vr_picture_background0_jpg, vr_picture_background0_jpg_size};
}
std::span<const uint8_t> Background1Jpeg() {
  return {vr_picture_background1_jpg, vr_picture_background1_jpg_size};
}
std::span<const uint8_t> LogoBmp() { return {vr_picture_logo_bmp, vr_picture_logo_bmp_size}; }
std::span<const uint8_t> IconFile() {
  return {vr_picture_vregister_ico, vr_picture_vregister_ico_size};
}

}  // namespace ui
