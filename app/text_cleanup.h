// The two text clean-ups of the maintenance commands, as pure functions on the
// table's 8-bit text: line breaks of imported article texts become blanks, and
// whatever blanks and control characters end a text go.
#pragma once

#include <string>
#include <string_view>

namespace app {

// Replaces every hyphen + CR LF (2D 0D 0A) by one blank, then every remaining
// CR LF by one blank; both left to right, non-overlapping, byte-exact, without
// rescanning an inserted blank. A lone CR or LF stays.
std::string JoinLines(std::string_view text);

// Drops every trailing character whose code is 32 or below.
std::string TrimEnd(std::string_view text);

}  // namespace app
