// The primary display's size in pixels, as the start-up placement bounds need
// it: the whole primary screen, not its work area (less task bars) and not the
// virtual desktop that spans several screens.
//
// Sizes are in the window system's device-independent pixels, the units the
// window's own place and size are given in; PixelRatio says how many of the
// display's own pixels one of them covers (1 on a display that is not scaled,
// 2 on one scaled to twice the size).
//
// SystemScreen() asks the window system at each call (screen_gui.cpp,
// built apart from the rest of platform/ because it needs Qt's GUI module);
// tests give a FixedScreen instead.
#pragma once

#include <cstdint>

namespace platform {

class IScreen {
 public:
  virtual ~IScreen() = default;
  virtual int32_t PrimaryWidth() const = 0;
  virtual int32_t PrimaryHeight() const = 0;
  virtual double PixelRatio() const = 0;
};

// The window system's primary screen; 0 by 0 (ratio 1) when there is none.
const IScreen& SystemScreen();

class FixedScreen : public IScreen {
 public:
  FixedScreen(int32_t width, int32_t height, double pixel_ratio = 1.0)
      : width_(width), height_(height), pixel_ratio_(pixel_ratio) {}
  int32_t PrimaryWidth() const override { return width_; }
  int32_t PrimaryHeight() const override { return height_; }
  double PixelRatio() const override { return pixel_ratio_; }
  void Set(int32_t width, int32_t height) {
    width_ = width;
    height_ = height;
  }

 private:
  int32_t width_;
  int32_t height_;
  double pixel_ratio_;
};

}  // namespace platform
