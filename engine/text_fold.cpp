// Windows-1252 case tables (see text_fold.h).
#include "engine/text_fold.h"

namespace engine {

namespace {

constexpr std::array<uint8_t, 256> MakeFold() {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<uint8_t>(c);
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<uint8_t>(c + 0x20);
  for (int c = 0xC0; c <= 0xDE; ++c)
    if (c != 0xD7) t[c] = static_cast<uint8_t>(c + 0x20);
  t[0x8A] = 0x9A;
  t[0x8C] = 0x9C;
  t[0x8E] = 0x9E;
  t[0x9F] = 0xFF;
  return t;
}

constexpr std::array<uint8_t, 256> MakeUpper(const std::array<uint8_t, 256>& fold) {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<uint8_t>(c);
  for (int c = 0; c < 256; ++c)
    if (fold[c] != c) t[fold[c]] = static_cast<uint8_t>(c);
  return t;
}

constexpr std::array<uint8_t, 256> MakeIdentity() {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<uint8_t>(c);
  return t;
}

constexpr std::array<uint8_t, 256> kFold = MakeFold();
constexpr std::array<uint8_t, 256> kUpper = MakeUpper(kFold);
constexpr std::array<uint8_t, 256> kIdentity = MakeIdentity();

}  // namespace

const std::array<uint8_t, 256>& FoldTable() { return kFold; }
const std::array<uint8_t, 256>& UpperTable() { return kUpper; }
const std::array<uint8_t, 256>& IdentityTable() { return kIdentity; }

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 0x20);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 0x20);
    if (x != y) return false;
  }
  return true;
}

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
  return out;
}

}  // namespace engine
