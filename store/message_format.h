// Fills the one "%s" placeholder of a system message. The messages are fixed
// texts; the argument is inserted as it stands (it may itself hold "%").
#pragma once

#include <string>

namespace store {

inline std::string Format1(const char* pattern, const std::string& arg) {
  std::string out;
  for (const char* p = pattern; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      out += arg;
      ++p;
    } else {
      out.push_back(*p);
    }
  }
  return out;
}

}  // namespace store
