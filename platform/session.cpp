// The system's answer to who, where and when (see session.h).
#include "platform/session.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace platform {

namespace {

std::string UserName() {
  std::vector<char> buffer(16384);
  passwd entry;
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_name != nullptr) {
    return found->pw_name;
  }
  for (const char* variable : {"USER", "LOGNAME"}) {
    if (const char* value = std::getenv(variable); value != nullptr) return value;
  }
  return "";
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

}  // namespace

Session SystemSession() { return Session{UserName(), HostName(), std::time(nullptr)}; }

std::string LocalTimeText(int64_t unix_seconds, char separator) {
  const std::time_t t = static_cast<std::time_t>(unix_seconds);
  std::tm local{};
  if (::localtime_r(&t, &local) == nullptr) return "";
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d%c%02d%c%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, separator, local.tm_min, separator,
                local.tm_sec);
  return text;
}

}  // namespace platform
