// Windows-1252 case tables and the two-byte scan (see text_fold.h).
#include "engine/text_fold.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

size_t FindEitherByte(const uint8_t* s, size_t n, uint8_t a, uint8_t b) {
  if (a == b) {
    const void* p = std::memchr(s, a, n);
    return p ? static_cast<size_t>(static_cast<const uint8_t*>(p) - s) : n;
  }
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(static_cast<char>(a));
  const __m128i vb = _mm_set1_epi8(static_cast<char>(b));
  auto hits = [&](size_t at) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
    return static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb))));
  };
  for (; i + 32 <= n; i += 32) {
    const uint32_t m = hits(i) | (hits(i + 16) << 16);
    if (m) return i + static_cast<size_t>(__builtin_ctz(m));
  }
  if (i + 16 <= n) {
    if (const uint32_t m = hits(i)) return i + static_cast<size_t>(__builtin_ctz(m));
    i += 16;
  }
  if (i < n && n >= 16) {
    // The last 16 bytes, overlapping what was read: drop the hits already seen.
    const size_t at = n - 16;
    const uint32_t m = hits(at) >> (i - at);
    return m ? i + static_cast<size_t>(__builtin_ctz(m)) : n;
  }
#endif
  for (; i < n; ++i)
    if (s[i] == a || s[i] == b) return i;
  return n;
}

size_t FindBytePair(const uint8_t* s, size_t count, size_t off1, uint8_t a1, uint8_t a2,
                    size_t off2, uint8_t b1, uint8_t b2) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i va1 = _mm_set1_epi8(static_cast<char>(a1));
  const __m128i va2 = _mm_set1_epi8(static_cast<char>(a2));
  const __m128i vb1 = _mm_set1_epi8(static_cast<char>(b1));
  const __m128i vb2 = _mm_set1_epi8(static_cast<char>(b2));
  auto hits = [&](size_t at) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at + off1));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at + off2));
    const __m128i mx = _mm_or_si128(_mm_cmpeq_epi8(x, va1), _mm_cmpeq_epi8(x, va2));
    const __m128i my = _mm_or_si128(_mm_cmpeq_epi8(y, vb1), _mm_cmpeq_epi8(y, vb2));
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(mx, my)));
  };
  for (; i + 16 <= count; i += 16)
    if (const uint32_t m = hits(i)) return i + static_cast<size_t>(__builtin_ctz(m));
  if (i < count && count >= 16) {
    const size_t at = count - 16;
    const uint32_t m = hits(at) >> (i - at);
    return m ? i + static_cast<size_t>(__builtin_ctz(m)) : count;
  }
#endif
  for (; i < count; ++i) {
    const uint8_t x = s[i + off1], y = s[i + off2];
    if ((x == a1 || x == a2) && (y == b1 || y == b2)) return i;
  }
  return count;
}

}  // namespace engine
