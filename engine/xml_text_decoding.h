// TextDecoder: how the XML reader turns an attribute value (or name) as it
// stands in the document into the Windows-1252 bytes the table holds:
// entities and character references resolved, tabs and line ends
// normalised to blanks as XML prescribes, UTF-8 documents decoded, and a
// value refused with a reason for markup errors or characters the code page
// cannot hold. Private to the XML reader (engine/xml_packet_reader.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace engine::xml {

class TextDecoder {
 public:
  // `utf8`: whether the document is UTF-8; otherwise it is Windows-1252.
  explicit TextDecoder(bool utf8);

  bool utf8() const { return utf8_; }

  // Appends the Windows-1252 bytes of an attribute value. False with a
  // reason for markup errors and characters the code page cannot hold.
  bool Decode(std::string_view s, std::string* out, std::string* why) const;

  // Whether a value can be used without decoding. Inline: the reader asks
  // for every value of every row.
  bool Plain(std::string_view s) const {
    for (char c : s) {
      if (table_[static_cast<uint8_t>(c)] != 0) return false;
    }
    return true;
  }

 private:
  const uint8_t* table_;  // per byte: 0 plain, 1 needs attention
  bool utf8_;
};

}  // namespace engine::xml
