// Program entry of vregister and of the editors' vregister-editor: the
// application, its one window, the message loop; the window is destroyed
// (closing the table) when the loop ends. The editors' build is this file
// compiled with VREGISTER_EDITOR_BUILD, the one switch between the two.
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
  platform::IgnoreFileSizeSignal();
  app::GuardedApplication application(argc, argv);
  platform::EnvironmentLocale locale;
  int result = 0;
  {
    app::TVRegister window(locale, platform::DefaultFileSystem(), platform::DefaultProfileFiles());
    if (kEditorBuild) app::ApplyEditorConfiguration(window);
    window.show();
    result = application.exec();
  }
  return result;
}
