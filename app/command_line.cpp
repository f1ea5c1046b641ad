// The programs' command line and the start-up note (see command_line.h).
#include "app/command_line.h"

#include <array>
#include <string_view>

#include "app/edition.h"
#include "app/settings.h"

namespace app {
namespace {

// The toolkit's own options, taken with one dash or two; those in
// kToolkitValueOptions take a value, as the next argument or after "=".
constexpr std::array<std::string_view, 15> kToolkitValueOptions = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",     "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display",    "name",
    "title",       "geometry",           "style",         "stylesheet", "qmljsdebugger"};
constexpr std::array<std::string_view, 6> kToolkitFlags = {"reverse", "widgetcount", "nograb",
                                                           "dograb",  "sync",        "testability"};

template <size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
  for (std::string_view n : names) {
    if (n == name) return true;
  }
  return false;
}

}  // namespace

std::string ProgramName(const char* argv0) {
  std::string_view name = argv0 != nullptr ? argv0 : "";
  if (const size_t slash = name.rfind('/'); slash != std::string_view::npos) {
    name.remove_prefix(slash + 1);
  }
  return std::string(name.empty() ? "vregister" : name);
}

std::string HelpText(const std::string& program, bool editor_build) {
  std::string text = "Usage: " + program + " [--help | --version]\n\n";
  if (editor_build) {
    text +=
        "The editors' build of vregister: the article index of the magazine Vexor\n"
        "for alle, with the commands that add, correct and delete articles. Changes\n"
        "are written to the edition's data file when the window closes.\n\n";
  } else {
    text +=
        "The article index of the magazine Vexor for alle in one window: pick a\n"
        "year, an issue and a category, type a search word, and read the matching\n"
        "articles. The reader never changes its data.\n\n";
  }
  text +=
      "The edition follows the system language (LC_ALL, LC_MESSAGES or LANG) and\n"
      "reads its data file from the working directory:\n";
  for (const Edition* e : store::Editions()) {
    std::string line = std::string("  ") + e->language;
    line.resize(14, ' ');
    text += line + std::string(store::DataFileName(*e)) + "\n";
  }
  text += "Any other language gives the " + std::string(store::DefaultEdition().language) +
          " edition. Start the program in the\n"
          "directory that holds the file, for example LANG=sv_SE.UTF-8 " +
          program + "\nin a directory with " +
          std::string(store::DataFileName(*FindEdition(kSvensk))) +
          ". The package installs the four files in\n" VR_DATA_DIR ".\n\n";
  text += "The search choices, sort order and window place are kept in " +
          std::string(kSettingsFile) +
          "\nin $XDG_CONFIG_HOME, or ~/.config when that is not set.\n\n"
          "Options:\n"
          "  -h, --help    show this help and exit\n"
          "  --version     show the version and exit\n"
          "The window system's own options (such as -platform or -style) are taken too.\n";
  return text;
}

std::optional<int> AnswerCommandLine(int argc, const char* const* argv, bool editor_build,
                                     std::ostream& out, std::ostream& err) {
  const std::string program = ProgramName(argc > 0 ? argv[0] : nullptr);
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      out << HelpText(program, editor_build);
      return out.flush() ? 0 : 1;
    }
    if (arg == "--version") {
      out << program << " " << VR_VERSION << "\n";
      return out.flush() ? 0 : 1;
    }
  }
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    std::string_view name = arg;
    if (name.starts_with("--")) {
      name.remove_prefix(2);
    } else if (name.starts_with("-")) {
      name.remove_prefix(1);
    } else {
      err << program << ": unexpected argument '" << arg << "' (see '" << program << " --help')\n";
      return 2;
    }
    const size_t equals = name.find('=');
    if (Contains(kToolkitValueOptions, name.substr(0, equals))) {
      if (equals == std::string_view::npos) ++i;  // its value
      continue;
    }
    if (equals == std::string_view::npos && Contains(kToolkitFlags, name)) continue;
    err << program << ": unknown option '" << arg << "' (see '" << program << " --help')\n";
    return 2;
  }
  return std::nullopt;
}

void NoteMissingDataFile(const std::string& program, const platform::ILocale& locale,
                         platform::IFileSystem& files, const std::string& working_dir,
                         std::ostream& err) {
  const Edition* e = FindEdition(SprogFromLocale(locale.ThreadLocaleId()));
  if (e == nullptr) return;
  platform::TargetInfo info;
  if (!files.QueryTarget(e->data_file, &info) || info.exists) return;
  err << program << ": the " << e->language << " edition's data file " << store::DataFileName(*e)
      << " is not in the working directory " << working_dir << " (see '" << program
      << " --help')\n";
}

}  // namespace app
