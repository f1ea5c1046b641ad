// The command `editorshot OUTPUT.png`: the picture of the editors' build for
// the README. Starts the window in the Danish edition on the data files of
// the working directory with no settings file (a fresh settings directory),
// puts it into the editor configuration, gives it the default size 636x459 at
// the screen's top-left corner, selects the first cover-disc record so that
// both text boxes show text, and saves what the screen shows of the window.
// Run under Xvfb by scripts/editor-picture.sh, which makes docs/editor.png.
// Nothing is written: the window is destroyed without the close that saves
// the settings, and browsing never rewrites a data file.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "app/editor_configuration.h"
#include "app/guarded_application.h"
#include "app/indeks_base.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: editorshot OUTPUT.png\n");
    return 2;
  }
  app::GuardedApplication application(argc, argv);
  QTemporaryDir settings_dir;
  platform::ProfileFiles profiles(platform::DefaultFileSystem(), settings_dir.path().toStdString());
  platform::FixedLocale danish(0x0406);
  app::TVRegister window(danish, platform::DefaultFileSystem(), profiles);
  app::ApplyEditorConfiguration(window);
  window.move(0, 0);
  window.resize(636, 459);
  store::TArtikelData& table = *window.ArtikelData;
  for (table.First(); !table.Eof(); table.Next()) {
    if (table.FieldByName("KATEGORI").AsString() == "V-CD") break;
  }
  if (table.Eof()) table.First();
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) {
    std::fprintf(stderr, "editorshot: the window was not shown\n");
    return 1;
  }
  QTest::qWait(300);  // let every paint reach the screen
  const QRect frame = window.frameGeometry();
  QPixmap shot =
      window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "editorshot: cannot save %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %dx%d\n", argv[1], shot.width(), shot.height());
  return 0;
}
