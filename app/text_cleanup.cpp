// Line joining and end trimming for the clean-up commands.
#include "app/text_cleanup.h"

namespace app {
namespace {

// One left-to-right pass replacing `from` by a blank.
std::string ReplaceByBlank(std::string_view text, std::string_view from) {
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  for (size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
    out.append(text.substr(start, at - start));
    out += ' ';
    start = at + from.size();
  }
  out.append(text.substr(start));
  return out;
}

}  // namespace

std::string JoinLines(std::string_view text) {
  return ReplaceByBlank(ReplaceByBlank(text, "-\r\n"), "\r\n");
}

std::string TrimEnd(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return std::string(text.substr(0, end));
}

}  // namespace app
