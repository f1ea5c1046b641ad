// Time to first paint: the program's start-up path (open, creation handler,
// reopen on the edition file, first paint of the grid) on a data file of
// 1,000,000 synthetic articles, against one read of the file into fresh
// memory with read(2) (the physical baseline) and one load of the same file
// into the engine, both in the same run, and how many rows the grid read to
// paint. The file is made by another process, and the read and the load run
// in a child, so that the peak memory printed (and the one GNU time
// reports) is that of showing it alone; a mapped file's pages count in the
// resident peak, so the memory the program allocates is printed apart.
// Usage: ui_first_paint_bench [record count] [xml]
//        (prints figures; never fails on time)
#include <fcntl.h>
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

// One read of the file into fresh memory, and one load of it into the
// engine the way an open before mapping did, in a child process; their
// times in ms, or negative.
void TimeReadAndLoad(const std::string& path, double* read_ms, double* load_ms) {
  *read_ms = *load_ms = -1;
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return;
  pid_t child = fork();
  if (child == 0) {
    close(pipe_fds[0]);
    using Clock = std::chrono::steady_clock;
    auto ms = [](auto a, auto b) {
      return std::chrono::duration<double, std::milli>(b - a).count();
    };
    double times[2] = {-1, -1};
    {
      auto t0 = Clock::now();
      const int fd = open(path.c_str(), O_RDONLY);
      const auto size = static_cast<size_t>(std::filesystem::file_size(path));
      char* buffer = static_cast<char*>(std::malloc(size));
      size_t got = 0;
      while (fd >= 0 && buffer != nullptr && got < size) {
        const ssize_t n = read(fd, buffer + got, size - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
      }
      if (fd >= 0) close(fd);
      if (got == size) times[0] = ms(t0, Clock::now());
      std::free(buffer);
    }
    {
      auto t0 = Clock::now();
      std::vector<uint8_t> bytes;
      if (platform::DefaultFileSystem().ReadFile(path, &bytes) == platform::ReadOutcome::kRead) {
        auto base = engine::CreateDSBase();
        if (base->AppendConsumedData(&bytes) == engine::kDBOk) times[1] = ms(t0, Clock::now());
      }
    }
    (void)!write(pipe_fds[1], times, sizeof times);
    _exit(0);
  }
  close(pipe_fds[1]);
  double times[2] = {-1, -1};
  if (child > 0 && read(pipe_fds[0], times, sizeof times) == sizeof times) {
    *read_ms = times[0];
    *load_ms = times[1];
  }
  close(pipe_fds[0]);
  if (child > 0) waitpid(child, nullptr, 0);
}

// A figure of /proc/self/status in MB ("VmHWM", "RssAnon", "RssFile").
double StatusMegabytes(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) == 0)
      return std::strtod(line.c_str() + prefix.size(), nullptr) / 1024;
  }
  return -1;
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

  double read_ms = -1, load_ms = -1;
  TimeReadAndLoad((dir / "Base.xml").string(), &read_ms, &load_ms);
  if (read_ms < 0 || load_ms < 0) return 1;
  std::printf("one read: %.0f ms\n", read_ms);
  std::printf("one load (read and decoded): %.0f ms\n", load_ms);

  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  using Clock = std::chrono::steady_clock;
  auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
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
  std::printf("time to first paint / one read: %.2f\n", ms(t0, t2) / read_ms);
  std::printf("grid rows: %d, rows read to paint: %d\n", window->ArtikelGrid->model()->rowCount(),
              window->ArtikelGrid->GridModel()->RowsRead());
  std::printf("peak memory: %.0f MB, %.2fx the file\n", PeakMegabytes(),
              PeakMegabytes() * 1048576.0 / static_cast<double>(file_size));
  // A mapped file's pages are the page cache's, shared and given back by
  // the kernel at will: the resident figure above counts them, the
  // anonymous one is what the program allocated.
  const double anon = StatusMegabytes("RssAnon");
  std::printf("at first paint: allocated (anonymous) %.0f MB, %.2fx the file; file pages %.0f MB\n",
              anon, anon * 1048576.0 / static_cast<double>(file_size), StatusMegabytes("RssFile"));
  delete window;
  fs::current_path(old);
  fs::remove_all(dir);
  return 0;
}
