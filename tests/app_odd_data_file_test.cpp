// Start-up with something other than a data file named Base.xml in the
// working directory: a FIFO, a directory, a symbolic-link loop. Each shows
// its message and the window, at once; none may block the start (an alarm
// ends the test program if one does).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/application_title.h"
#include "app/error_display.h"
#include "app/guarded_application.h"
#include "app/indeks_base.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"

namespace app {
namespace {

namespace fs = std::filesystem;

struct OddCase {
  const char* what;
  std::function<void(const fs::path& dir)> make;
  std::vector<std::string> errors;
};

TEST(OddDataFileTest, EachGivesItsMessageAndTheWindowAtOnce) {
  const std::string missing = "ArtikelData: Missing data provider or data packet.";
  const std::string unreadable = "Cannot open file ./Base.xml.";
  const OddCase cases[] = {
      {"FIFO",
       [](const fs::path& d) { ASSERT_EQ(::mkfifo((d / "Base.xml").c_str(), 0644), 0); },
       {missing}},
      {"directory", [](const fs::path& d) { fs::create_directory(d / "Base.xml"); }, {missing}},
      {"symbolic-link loop",
       [](const fs::path& d) {
         fs::create_symlink("Loop.xml", d / "Base.xml");
         fs::create_symlink("Base.xml", d / "Loop.xml");
       },
       {unreadable, unreadable}},
  };
  const fs::path old_dir = fs::current_path();
  for (const OddCase& c : cases) {
    const fs::path dir =
        fs::temp_directory_path() / ("vregister_odd_" + std::to_string(::getpid()) + "_" + c.what);
    fs::remove_all(dir);
    fs::create_directories(dir);
    c.make(dir);
    fs::current_path(dir);
    std::vector<std::string> errors;
    SetErrorSink([&](const std::string&, const std::string& text) { errors.push_back(text); });
    platform::FixedLocale danish(0x0406);
    ::alarm(10);  // a blocking open would otherwise hang the whole run
    const auto start = std::chrono::steady_clock::now();
    {
      // Settings live in the case's own directory, never the user's.
      platform::ProfileFiles profiles(platform::DefaultFileSystem(), dir.string());
      TVRegister window(danish, platform::DefaultFileSystem(), profiles);
      window.show();
      QApplication::processEvents();
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      ::alarm(0);
      EXPECT_TRUE(window.isVisible()) << c.what;
      EXPECT_EQ(errors, c.errors) << c.what;
      std::printf("%s: window shown after %.3f s\n", c.what, seconds);
    }
    ResetErrorSink();
    fs::current_path(old_dir);
    fs::remove_all(dir);
  }
}

}  // namespace
}  // namespace app

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  app::GuardedApplication application(argc, argv);
  app::SetApplicationTitle("Vregister");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
