// Derives the application title from the executable's path.
#include "app/application_title.h"

namespace app {

std::string ApplicationTitleFromPath(std::string_view path) {
  size_t slash = path.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  name = name.substr(0, name.find('.'));
  std::string title(name);
  for (size_t i = 1; i < title.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(title[i]);
    if (c >= 'A' && c <= 'Z') title[i] = static_cast<char>(c + 32);
  }
  return title;
}

}  // namespace app
