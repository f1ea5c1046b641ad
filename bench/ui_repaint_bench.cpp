// Paint and resize costs of the main window on the shipped Danish data: a
// full repaint of the window (every component; the back panel only copies its
// rendered background), one step of a frame drag (the resizing rules, the
// panel's new background, the repaint), and, as the baseline the cached
// background saves, tiling the picture afresh for every paint.
// Usage: ui_repaint_bench [repetitions]   (prints figures; never fails on time)
#include <unistd.h>

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/error_display.h"
#include "app/indeks_base.h"
#include "platform/file_system.h"
#include "platform/locale.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

struct Figures {
  double median, p95, max;
};

Figures Summarise(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back()};
}

void Print(const char* what, const Figures& f) {
  std::printf("%-52s median %6.3f ms  p95 %6.3f ms  max %6.3f ms\n", what, f.median, f.p95, f.max);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  const int reps = argc > 1 ? std::atoi(argv[1]) : 300;

  namespace fs = std::filesystem;
  const fs::path dir =
      fs::temp_directory_path() / ("vregister_repaint_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::copy_file(fs::path(VR_SOURCE_DIR) / "data" / "Base.xml", dir / "Base.xml");
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  app::SetErrorSink([](const std::string&, const std::string& text) {
    std::fprintf(stderr, "error: %s\n", text.c_str());
  });

  platform::FixedLocale danish(0x0406);
  {
    app::TVRegister window(danish, platform::DefaultFileSystem());
    window.SetOuterWidth(636);
    window.SetOuterHeight(459);
    window.show();
    QApplication::processEvents();
    std::printf("window %dx%d, %d repetitions\n", window.width(), window.height(), reps);

    // Into one buffer of the window's size, as the window system's backing
    // store is reused between paints.
    QImage screen(window.size(), QImage::Format_RGB32);
    std::vector<double> repaint;
    for (int i = 0; i < reps; ++i) {
      const auto t0 = Clock::now();
      window.render(&screen);  // paints every component
      repaint.push_back(Ms(t0, Clock::now()));
    }
    const Figures full = Summarise(repaint);
    Print("full repaint", full);

    // Baseline: what each paint would cost if the panel tiled its picture
    // every time instead of copying the rendered background.
    const QImage tile = window.Baggrundsbillede->Picture(1);
    std::vector<double> tiling;
    for (int i = 0; i < reps; ++i) {
      const auto t0 = Clock::now();
      QImage target(window.size(), QImage::Format_RGB32);
      QPainter p(&target);
      for (int j = 0; j <= target.height() / tile.height() + 1; ++j) {
        for (int k = 0; k <= target.width() / tile.width() + 1; ++k) {
          p.drawImage(k * tile.width(), j * tile.height(), tile);
        }
      }
      p.end();
      tiling.push_back(Ms(t0, Clock::now()));
    }
    const Figures tiled = Summarise(tiling);
    Print("baseline: tiling the background once more", tiled);
    std::printf("a repaint with tiling per paint would cost %.2fx the cached repaint\n",
                (full.median + tiled.median) / full.median);

    // A drag of the frame: every step a new proposed size, laid out, the
    // background rendered for the new size, and the window painted.
    QImage large(808, 827, QImage::Format_RGB32);
    std::vector<double> drag, layout;
    const int renders_before = window.Baggrund->RenderCount();
    for (int i = 0; i < reps; ++i) {
      const int w = 600 + i % 200;
      const int h = 420 + i % 150;
      const auto t0 = Clock::now();
      window.resize(w, h);  // as the window system reports a dragged frame
      const auto t1 = Clock::now();
      window.render(&large);
      drag.push_back(Ms(t0, Clock::now()));
      layout.push_back(Ms(t0, t1));
    }
    Print("resize step: rules and new background", Summarise(layout));
    Print("resize step: rules, new background, full repaint", Summarise(drag));
    std::printf("background renders during %d steps: %d (once per size)\n", reps,
                window.Baggrund->RenderCount() - renders_before);
    std::printf("a frame at 60 Hz: 16.7 ms\n");
  }
  fs::current_path(old);
  fs::remove_all(dir);
  return 0;
}
