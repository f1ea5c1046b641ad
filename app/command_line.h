// The programs' command line. The window itself takes no arguments; what a
// terminal user asks for (--help, --version) is answered before the window
// system is touched, so it works without a display, and anything the program
// does not know is refused in one line. Options of the GUI toolkit itself
// (-platform, -style, ...) pass through to it.
//
// Also the start-up note for a terminal user: which data file the edition
// looks for and where.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "platform/file_system.h"
#include "platform/locale.h"

namespace app {

// The exit status when the command line is answered here (0 for --help and
// --version, written to `out`; 2 for an argument the program does not take,
// one line on `err`); nothing when the window is to start.
std::optional<int> AnswerCommandLine(int argc, const char* const* argv, bool editor_build,
                                     std::ostream& out, std::ostream& err);

// The program's name as started: the file name of argv[0].
std::string ProgramName(const char* argv0);

// The help text of the reader or the editor build.
std::string HelpText(const std::string& program, bool editor_build);

// When the data file of the edition the locale chooses is not in the working
// directory, writes one line to `err` naming it and the working directory.
void NoteMissingDataFile(const std::string& program, const platform::ILocale& locale,
                         platform::IFileSystem& files, const std::string& working_dir,
                         std::ostream& err);

}  // namespace app
