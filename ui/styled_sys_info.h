// TStyledSysInfo (`SysInfo`): the primary display's width and height, asked of
// the system at each read, for the bounds of the window's start-up placement.
// It keeps no state besides the screen it asks.
#pragma once

#include <QObject>
#include <cstdint>

#include "platform/screen.h"

namespace ui {

class TStyledSysInfo : public QObject {
  Q_OBJECT

 public:
  explicit TStyledSysInfo(const platform::IScreen& screen, QObject* parent = nullptr)
      : QObject(parent), screen_(&screen) {}

  int32_t ScreenWidth() const { return screen_->PrimaryWidth(); }
  int32_t ScreenHeight() const { return screen_->PrimaryHeight(); }
  // Display pixels per pixel of the window's units (1: not scaled).
  double ScreenScale() const { return screen_->PixelRatio(); }

 private:
  const platform::IScreen* screen_;
};

}  // namespace ui
