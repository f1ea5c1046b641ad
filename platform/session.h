// Who runs the program, on which machine, and when: what the editors' build
// writes into the records it leaves beside a shared data file (the edit lock,
// the name of a conflict copy). Reached through IFileSystem::CurrentSession so
// that tests can give a session of their own.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct Session {
  std::string user;  // login name; empty when the system does not say
  std::string host;  // machine name; empty when the system does not say
  int64_t now = 0;   // seconds since 1970-01-01 UTC
};

// The running process's session, from the password database (falling back on
// $USER / $LOGNAME), gethostname and the wall clock.
Session SystemSession();

// `unix_seconds` in local time as "2026-12-10 08:05:13", with `separator`
// between hours, minutes and seconds ('.' where the text becomes a file name:
// a ":" is refused by the file systems of Windows machines sharing the folder).
std::string LocalTimeText(int64_t unix_seconds, char separator);

}  // namespace platform
