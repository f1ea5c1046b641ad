// Installs the build into a temporary staging directory the way the Debian
// package is staged (prefix /usr under DESTDIR) and checks what a desktop
// user gets: the file list, the shipped data unchanged, the two menu entries
// and the AppStream metainfo as their validators see them, the manual pages
// as a formatter checks them, the icons at every size, the installed programs
// answering --help and --version without a display, and the installed reader
// started the way its menu entry starts it, which must find its edition file
// in the entry's working directory and leave the installed data as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "app/guarded_application.h"
#include "ui/code_page.h"
#include "ui/picture_decode.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kPrefix = "/usr";
constexpr const char* kDataFiles[] = {"Base.xml", "BaseNo.xml", "BaseSv.xml", "BaseFi.xml"};
constexpr int kIconSizes[] = {VR_ICON_SIZES};
constexpr const char* kAppId = VR_APP_ID;

struct RunResult {
  int status = -1;
  std::string output;
};

RunResult RunShell(const std::string& command) {
  RunResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The keys of an entry's [Desktop Entry] group.
std::map<std::string, std::string> ReadEntry(const fs::path& path) {
  std::map<std::string, std::string> keys;
  std::istringstream in(ReadFile(path));
  bool in_group = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '[') {
      in_group = line == "[Desktop Entry]";
    } else if (in_group && line.find('=') != std::string::npos) {
      keys[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    }
  }
  return keys;
}

class InstallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    stage_ = fs::temp_directory_path() / ("vregister_install_" + std::to_string(::getpid()));
    fs::remove_all(stage_);
    install_ = RunShell("DESTDIR='" + stage_.string() +
                        "' '" VR_CMAKE "' --install '" VR_BINARY_DIR "' --prefix " + kPrefix);
  }
  static void TearDownTestSuite() { fs::remove_all(stage_); }
  void SetUp() override { ASSERT_EQ(install_.status, 0) << install_.output; }

  static fs::path Staged(const std::string& absolute) { return stage_ / absolute.substr(1); }
  // The menu entries: the editor's only with the editor build.
  static std::string ReaderEntry() { return std::string(kAppId) + ".desktop"; }
  static std::string EditorEntry() { return std::string(kAppId) + ".editor.desktop"; }
  static std::vector<std::string> Entries() {
    if (VR_HAVE_EDITOR) return {ReaderEntry(), EditorEntry()};
    return {ReaderEntry()};
  }
  // The installed programs, and their manual pages.
  static std::vector<std::string> Programs() {
    if (VR_HAVE_EDITOR) {
      return {"vregister", "vregister-editor", "vregister-editor-launcher", "vpacket"};
    }
    return {"vregister", "vpacket"};
  }
  static fs::path Entry(const std::string& name) {
    return Staged(std::string(kPrefix) + "/share/applications/" + name);
  }

  static inline fs::path stage_;
  static inline RunResult install_;
};

TEST_F(InstallTest, InstallsTheProgramsTheDataTheEntriesTheDocumentsAndTheIcons) {
  std::set<std::string> expected = {"usr/share/doc/vregister/copyright",
                                    "usr/share/doc/vregister/changelog.gz",
                                    "usr/share/lintian/overrides/vregister",
                                    "usr/share/metainfo/" + std::string(kAppId) + ".metainfo.xml"};
  for (const auto& name : Programs()) {
    expected.insert("usr/bin/" + name);
    expected.insert("usr/share/man/man1/" + name + ".1.gz");
  }
  for (const auto& name : Entries()) expected.insert("usr/share/applications/" + name);
  for (const char* name : kDataFiles) expected.insert(std::string("usr/share/vregister/") + name);
  if (VR_HAVE_ICON) {
    for (int size : kIconSizes) {
      const std::string dim = std::to_string(size) + "x" + std::to_string(size);
      expected.insert("usr/share/icons/hicolor/" + dim + "/apps/vregister.png");
    }
  }
  std::set<std::string> installed;
  for (const auto& item : fs::recursive_directory_iterator(stage_)) {
    if (!item.is_directory()) installed.insert(fs::relative(item.path(), stage_).string());
  }
  EXPECT_EQ(installed, expected);
  for (const auto& name : installed) {
    const bool executable =
        (fs::status(stage_ / name).permissions() & fs::perms::others_exec) != fs::perms::none;
    EXPECT_EQ(executable, name.starts_with("usr/bin/")) << name;
  }
}

TEST_F(InstallTest, InstalledDataFilesAreTheShippedOnes) {
  for (const char* name : kDataFiles) {
    EXPECT_EQ(ReadFile(Staged(std::string(kPrefix) + "/share/vregister/" + name)),
              ReadFile(fs::path(VR_SOURCE_DIR) / "data" / name))
        << name;
  }
}

TEST_F(InstallTest, MenuEntriesPassTheValidator) {
  for (const auto& name : Entries()) {
    const RunResult r = RunShell("desktop-file-validate '" + Entry(name).string() + "'");
    EXPECT_EQ(r.status, 0) << name << ": " << r.output;
    EXPECT_EQ(r.output, "") << name;
  }
}

// No error, warning or remark of the validator, and what a software centre
// lists in English and the four editions' languages.
TEST_F(InstallTest, MetainfoPassesTheValidatorAndSpeaksTheFiveLanguages) {
  const fs::path metainfo =
      Staged(std::string(kPrefix) + "/share/metainfo/" + kAppId + ".metainfo.xml");
  const RunResult r =
      RunShell("appstreamcli validate --no-net --pedantic --no-color '" + metainfo.string() + "'");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output.find("I:"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("P:"), std::string::npos) << r.output;
  const std::string text = ReadFile(metainfo);
  EXPECT_NE(text.find("<id>" + std::string(kAppId) + "</id>"), std::string::npos);
  EXPECT_NE(text.find("<launchable type=\"desktop-id\">" + ReaderEntry() + "</launchable>"),
            std::string::npos);
  for (const char* tag : {"<name", "<summary", "<p", "<caption"}) {
    for (const char* language : {">", " xml:lang=\"da\">", " xml:lang=\"nb\">", " xml:lang=\"sv\">",
                                 " xml:lang=\"fi\">"}) {
      EXPECT_NE(text.find(std::string(tag) + language), std::string::npos) << tag << language;
    }
  }
  for (const char* element :
       {"<project_license>MIT</project_license>", "<content_rating type=\"oars-1.1\"/>",
        "<screenshot type=\"default\">"}) {
    EXPECT_NE(text.find(element), std::string::npos) << element;
  }
}

TEST_F(InstallTest, ManualPagesFormatWithoutWarnings) {
  for (const auto& name : Programs()) {
    const fs::path page = Staged(std::string(kPrefix) + "/share/man/man1/" + name + ".1.gz");
    const RunResult lint = RunShell("mandoc -T lint -W warning '" + page.string() + "'");
    EXPECT_EQ(lint.status, 0) << name << ": " << lint.output;
    EXPECT_EQ(lint.output, "") << name;
    const RunResult groff = RunShell("gzip -dc '" + page.string() + "' | groff -ww -z -man");
    EXPECT_EQ(groff.status, 0) << name << ": " << groff.output;
    EXPECT_EQ(groff.output, "") << name;
    // The page is the program's own.
    EXPECT_EQ(RunShell("gzip -dc '" + page.string() + "' | grep -q '^\\.SH NAME'").status, 0);
  }
}

// Where no display is (no DISPLAY, no WAYLAND_DISPLAY, the platform left to
// its default), help and version are answered on standard output with
// status 0, and an argument the program does not take is one line naming it
// with status 2.
TEST_F(InstallTest, ProgramsAnswerHelpAndVersionWithoutADisplay) {
  const std::string no_display =
      "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ASAN_OPTIONS=detect_leaks=0 ";
  for (const auto& name : Programs()) {
    const std::string program = "'" + Staged(std::string(kPrefix) + "/bin/" + name).string() + "'";
    for (const char* help : {"--help", "-h"}) {
      const RunResult r = RunShell("(" + no_display + program + " " + help + " 2>/dev/null)");
      EXPECT_EQ(r.status, 0) << name << " " << help << ": " << r.output;
      EXPECT_TRUE(r.output.starts_with("Usage: " + name) || r.output.starts_with("usage: " + name))
          << name << " " << help << ": " << r.output;
    }
    if (name == "vregister-editor-launcher") continue;  // the editor's version
    const RunResult version = RunShell("(" + no_display + program + " --version 2>/dev/null)");
    EXPECT_EQ(version.status, 0) << name;
    EXPECT_EQ(version.output, name + " " VR_VERSION "\n");
    if (name == "vpacket") continue;
    const RunResult bogus = RunShell("(" + no_display + program + " --bogus >/dev/null)");
    EXPECT_EQ(bogus.status, 2) << name;
    EXPECT_EQ(bogus.output, name + ": unknown option '--bogus' (see '" + name + " --help')\n");
  }
}

TEST_F(InstallTest, MenuEntriesSpeakTheFourEditionsLanguagesAndEnglish) {
  const std::string prefix = kPrefix;
  struct Expected {
    std::string entry;
    const char* key;
    std::string value;
  };
  const Expected exact[] = {
      {ReaderEntry(), "Exec", prefix + "/bin/vregister"},
      {ReaderEntry(), "Path", prefix + "/share/vregister"},
      {EditorEntry(), "Exec", prefix + "/bin/vregister-editor-launcher"},
  };
  for (const auto& e : exact) {
    if (fs::exists(Entry(e.entry))) {
      EXPECT_EQ(ReadEntry(Entry(e.entry))[e.key], e.value) << e.entry;
    }
  }

  for (const auto& name : Entries()) {
    auto keys = ReadEntry(Entry(name));
    EXPECT_EQ(keys["Type"], "Application") << name;
    EXPECT_EQ(keys["Categories"], "Office;Viewer;") << name;
    EXPECT_EQ(keys["Icon"], "vregister") << name;
    for (const char* key : {"Name", "GenericName", "Comment"}) {
      for (const char* language : {"", "[da]", "[nb]", "[sv]", "[fi]"}) {
        EXPECT_NE(keys[std::string(key) + language], "") << name << " " << key << language;
      }
    }
  }
  // The editor works on a per-user copy that its launcher chooses.
  if (VR_HAVE_EDITOR) {
    EXPECT_EQ(ReadEntry(Entry(EditorEntry())).count("Path"), 0u);
  }
}

// The drawing's extent (the box of its visible pixels, as fractions of the
// side) and its average premultiplied colour: a reduction keeps both, a
// cut-out does not.
struct Look {
  double left = 1, top = 1, right = 0, bottom = 0;
  double alpha = 0, red = 0, green = 0, blue = 0;
};

Look LookOf(const QImage& image) {
  Look look;
  const double side = image.width();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      const double a = qAlpha(p) / 255.0;
      look.alpha += a;
      look.red += qRed(p) * a;
      look.green += qGreen(p) * a;
      look.blue += qBlue(p) * a;
      if (qAlpha(p) < 128) continue;
      look.left = std::min(look.left, x / side);
      look.top = std::min(look.top, y / side);
      look.right = std::max(look.right, (x + 1) / side);
      look.bottom = std::max(look.bottom, (y + 1) / side);
    }
  }
  const double pixels = side * side;
  for (double* v : {&look.alpha, &look.red, &look.green, &look.blue}) *v /= pixels;
  return look;
}

TEST_F(InstallTest, IconsAtEverySizeShowTheWholeWindowIcon) {
  if (!VR_HAVE_ICON) GTEST_SKIP() << "no application icon configured (VR_ICON_SOURCE)";
  // The icon as the window itself decodes it for its title bar, where the
  // window's reader takes the file; any other image as Qt reads it.
  const std::string bytes = ReadFile(VR_ICON_SOURCE);
  const ui::DecodedPicture decoded =
      ui::ReadIcon(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  const QImage source = (decoded.ok() ? decoded.image : QImage(VR_ICON_SOURCE))
                            .convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(source.size(), QSize(32, 32));
  const Look original = LookOf(source);
  // Menus and panels ask for 16, 24 and 48 pixels, software centres for 256.
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    EXPECT_NE(std::find(std::begin(kIconSizes), std::end(kIconSizes), size), std::end(kIconSizes))
        << size;
  }
  // Fully transparent pixels match whatever colour they carry.
  const auto same = [](QRgb a, QRgb b) { return a == b || (qAlpha(a) == 0 && qAlpha(b) == 0); };
  for (int size : kIconSizes) {
    const std::string dim = std::to_string(size) + "x" + std::to_string(size);
    SCOPED_TRACE(dim);
    const fs::path path =
        Staged(std::string(kPrefix) + "/share/icons/hicolor/" + dim + "/apps/vregister.png");
    const QImage icon = QImage(QString::fromStdString(path.string()));
    ASSERT_EQ(icon.size(), QSize(size, size)) << path;
    const QImage pixels = icon.convertToFormat(QImage::Format_ARGB32);
    if (size % source.width() == 0) {
      // Whole multiples: each source pixel a square block, no smoothing.
      const int factor = size / source.width();
      int differing = 0;
      for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
          differing += !same(pixels.pixel(x, y), source.pixel(x / factor, y / factor));
        }
      }
      EXPECT_EQ(differing, 0);
      continue;
    }
    // Other sizes: the whole drawing reduced, its extent within a pixel and
    // its colour within a few levels.
    const Look look = LookOf(pixels);
    const double pixel = 1.0 / size;
    EXPECT_NEAR(look.left, original.left, pixel);
    EXPECT_NEAR(look.top, original.top, pixel);
    EXPECT_NEAR(look.right, original.right, pixel);
    EXPECT_NEAR(look.bottom, original.bottom, pixel);
    EXPECT_NEAR(look.alpha, original.alpha, 0.02);
    EXPECT_NEAR(look.red, original.red, 3);
    EXPECT_NEAR(look.green, original.green, 3);
    EXPECT_NEAR(look.blue, original.blue, 3);
  }
}

// The current records of a data file, as the packet tool lists them: one line
// each after a header line, the title third.
std::vector<std::string> Titles(const std::string& data_file) {
  const RunResult dump = RunShell("'" VR_BINARY_DIR "/tools/vpacket' dump '" + data_file + "'");
  std::vector<std::string> titles;
  std::istringstream in(dump.output);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string field;
    for (int i = 0; i < 3; ++i) std::getline(fields, field, '\t');
    titles.push_back(field);
  }
  return titles;
}

// What the probe saw in the started program's window, by line kind.
using Shown = std::map<std::string, std::string>;

// Starts `program` in `working_dir` as a desktop session would: the user's
// language and home, the offscreen platform, and the probe that reports the
// window and closes it.
// What the program wrote to its standard output and error goes to *output.
Shown StartWithProbe(const fs::path& working_dir, const std::string& program,
                     const std::string& locale, const fs::path& home,
                     std::string* output = nullptr) {
  const fs::path report = home / "probe.txt";
  fs::create_directories(home);
  fs::remove(report);
  const RunResult run = RunShell(
      "cd '" + working_dir.string() + "' && env -u LANGUAGE -u LC_MESSAGES LC_ALL=" + locale +
      " LANG=" + locale + " HOME='" + home.string() + "' XDG_CONFIG_HOME='" + home.string() +
      "/.config' XDG_DATA_HOME='" + home.string() +
      "/.local/share' QT_QPA_PLATFORM=offscreen LD_PRELOAD='" VR_PROBE
      "' ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 VR_PROBE_OUT='" +
      report.string() + "' timeout 120 '" + program + "'");
  EXPECT_EQ(run.status, 0) << run.output;
  if (output != nullptr) *output = run.output;
  Shown shown;
  std::istringstream in(ReadFile(report));
  for (std::string line; std::getline(in, line);) {
    shown[line.substr(0, line.find('\t'))] = line.substr(line.find('\t') + 1);
  }
  return shown;
}

// The window lists exactly the current records of `data_file`.
void ExpectListsTheRecordsOf(const Shown& shown, const fs::path& data_file) {
  EXPECT_EQ(shown.count("box"), 0u) << shown.at("box");
  const auto titles = Titles(data_file.string());
  ASSERT_GT(titles.size(), 100u);
  EXPECT_EQ(shown.count("rows") ? shown.at("rows") : "", std::to_string(titles.size()));
  const std::string first =
      ui::ToCp1252(QString::fromUtf8(shown.count("title") ? shown.at("title") : ""));
  EXPECT_NE(std::find(titles.begin(), titles.end(), first), titles.end()) << first;
}

std::map<std::string, std::string> Contents(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& item : fs::directory_iterator(dir)) {
    files[item.path().filename().string()] = ReadFile(item.path());
  }
  return files;
}

fs::path Home() {
  return fs::temp_directory_path() / ("vregister_home_" + std::to_string(::getpid()));
}

TEST_F(InstallTest, ReaderStartedFromItsEntryShowsTheEditionOfTheSystemLanguage) {
  const auto entry = ReadEntry(Entry(ReaderEntry()));
  const fs::path working_dir = Staged(entry.at("Path"));
  const std::string program =
      Staged(entry.at("Exec").substr(0, entry.at("Exec").find(' '))).string();
  const auto installed = Contents(working_dir);
  ASSERT_EQ(installed.size(), std::size(kDataFiles));

  const struct {
    const char* locale;
    const char* data_file;
  } editions[] = {{"da_DK.UTF-8", "Base.xml"}, {"fi_FI.UTF-8", "BaseFi.xml"}};
  for (const auto& edition : editions) {
    SCOPED_TRACE(edition.locale);
    ExpectListsTheRecordsOf(StartWithProbe(working_dir, program, edition.locale, Home()),
                            working_dir / edition.data_file);
  }
  EXPECT_TRUE(Contents(working_dir) == installed) << "the installed data directory changed";
  fs::remove_all(Home());
}

// Started from a terminal where its data file is not, the reader shows the
// error box as ever and tells on standard error which file it looked for and
// where.
TEST_F(InstallTest, ReaderStartedWithoutItsDataFileSaysWhichFileAndWhere) {
  const auto entry = ReadEntry(Entry(ReaderEntry()));
  const std::string program =
      Staged(entry.at("Exec").substr(0, entry.at("Exec").find(' '))).string();
  const fs::path empty = Home() / "empty";
  fs::create_directories(empty);
  const struct {
    const char* locale;
    const char* line;
  } cases[] = {
      {"da_DK.UTF-8", "the Danish edition's data file Base.xml"},
      {"de_DE.UTF-8", "the Danish edition's data file Base.xml"},
      {"sv_SE.UTF-8", "the Swedish edition's data file BaseSv.xml"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    std::string output;
    const Shown shown = StartWithProbe(empty, program, c.locale, Home(), &output);
    EXPECT_EQ(shown.count("box") ? shown.at("box") : "",
              "ArtikelData: Missing data provider or data packet.");
    // The program's own lines, among what the window system may add.
    std::vector<std::string> own;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("vregister")) own.push_back(line);
    }
    EXPECT_THAT(own, ::testing::ElementsAre("vregister: " + std::string(c.line) +
                                            " is not in the working directory " + empty.string() +
                                            " (see 'vregister --help')"));
  }
  fs::remove_all(Home());
}

TEST_F(InstallTest, EditorStartedFromItsEntryWorksOnTheUsersCopy) {
  if (!VR_HAVE_EDITOR) GTEST_SKIP() << "no editor build";
  const auto entry = ReadEntry(Entry(EditorEntry()));
  const fs::path installed_dir = Staged(std::string(kPrefix) + "/share/vregister");
  const auto installed = Contents(installed_dir);
  fs::remove_all(Home());

  // The launcher chooses the working directory itself.
  const Shown shown = StartWithProbe("/", Staged(entry.at("Exec")).string(), "da_DK.UTF-8", Home());
  const fs::path copy = Home() / ".local/share/vregister";
  ExpectListsTheRecordsOf(shown, copy / "Base.xml");
  EXPECT_TRUE(Contents(copy) == installed);
  EXPECT_TRUE(Contents(installed_dir) == installed) << "the installed data directory changed";
  fs::remove_all(Home());
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  app::GuardedApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
