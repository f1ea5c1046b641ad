// The little-endian coding unit and the Windows-1252 tables the packet forms
// stand on: round trips against plain loops, and reads that must stop at the
// end of the buffer.
#include <gtest/gtest.h>

#include <random>

#include "engine/coding.h"
#include "engine/cp1252.h"

namespace {

using engine::coding::ByteReader;

TEST(Coding, FixedWidthRoundTripsAgainstAByteLoop) {
  std::mt19937_64 rng(3);
  for (int i = 0; i < 1000; ++i) {
    const uint64_t v = rng();
    for (size_t size : {1, 2, 4, 8}) {
      std::string out;
      engine::coding::PutUInt(&out, v, size);
      ASSERT_EQ(out.size(), size);
      uint64_t expected = 0;
      for (size_t b = 0; b < size; ++b) {
        EXPECT_EQ(static_cast<uint8_t>(out[b]), static_cast<uint8_t>(v >> (8 * b)));
        expected |= uint64_t{static_cast<uint8_t>(out[b])} << (8 * b);
      }
      ByteReader r(std::span(reinterpret_cast<const uint8_t*>(out.data()), out.size()));
      uint64_t back = 0;
      ASSERT_TRUE(r.GetUInt(size, &back));
      EXPECT_EQ(back, expected);
      EXPECT_TRUE(r.at_end());
    }
  }
}

TEST(Coding, SignExtension) {
  EXPECT_EQ(engine::coding::SignExtend(0xFF, 1), -1);
  EXPECT_EQ(engine::coding::SignExtend(0x7F, 1), 127);
  EXPECT_EQ(engine::coding::SignExtend(0x8000, 2), -32768);
  EXPECT_EQ(engine::coding::SignExtend(0xFFFFFFFF, 4), -1);
  EXPECT_EQ(engine::coding::SignExtend(0x80000000, 4), INT32_MIN);
  EXPECT_EQ(engine::coding::SignExtend(0x8000000000000000ull, 8), INT64_MIN);
}

TEST(Coding, ReadsStopAtTheEndAndLeaveThePositionAlone) {
  const uint8_t bytes[] = {5, 0, 'a', 'b', 'c'};
  for (size_t n = 0; n <= sizeof bytes; ++n) {
    ByteReader r(std::span(bytes, n));
    std::string_view v;
    const bool ok = r.GetLengthPrefixed(2, &v);
    EXPECT_EQ(ok, false) << n;  // the prefix says 5, at most 3 bytes follow
    EXPECT_EQ(r.pos(), 0u);
    uint32_t x = 0;
    EXPECT_EQ(r.GetFixed32(&x), n >= 4);
  }
  ByteReader r(std::span(bytes, sizeof bytes));
  EXPECT_FALSE(r.Skip(6));
  EXPECT_TRUE(r.Skip(5));
  EXPECT_FALSE(r.Seek(6));
  uint8_t b = 0;
  EXPECT_FALSE(r.GetFixed8(&b));
}

TEST(Cp1252, EveryByteMapsToACharacterAndBack) {
  for (int b = 0; b < 256; ++b) {
    const char32_t cp = engine::Cp1252ToUnicode(static_cast<uint8_t>(b));
    EXPECT_EQ(engine::UnicodeToCp1252(cp), b);
    std::string utf8;
    engine::AppendCp1252AsUtf8(std::string(1, static_cast<char>(b)), &utf8);
    char32_t decoded = 0;
    EXPECT_EQ(engine::DecodeUtf8(utf8.data(), utf8.data() + utf8.size(), &decoded), utf8.size());
    EXPECT_EQ(decoded, cp);
  }
  EXPECT_EQ(engine::Cp1252ToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(engine::Cp1252ToUnicode(0x9F), U'\u0178');
  EXPECT_EQ(engine::UnicodeToCp1252(U'\u0080'), -1);
  EXPECT_EQ(engine::UnicodeToCp1252(U'\u4E2D'), -1);
  EXPECT_EQ(engine::UnicodeToCp1252(0x1F600), -1);
}

struct Utf8Case {
  const char* bytes;
  size_t length;  // 0: refused
  char32_t cp;
};

TEST(Cp1252, Utf8DecodingRefusesMalformedSequences) {
  const Utf8Case cases[] = {
      {"A", 1, U'A'},
      {"\xC3\xA6", 2, U'\u00E6'},
      {"\xE2\x82\xAC", 3, U'\u20AC'},
      {"\xF0\x9F\x98\x80", 4, 0x1F600},
      {"\xC0\xAF", 0, 0},          // overlong
      {"\xE0\x80\xAF", 0, 0},      // overlong
      {"\xED\xA0\x80", 0, 0},      // surrogate
      {"\xF4\x90\x80\x80", 0, 0},  // past U+10FFFF
      {"\xC3", 0, 0},              // cut short
      {"\xE2\x82", 0, 0},
      {"\x80", 0, 0},  // continuation byte first
      {"\xC3\x28", 0, 0},
      {"\xFF", 0, 0},
  };
  for (const Utf8Case& c : cases) {
    const std::string s(c.bytes);
    char32_t cp = 0;
    EXPECT_EQ(engine::DecodeUtf8(s.data(), s.data() + s.size(), &cp), c.length) << s;
    if (c.length) {
      EXPECT_EQ(cp, c.cp) << s;
    }
  }
}

}  // namespace
