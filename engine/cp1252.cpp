// Windows-1252 tables. Bytes below 0x80 and from 0xA0 up are the Unicode
// characters of the same number; 0x80..0x9F differ and are listed here.
#include "engine/cp1252.h"

namespace engine {
namespace {

// Unicode for 0x80..0x9F; the undefined bytes map to themselves.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

}  // namespace

char32_t Cp1252ToUnicode(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

int UnicodeToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == cp) return 0x80 + i;
  }
  return -1;
}

void AppendCp1252AsUtf8(std::string_view text, std::string* out) {
  for (unsigned char c : text) {
    const char32_t cp = Cp1252ToUnicode(c);
    if (cp < 0x80) {
      out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
}

size_t DecodeUtf8(const char* p, const char* end, char32_t* cp) {
  if (p >= end) return 0;
  const auto b0 = static_cast<unsigned char>(*p);
  size_t len;
  char32_t value;
  char32_t min;
  if (b0 < 0x80) {
    *cp = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, value = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, value = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, value = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (static_cast<size_t>(end - p) < len) return 0;
  for (size_t i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(p[i]);
    if ((b & 0xC0) != 0x80) return 0;
    value = (value << 6) | (b & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *cp = value;
  return len;
}

size_t AppendUtf8AsCp1252(std::string_view utf8, std::string* out) {
  const char* const begin = utf8.data();
  const char* const end = begin + utf8.size();
  for (const char* p = begin; p < end;) {
    char32_t cp = 0;
    const size_t len = DecodeUtf8(p, end, &cp);
    const int byte = len == 0 ? -1 : UnicodeToCp1252(cp);
    if (byte < 0) return static_cast<size_t>(p - begin);
    out->push_back(static_cast<char>(byte));
    p += len;
  }
  return utf8.size();
}

}  // namespace engine
