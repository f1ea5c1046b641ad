// The application object: derives the title and guards event delivery.
#include "app/guarded_application.h"

#include "app/application_title.h"
#include "app/error_display.h"

namespace app {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {
  std::string title = ApplicationTitleFromPath(argc > 0 ? argv[0] : "");
  SetApplicationTitle(title);
  setApplicationName(QString::fromLocal8Bit(title.c_str()));
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  Guard([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

}  // namespace app
