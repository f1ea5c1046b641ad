// Windows-1252 <-> Unicode, and the UTF-8 coding the XML reader needs.
//
// All text of a data packet is Windows-1252. The five bytes that code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the Unicode
// characters of the same number, so every byte maps to a character and back.
// Used by the XML packet reader (UTF-8 documents, character references), by
// tools that print packet text and by the data generator and the cover-disc
// import, which write the editions' UTF-8 texts into records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

// The Unicode character a Windows-1252 byte stands for.
char32_t Cp1252ToUnicode(uint8_t byte);

// The Windows-1252 byte for a Unicode character, or -1 when the code page
// cannot hold it.
int UnicodeToCp1252(char32_t cp);

// Appends the UTF-8 form of Windows-1252 text.
void AppendCp1252AsUtf8(std::string_view text, std::string* out);

// Decodes one UTF-8 sequence starting at `p` (before `end`). Returns its
// length and sets *cp, or returns 0 for a malformed, overlong, surrogate or
// truncated sequence.
size_t DecodeUtf8(const char* p, const char* end, char32_t* cp);

// Appends the Windows-1252 form of UTF-8 text. Returns the number of bytes of
// `utf8` converted: all of them, or the offset of the first sequence that is
// malformed or stands for a character the code page cannot hold (`out` then
// has the conversion of the text before it).
size_t AppendUtf8AsCp1252(std::string_view utf8, std::string* out);

}  // namespace engine
