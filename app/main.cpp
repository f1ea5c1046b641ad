// Program entry of vregister and of the editors' vregister-editor: the
// application, its one window, the message loop; the window is destroyed
// (closing the table) when the loop ends. The editors' build is this file
// compiled with VREGISTER_EDITOR_BUILD, the one switch between the two.
#include <filesystem>
#include <iostream>

#include "app/command_line.h"
#include "app/editor_configuration.h"
#include "app/guarded_application.h"
#include "app/indeks_base.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"

namespace {

#ifdef VREGISTER_EDITOR_BUILD
constexpr bool kEditorBuild = true;
#else
constexpr bool kEditorBuild = false;
#endif

}  // namespace

int main(int argc, char** argv) {
  if (auto status = app::AnswerCommandLine(argc, argv, kEditorBuild, std::cout, std::cerr)) {
    return *status;
  }
  platform::IgnoreFileSizeSignal();
  platform::EnvironmentLocale locale;
  std::error_code no_directory;
  app::NoteMissingDataFile(app::ProgramName(argv[0]), locale, platform::DefaultFileSystem(),
                           std::filesystem::current_path(no_directory).string(), std::cerr);
  app::GuardedApplication application(argc, argv);
  int result = 0;
  {
    app::TVRegister window(locale, platform::DefaultFileSystem(), platform::DefaultProfileFiles());
    if (kEditorBuild) app::ApplyEditorConfiguration(window);
    window.show();
    result = application.exec();
  }
  return result;
}
