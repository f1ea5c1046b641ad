// TextDecoder (engine/xml_text_decoding.h): attribute values from the
// document's bytes to Windows-1252. A Windows-1252 document's values are
// mostly plain bytes, skipped eight at a time; the rest goes through a table
// of the bytes that need attention.
#include "engine/xml_text_decoding.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "engine/cp1252.h"
#include "engine/packet_rules.h"

namespace engine::xml {

namespace {

// Per byte: 0 plain, 1 needs attention (markup, white space, control bytes;
// in UTF-8 documents also every byte from 0x80 up).
struct DecodeTable {
  uint8_t cp1252[256];
  uint8_t utf8[256];
  constexpr DecodeTable() : cp1252(), utf8() {
    for (int c = 0; c < 0x20; ++c) cp1252[c] = utf8[c] = 1;
    cp1252[uint8_t{'&'}] = utf8[uint8_t{'&'}] = 1;
    cp1252[uint8_t{'<'}] = utf8[uint8_t{'<'}] = 1;
    for (int c = 0x80; c < 0x100; ++c) utf8[c] = 1;
  }
};
constexpr DecodeTable kDecode;

// Skips eight bytes at a time while none of them is '&', '<' or below
// 0x20 (the bytes that need attention in a Windows-1252 document); the
// table loop finds the exact place after it.
const char* SkipPlain1252(const char* p, const char* end) {
  constexpr uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
  auto has_zero_byte = [](uint64_t x) { return ((x - kOnes) & ~x & kHigh) != 0; };
  while (end - p >= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    const bool below_space = ((w - kOnes * 0x20) & ~w & kHigh) != 0;
    if (below_space || has_zero_byte(w ^ (kOnes * '&')) || has_zero_byte(w ^ (kOnes * '<'))) {
      break;
    }
    p += 8;
  }
  return p;
}

bool Put(char32_t cp, std::string* out, std::string* why) {
  const int b = UnicodeToCp1252(cp);
  if (b <= 0) {
    char buf[80];
    std::snprintf(buf, sizeof buf,
                  cp == 0 ? "a zero character" : "character U+%04X, which Windows-1252 cannot hold",
                  static_cast<unsigned>(cp));
    *why = buf;
    return false;
  }
  out->push_back(static_cast<char>(b));
  return true;
}

bool Reference(const char** pp, const char* end, std::string* out, std::string* why) {
  const char* p = *pp + 1;
  const char* semi = static_cast<const char*>(std::memchr(p, ';', std::min<size_t>(end - p, 40)));
  if (semi == nullptr) {
    *why = "an '&' that starts no reference";
    return false;
  }
  const std::string_view ref(p, semi - p);
  *pp = semi + 1;
  if (ref == "amp") return out->push_back('&'), true;
  if (ref == "lt") return out->push_back('<'), true;
  if (ref == "gt") return out->push_back('>'), true;
  if (ref == "quot") return out->push_back('"'), true;
  if (ref == "apos") return out->push_back('\''), true;
  if (ref.size() >= 2 && ref[0] == '#') {
    const bool hex = ref[1] == 'x';
    const std::string_view digits = ref.substr(hex ? 2 : 1);
    uint32_t cp = 0;
    auto [q, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
    if (!digits.empty() && ec == std::errc() && q == digits.data() + digits.size()) {
      return Put(cp, out, why);
    }
  }
  *why = "an unknown reference '&" + packet::Printable(ref) + ";'";
  return false;
}

}  // namespace

TextDecoder::TextDecoder(bool utf8) : table_(utf8 ? kDecode.utf8 : kDecode.cp1252), utf8_(utf8) {}

bool TextDecoder::Decode(std::string_view s, std::string* out, std::string* why) const {
  const char* p = s.data();
  const char* const end = p + s.size();
  while (p < end) {
    const char* run = p;
    if (!utf8_) p = SkipPlain1252(p, end);
    while (p < end && table_[static_cast<uint8_t>(*p)] == 0) ++p;
    out->append(run, p);
    if (p == end) break;
    const auto c = static_cast<uint8_t>(*p);
    if (c == '&') {
      if (!Reference(&p, end, out, why)) return false;
    } else if (c == '<') {
      *why = "a raw '<' in a value";
      return false;
    } else if (c == '\t' || c == '\n') {
      out->push_back(' ');  // XML attribute-value normalisation
      ++p;
    } else if (c == '\r') {
      out->push_back(' ');
      ++p;
      if (p < end && *p == '\n') ++p;
    } else if (c < 0x20) {
      char buf[48];
      std::snprintf(buf, sizeof buf, "a raw control byte 0x%02X in a value", c);
      *why = buf;
      return false;
    } else {
      char32_t cp = 0;
      const size_t n = DecodeUtf8(p, end, &cp);
      if (n == 0) {
        *why = "bytes that are not UTF-8";
        return false;
      }
      if (!Put(cp, out, why)) return false;
      p += n;
    }
  }
  return true;
}

}  // namespace engine::xml
