// One keystroke in the search word, as the reader meets it: the change event
// composes the filter, the table compiles and installs it, counts the view,
// and the grid paints its first rows. A real word is typed letter by letter
// into the window on 100,000 synthetic articles (20 keystrokes); each is timed
// from the key to the painted grid. SQLite's LIKE on the same rows, for the
// same words, in the same run is the peer.
// Usage: ui_keystroke_bench [record count]   (prints figures; never fails on time)
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>
#include <QPixmap>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/error_display.h"
#include "app/indeks_base.h"
#include "bench/sqlite_articles.h"
#include "bench/synthetic_articles.h"
#include "engine/packet_codec.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// The first 20 letters of a Danish compound of the texts' words.
constexpr const char kWord[] = "tekstbehandlingsprog";

struct Figures {
  double median, worst;
};
Figures Summary(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return {(ms[ms.size() / 2 - 1] + ms[ms.size() / 2]) / 2, ms.back()};
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;

  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("vregister_keystroke_" + std::to_string(getpid()));
  fs::create_directories(dir);
  engine::TableData data = bench::SyntheticArticles(count);
  {
    std::string packet, error;
    if (engine::WritePacket(data, engine::PacketForm::kBinary, &packet, &error) != 0) {
      std::fprintf(stderr, "cannot write packet: %s\n", error.c_str());
      return 1;
    }
    std::ofstream(dir / "Base.xml", std::ios::binary).write(packet.data(), packet.size());
  }
  sqlite3* db = bench::LoadSqliteArticles(data);
  data = engine::TableData();
  fs::path old = fs::current_path();
  fs::current_path(dir);
  app::SetErrorSink([](const std::string&, const std::string& text) {
    std::fprintf(stderr, "error: %s\n", text.c_str());
  });

  platform::FixedLocale danish(0x0406);
  platform::ProfileFiles profiles(platform::DefaultFileSystem(), dir.string());
  auto* window = new app::TVRegister(danish, platform::DefaultFileSystem(), profiles);
  window->show();
  window->grab();
  QApplication::processEvents();

  std::printf("records: %zu; typing \"%s\" into the search word, sorted by title\n", count, kWord);
  std::printf("%-22s %10s %10s %12s %12s\n", "word", "rows", "window ms", "sqlite rows",
              "sqlite ms");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT count(*) FROM a WHERE (tekst LIKE ?1 OR titel LIKE ?1)", -1, &st,
                     nullptr);
  std::vector<double> window_ms, sqlite_ms;
  std::string typed;
  for (const char* p = kWord; *p != '\0'; ++p) {
    typed += *p;
    // The key, as the field takes it: its change event filters.
    auto t0 = Clock::now();
    window->Tekstord->insert(QString(QChar(*p)));
    const int rows = window->ArtikelGrid->model()->rowCount();
    window->ArtikelGrid->viewport()->repaint();
    auto t1 = Clock::now();

    const std::string pattern = "%" + typed + "%";
    auto s0 = Clock::now();
    sqlite3_bind_text(st, 1, pattern.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(st);
    const int sqlite_rows = sqlite3_column_int(st, 0);
    sqlite3_reset(st);
    auto s1 = Clock::now();

    window_ms.push_back(Ms(t0, t1));
    sqlite_ms.push_back(Ms(s0, s1));
    std::printf("%-22s %10d %10.2f %12d %12.2f\n", typed.c_str(), rows, window_ms.back(),
                sqlite_rows, sqlite_ms.back());
  }
  sqlite3_finalize(st);
  Figures w = Summary(window_ms), s = Summary(sqlite_ms);
  std::printf("keystroke, median: %.2f ms (SQLite LIKE %.2f ms, ratio %.2f)\n", w.median, s.median,
              w.median / s.median);
  std::printf("keystroke, worst:  %.2f ms (SQLite LIKE %.2f ms, ratio %.2f)\n", w.worst, s.worst,
              w.worst / s.worst);
  std::printf("filter texts compiled: %d\n", window->ArtikelData->FilterCompileCount());

  delete window;
  sqlite3_close(db);
  fs::current_path(old);
  fs::remove_all(dir);
  return 0;
}
