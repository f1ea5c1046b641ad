// The window's pictures as embedded into the program from resources/ at
// build time (see tools/genpictures.h for what they are).
#pragma once

#include <cstdint>
#include <span>

namespace ui {

std::span<const uint8_t> Background0Jpeg();  // 800x600, stored, never shown
std::span<const uint8_t> Background1Jpeg();  // 800x800, the window's background
std::span<const uint8_t> LogoBmp();          // 100x100, 8-bit
std::span<const uint8_t> IconFile();         // 32x32, 16 colours

}  // namespace ui
