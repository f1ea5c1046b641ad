// The application's title, derived from the executable's file name: the
// directory and everything from the first "." on are cut off, the first
// character stays as it is and the rest is lower-cased ("ABC.EXE" -> "Abc").
// It is the caption of every error box.
#pragma once

#include <string>
#include <string_view>

namespace app {

std::string ApplicationTitleFromPath(std::string_view executable_path);

}  // namespace app
