// Program entry of vregister: the application, its one window, the message
// loop; the window is destroyed (closing the table) when the loop ends.
#include "app/guarded_application.h"
#include "app/indeks_base.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"

int main(int argc, char** argv) {
  platform::IgnoreFileSizeSignal();
  app::GuardedApplication application(argc, argv);
  platform::EnvironmentLocale locale;
  int result = 0;
  {
    app::TVRegister window(locale, platform::DefaultFileSystem(), platform::DefaultProfileFiles());
    window.show();
    result = application.exec();
  }
  return result;
}
