// Time to first paint: the program's start-up path (open, creation handler,
// reopen on the edition file, first paint of the grid) on a data file of
// 1,000,000 synthetic articles, and how many rows the grid read to paint.
// Usage: ui_first_paint_bench [record count]   (prints figures; never fails on time)
#include <unistd.h>

#include <QApplication>
#include <QPixmap>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/error_display.h"
#include "app/indeks_base.h"
#include "bench/synthetic_articles.h"
#include "engine/packet_codec.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;

  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("vregister_first_paint_" + std::to_string(getpid()));
  fs::create_directories(dir);
  {
    engine::TableData data = bench::SyntheticArticles(count);
    std::string packet, error;
    if (engine::WritePacket(data, engine::PacketForm::kBinary, &packet, &error) != 0) {
      std::fprintf(stderr, "cannot write packet: %s\n", error.c_str());
      return 1;
    }
    // The window opens "Base.xml"; the engine tells the forms apart by content.
    std::ofstream(dir / "Base.xml", std::ios::binary).write(packet.data(), packet.size());
    std::printf("records: %zu, packet: %.1f MB (binary form)\n", count, packet.size() / 1e6);
  }
  fs::path old = fs::current_path();
  fs::current_path(dir);
  app::SetErrorSink([](const std::string&, const std::string& text) {
    std::fprintf(stderr, "error: %s\n", text.c_str());
  });

  using Clock = std::chrono::steady_clock;
  auto t0 = Clock::now();
  platform::FixedLocale danish(0x0406);
  platform::ProfileFiles profiles(platform::DefaultFileSystem(), dir.string());
  auto* window = new app::TVRegister(danish, platform::DefaultFileSystem(), profiles);
  auto t1 = Clock::now();
  window->show();
  QPixmap shot = window->grab();  // forces the first paint of every child
  QApplication::processEvents();
  auto t2 = Clock::now();
  auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
  std::printf("window created (two opens of the file, sorted by title): %.0f ms\n", ms(t0, t1));
  std::printf("show + first paint: %.1f ms\n", ms(t1, t2));
  std::printf("time to first paint: %.0f ms\n", ms(t0, t2));
  std::printf("grid rows: %d, rows read to paint: %d\n", window->ArtikelGrid->model()->rowCount(),
              window->ArtikelGrid->GridModel()->RowsRead());
  delete window;
  fs::current_path(old);
  fs::remove_all(dir);
  return 0;
}
