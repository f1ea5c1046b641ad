// The command `windowshot [--editor] OUTPUT.png [WIDTH HEIGHT]`: starts the
// program's window in the Danish edition on the data files of the working
// directory, gives it the outer size (636x459 unless given: the size with no
// settings file) at the screen's top-left corner, lets it paint, and saves
// what the screen shows of it. With --editor the window is in the editors'
// configuration and the first cover-disc record is selected, so that both
// text boxes show text. Run under Xvfb by scripts/screenshot.sh and
// scripts/editor-picture.sh, which make docs/screenshot.png and
// docs/editor.png. Nothing is written: the settings place does not exist, the
// window is destroyed without the close that saves the settings, and browsing
// never rewrites a data file.
#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/editor_configuration.h"
#include "app/guarded_application.h"
#include "app/indeks_base.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"

namespace {

// Moves the table to its first cover-disc record, or leaves it on the first.
void SelectFirstCoverDisc(store::TArtikelData& table) {
  for (table.First(); !table.Eof(); table.Next()) {
    if (table.FieldByName("KATEGORI").AsString() == "V-CD") return;
  }
  table.First();
}

}  // namespace

int main(int argc, char** argv) {
  const bool editor = argc > 1 && std::strcmp(argv[1], "--editor") == 0;
  const int first = editor ? 2 : 1;
  const int rest = argc - first;
  if (rest != 1 && rest != 3) {
    std::fprintf(stderr, "usage: windowshot [--editor] OUTPUT.png [WIDTH HEIGHT]\n");
    return 2;
  }
  const char* output = argv[first];
  const int width = rest == 3 ? std::atoi(argv[first + 1]) : 636;
  const int height = rest == 3 ? std::atoi(argv[first + 2]) : 459;
  app::GuardedApplication application(argc, argv);
  platform::FixedLocale danish(0x0406);
  // A settings place of its own that does not exist: the shot shows the
  // defaults, never the user's last search, and nothing is written.
  platform::ProfileFiles profiles(platform::DefaultFileSystem(),
                                  "/nonexistent/vregister-windowshot");
  app::TVRegister window(danish, platform::DefaultFileSystem(), profiles);
  if (editor) {
    app::ApplyEditorConfiguration(window);
    SelectFirstCoverDisc(*window.ArtikelData);
  }
  window.SetOuterLeft(0);
  window.SetOuterTop(0);
  window.SetOuterWidth(width);
  window.SetOuterHeight(height);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) {
    std::fprintf(stderr, "windowshot: the window was not shown\n");
    return 1;
  }
  QTest::qWait(300);  // let every paint reach the screen
  const QRect frame = window.frameGeometry();
  QPixmap shot =
      window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  if (shot.isNull() || !shot.save(QString::fromLocal8Bit(output), "PNG")) {
    std::fprintf(stderr, "windowshot: cannot save %s\n", output);
    return 1;
  }
  std::printf("%s: %dx%d\n", output, shot.width(), shot.height());
  return 0;
}
