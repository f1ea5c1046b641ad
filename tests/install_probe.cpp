// Preloaded (LD_PRELOAD) into an installed vregister by the install test, so
// that the program under test is the installed one, unchanged. When the
// program's event loop first runs, the probe writes what the main window
// shows to the file named by VR_PROBE_OUT, then closes the windows as a user
// would, which ends the program. It links Qt only, never the program's code.
//
// Lines written, UTF-8: "caption\t<window caption>", "rows\t<grid rows>",
// "title\t<title of the first row>", and "box\t<text>" for each message box.
#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

namespace {

// The title column, by its heading in any of the four editions.
int TitleColumn(const QAbstractItemModel& model) {
  for (int c = 0; c < model.columnCount(); ++c) {
    const QString heading = model.headerData(c, Qt::Horizontal).toString().trimmed();
    for (const char* title : {"Titel", "Tittel", "Rubrik", "Otsikko"}) {
      if (heading == QLatin1String(title)) return c;
    }
  }
  return -1;
}

void Report() {
  QFile out(qEnvironmentVariable("VR_PROBE_OUT"));
  if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    QString text;
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) {
        text += "box\t" + box->text() + "\n";
      }
      auto* grid = window->findChild<QAbstractItemView*>("ArtikelGrid");
      if (grid == nullptr || grid->model() == nullptr) continue;
      const QAbstractItemModel& model = *grid->model();
      text += "caption\t" + window->windowTitle() + "\n";
      text += "rows\t" + QString::number(model.rowCount()) + "\n";
      const int column = TitleColumn(model);
      if (model.rowCount() > 0 && column >= 0) {
        text += "title\t" + model.data(model.index(0, column)).toString() + "\n";
      }
    }
    out.write(text.toUtf8());
  }
}

// Runs when the program creates its application object. The timer first fires
// once the window is built and an event loop runs: an error box's during
// start-up, else the program's own. It reports then, and closes whatever is
// open at each firing until the program's loop has ended too.
void Install() {
  auto* timer = new QTimer(QCoreApplication::instance());
  QObject::connect(timer, &QTimer::timeout, [reported = false]() mutable {
    if (!reported) Report();
    reported = true;
    QApplication::closeAllWindows();
    QCoreApplication::quit();
  });
  timer->start(0);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
