// Fills the "%s" placeholders of a system message (store/store_messages.h)
// with its arguments, in order. The messages are fixed texts; an argument is
// inserted as it stands (it may itself hold "%"), and a placeholder without
// an argument is left empty.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace store {

inline std::string FormatList(const char* pattern, std::initializer_list<std::string_view> args) {
  std::string out;
  const std::string_view* next = args.begin();
  for (const char* p = pattern; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      if (next != args.end()) out += *next++;
      ++p;
    } else {
      out.push_back(*p);
    }
  }
  return out;
}

template <typename... Args>
std::string Format(const char* pattern, const Args&... args) {
  return FormatList(pattern, {std::string_view(args)...});
}

}  // namespace store
