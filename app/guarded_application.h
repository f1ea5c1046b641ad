// The QApplication of the program. Its notify() is the last guard: an
// exception that escapes any event handler is shown by the error display and
// the event loop goes on, so no exception ever crosses Qt's event loop.
#pragma once

#include <QApplication>

namespace app {

class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace app
