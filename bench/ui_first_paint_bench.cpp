// Time to first paint: the program's start-up path (open, creation handler,
// reopen on the edition file, first paint of the grid) on a data file of
// 1,000,000 synthetic articles, against one load of the same file into the
// engine in the same run, and how many rows the grid read to paint. The file
// is made by another process, so that the peak memory printed (and the one
// GNU time reports) is that of loading and showing it alone.
// Usage: ui_first_paint_bench [record count] [xml]
//        (prints figures; never fails on time)
#include <sys/resource.h>
#include <sys/wait.h>
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
#include "engine/ds_interfaces.h"
#include "engine/packet_codec.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"

namespace {

// Writes the synthetic packet to `path` in a grandchild process, which no
// one waits for: so neither the peak memory printed here nor the one GNU time
// reports (which counts waited-for children) includes making the file.
// Returns the file's size, or -1.
long long MakeDataFile(size_t count, engine::PacketForm form, const std::string& path) {
  int done[2];
  if (pipe(done) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    if (fork() == 0) {
      close(done[0]);
      engine::TableData data = bench::SyntheticArticles(count);
      std::string packet, error;
      if (engine::WritePacket(data, form, &packet, &error) != 0) {
        std::fprintf(stderr, "cannot write packet: %s\n", error.c_str());
        _exit(1);
      }
      std::ofstream(path, std::ios::binary).write(packet.data(), packet.size());
      const char ok = 1;
      (void)!write(done[1], &ok, 1);
    }
    _exit(0);
  }
  close(done[1]);
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  char ok = 0;
  const bool made = read(done[0], &ok, 1) == 1 && ok == 1;
  close(done[0]);
  return made ? static_cast<long long>(std::filesystem::file_size(path)) : -1;
}

double PeakMegabytes() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

}  // namespace

int main(int argc, char** argv) {
  size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
  const bool xml = argc > 2 && std::string(argv[2]) == "xml";
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("vregister_first_paint_" + std::to_string(getpid()));
  fs::create_directories(dir);
  // The window opens "Base.xml"; the engine tells the forms apart by content.
  const long long file_size =
      MakeDataFile(count, xml ? engine::PacketForm::kXml : engine::PacketForm::kBinary,
                   (dir / "Base.xml").string());
  if (file_size < 0) return 1;
  std::printf("records: %zu, packet: %.1f MB (%s form)\n", count, file_size / 1e6,
              xml ? "XML" : "binary");

  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  using Clock = std::chrono::steady_clock;
  auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
  {
    // One load of the same file into the engine, as the table's open does it.
    auto t0 = Clock::now();
    std::vector<uint8_t> bytes;
    if (platform::DefaultFileSystem().ReadFile((dir / "Base.xml").string(), &bytes) !=
        platform::ReadOutcome::kRead) {
      return 1;
    }
    auto base = engine::CreateDSBase();
    if (base->AppendConsumedData(&bytes) != engine::kDBOk) return 1;
    bytes = std::vector<uint8_t>();
    std::printf("one load: %.0f ms\n", ms(t0, Clock::now()));
  }
  fs::path old = fs::current_path();
  fs::current_path(dir);
  app::SetErrorSink([](const std::string&, const std::string& text) {
    std::fprintf(stderr, "error: %s\n", text.c_str());
  });

  auto t0 = Clock::now();
  platform::FixedLocale danish(0x0406);
  platform::ProfileFiles profiles(platform::DefaultFileSystem(), dir.string());
  auto* window = new app::TVRegister(danish, platform::DefaultFileSystem(), profiles);
  auto t1 = Clock::now();
  window->show();
  QPixmap shot = window->grab();  // forces the first paint of every child
  QApplication::processEvents();
  auto t2 = Clock::now();
  std::printf("window created (open, reopen on the edition file, sorted by title): %.0f ms\n",
              ms(t0, t1));
  std::printf("show + first paint: %.1f ms\n", ms(t1, t2));
  std::printf("time to first paint: %.0f ms\n", ms(t0, t2));
  std::printf("grid rows: %d, rows read to paint: %d\n", window->ArtikelGrid->model()->rowCount(),
              window->ArtikelGrid->GridModel()->RowsRead());
  std::printf("peak memory: %.0f MB, %.2fx the file\n", PeakMegabytes(),
              PeakMegabytes() * 1048576.0 / static_cast<double>(file_size));
  delete window;
  fs::current_path(old);
  fs::remove_all(dir);
  return 0;
}
