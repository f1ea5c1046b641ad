// Encoding labels of an XML packet's declaration and the text decoding each
// stands for.
//
// The labels are those the WHATWG Encoding Standard gives for windows-1252
// and UTF-8, compared without regard to ASCII case after trimming ASCII
// white space: script languages write "cp1252", "latin1" or "us-ascii" where
// the engine writes "windows-1252". Every windows-1252 label reads bytes from
// 0x80 up as Windows-1252, so a file labelled US-ASCII that holds such bytes
// is read as the browsers read it rather than refused.
#pragma once

#include <string_view>

namespace engine {

enum class TextEncoding { kUnknown, kWindows1252, kUtf8 };

TextEncoding EncodingFromLabel(std::string_view label);

}  // namespace engine
