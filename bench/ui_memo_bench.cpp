// Large article texts: the time from selecting an article to the end of the
// text box's paint, for texts of 1 MB and 40 MB (lines of about 70
// characters, as article text has) and a 1 MB text without a line break,
// through the real window on a data file made for it; then paging down in the
// text without a line break, and going to its end.
// Usage: ui_memo_bench   (prints figures; never fails on time)
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
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

namespace {

std::string Text(size_t bytes, bool lines) {
  static const char* kWords[] = {"printer", "netv\xE6rk", "grafik", "spil", "tastatur", "modem"};
  std::string s;
  s.reserve(bytes + 16);
  size_t line = 0, k = 0;
  while (s.size() < bytes) {
    const char* w = kWords[k++ % std::size(kWords)];
    s += w;
    line += std::strlen(w);
    if (lines && line > 70) {
      s += "\r\n";
      line = 0;
    } else {
      s += ' ';
    }
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("vregister_memo_" + std::to_string(getpid()));
  fs::create_directories(dir);
  struct Shown {
    const char* title;  // sorts the rows: the table opens in title order
    size_t bytes;
    bool lines;
  };
  const Shown kShown[] = {{"A short", 600, true},
                          {"B 1 MB", 1 << 20, true},
                          {"C 40 MB", 40 << 20, true},
                          {"D 1 MB, one line", 1 << 20, false}};
  {
    engine::TableData t = bench::SyntheticArticles(std::size(kShown));
    for (size_t r = 0; r < std::size(kShown); ++r) {
      t.cell(r, 2) = t.AddBytes(kShown[r].title);
      t.cell(r, 3) = t.AddBytes(Text(kShown[r].bytes, kShown[r].lines));
    }
    std::string packet, error;
    engine::WritePacket(t, engine::PacketForm::kBinary, &packet, &error);
    std::ofstream(dir / "Base.xml", std::ios::binary).write(packet.data(), packet.size());
  }
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  app::SetErrorSink([](const std::string&, const std::string& text) {
    std::fprintf(stderr, "error: %s\n", text.c_str());
  });
  platform::FixedLocale danish(0x0406);
  // Settings live in the benchmark's own directory, never the user's.
  platform::ProfileFiles profiles(platform::DefaultFileSystem(), dir.string());
  auto* window = new app::TVRegister(danish, platform::DefaultFileSystem(), profiles);
  window->show();
  window->grab();
  QApplication::processEvents();
  using Clock = std::chrono::steady_clock;
  auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
  for (int round = 0; round < 2; ++round) {
    for (int n : {2, 1, 3, 1, 4, 1}) {
      const auto t0 = Clock::now();
      window->ArtikelData->SetRecNo(n);
      window->Manchet->grab();  // lays out and paints the text box
      QApplication::processEvents();
      std::printf("%-18s selected and shown: %8.1f ms\n", kShown[n - 1].title,
                  ms(t0, Clock::now()));
    }
  }
  // Reading on in the text without a line break: page by page (the slowest
  // page), and to its end as a drag of the scroll bar's thumb goes, at once
  // and after a second spent reading its beginning.
  QScrollBar* bar = window->Manchet->verticalScrollBar();
  auto select_d = [&] {
    window->ArtikelData->SetRecNo(1);
    window->ArtikelData->SetRecNo(4);
    window->Manchet->grab();
    QApplication::processEvents();
  };
  auto to_end = [&] {
    const auto t0 = Clock::now();
    bar->setValue(bar->maximum());
    window->Manchet->grab();
    QApplication::processEvents();
    return ms(t0, Clock::now());
  };
  select_d();
  double slowest = 0;
  for (int page = 0; page < 100; ++page) {
    const auto t0 = Clock::now();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    window->Manchet->grab();
    QApplication::processEvents();
    slowest = std::max(slowest, ms(t0, Clock::now()));
  }
  std::printf("%-18s slowest of 100 pages down: %8.1f ms\n", kShown[3].title, slowest);
  select_d();
  std::printf("%-18s to its end at once:        %8.1f ms\n", kShown[3].title, to_end());
  select_d();
  QEventLoop reading;
  QTimer::singleShot(1000, &reading, &QEventLoop::quit);
  reading.exec();
  std::printf("%-18s to its end after 1 s:      %8.1f ms\n", kShown[3].title, to_end());
  delete window;
  fs::current_path(old);
  fs::remove_all(dir);
  return 0;
}
