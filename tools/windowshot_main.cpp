// The command `windowshot OUTPUT.png [WIDTH HEIGHT]`: starts the program's
// window in the Danish edition on the data files of the working directory,
// gives it the outer size (636x459 unless given: the size with no settings
// file) at the screen's top-left corner, lets it paint, and saves what the
// screen shows of it. Run under Xvfb by scripts/screenshot.sh, which makes
// docs/screenshot.png.
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "app/guarded_application.h"
#include "app/indeks_base.h"
#include "platform/file_system.h"
#include "platform/locale.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: windowshot OUTPUT.png [WIDTH HEIGHT]\n");
    return 2;
  }
  const int width = argc == 4 ? std::atoi(argv[2]) : 636;
  const int height = argc == 4 ? std::atoi(argv[3]) : 459;
  app::GuardedApplication application(argc, argv);
  platform::FixedLocale danish(0x0406);
  app::TVRegister window(danish, platform::DefaultFileSystem());
  window.SetOuterLeft(0);
  window.SetOuterTop(0);
  window.SetOuterWidth(width);
  window.SetOuterHeight(height);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) {
    std::fprintf(stderr, "windowshot: the window was not shown\n");
    return 1;
  }
  QTest::qWait(300);  // let every paint reach the screen
  const QRect frame = window.frameGeometry();
  QPixmap shot =
      window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "windowshot: cannot save %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %dx%d\n", argv[1], shot.width(), shot.height());
  return 0;
}
