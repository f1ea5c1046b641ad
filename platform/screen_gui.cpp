// The primary screen of the running window system, through Qt's screen list.
// Its geometry is the whole screen, in device-independent pixels; availableGeometry (the work area)
// and virtualGeometry (all screens) are deliberately not used.
#include <QGuiApplication>
#include <QScreen>

#include "platform/screen.h"

namespace platform {
namespace {

class SystemPrimaryScreen : public IScreen {
 public:
  int32_t PrimaryWidth() const override {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen == nullptr ? 0 : screen->geometry().width();
  }
  int32_t PrimaryHeight() const override {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen == nullptr ? 0 : screen->geometry().height();
  }
  double PixelRatio() const override {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen == nullptr ? 1.0 : screen->devicePixelRatio();
  }
};

}  // namespace

const IScreen& SystemScreen() {
  static const SystemPrimaryScreen screen;
  return screen;
}

}  // namespace platform
