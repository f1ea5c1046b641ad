// The primary display's size in pixels, as the start-up placement bounds need
// it: the whole primary screen, not its work area (less task bars) and not the
// virtual desktop that spans several screens.
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
};

// The window system's primary screen; 0 by 0 when there is none.
const IScreen& SystemScreen();

class FixedScreen : public IScreen {
 public:
  FixedScreen(int32_t width, int32_t height) : width_(width), height_(height) {}
  int32_t PrimaryWidth() const override { return width_; }
  int32_t PrimaryHeight() const override { return height_; }
  void Set(int32_t width, int32_t height) {
    width_ = width;
    height_ = height;
  }

 private:
  int32_t width_;
  int32_t height_;
};

}  // namespace platform
