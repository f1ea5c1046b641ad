// The shipped pictures (resources/*.jpg, logo.bmp, vregister.ico) and their
// generator: a fresh run of `genpictures` gives the committed bytes, and each
// file has the form the window relies on, read here from its headers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path Source(const std::string& rel) { return fs::path(VR_SOURCE_DIR) / rel; }

unsigned U8(const std::string& b, size_t at) { return static_cast<uint8_t>(b.at(at)); }
unsigned Be16(const std::string& b, size_t at) { return U8(b, at) << 8 | U8(b, at + 1); }
unsigned Le16(const std::string& b, size_t at) { return U8(b, at) | U8(b, at + 1) << 8; }
uint32_t Le32(const std::string& b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }

TEST(GenPictures, FreshRunReproducesTheCommittedFiles) {
  const fs::path tool = fs::path(VR_BINARY_DIR) / "tools" / "genpictures";
  ASSERT_TRUE(fs::exists(tool)) << "build the genpictures tool first: " << tool;
  const fs::path out = fs::temp_directory_path() / ("genpictures_" + std::to_string(::getpid()));
  const std::string command = tool.string() + " " + out.string() + " > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (const char* name : {"background0.jpg", "background1.jpg", "logo.bmp", "vregister.ico"}) {
    const std::string fresh = ReadFile(out / "resources" / name);
    const std::string committed = ReadFile(Source("resources") / name);
    EXPECT_FALSE(fresh.empty()) << name;
    EXPECT_TRUE(fresh == committed) << name << ": regenerate with: genpictures " << VR_SOURCE_DIR;
  }
  fs::remove_all(out);
}

// The JPEG's header segments up to the first scan.
struct JpegForm {
  bool jfif = false;
  unsigned version = 0, units = 0, x_density = 0, y_density = 0, thumb_w = 1, thumb_h = 1;
  unsigned sof = 0, precision = 0, width = 0, height = 0, components = 0;
  unsigned sampling[3] = {};
};

JpegForm ReadJpegForm(const std::string& b) {
  JpegForm f;
  EXPECT_EQ(Be16(b, 0), 0xFFD8u);
  size_t at = 2;
  while (at + 4 <= b.size()) {
    const unsigned marker = Be16(b, at);
    const unsigned length = Be16(b, at + 2);
    const size_t body = at + 4;
    if (marker == 0xFFE0 && b.compare(body, 5, std::string("JFIF\0", 5)) == 0) {
      f.jfif = true;
      f.version = Be16(b, body + 5);
      f.units = U8(b, body + 7);
      f.x_density = Be16(b, body + 8);
      f.y_density = Be16(b, body + 10);
      f.thumb_w = U8(b, body + 12);
      f.thumb_h = U8(b, body + 13);
    } else if (marker >= 0xFFC0 && marker <= 0xFFCF && marker != 0xFFC4 && marker != 0xFFC8 &&
               marker != 0xFFCC) {
      f.sof = marker;
      f.precision = U8(b, body);
      f.height = Be16(b, body + 1);
      f.width = Be16(b, body + 3);
      f.components = U8(b, body + 5);
      for (unsigned c = 0; c < f.components && c < 3; ++c) f.sampling[c] = U8(b, body + 7 + 3 * c);
    } else if (marker == 0xFFDA) {
      break;
    }
    at += 2 + length;
  }
  return f;
}

TEST(ShippedPictures, BackgroundsAreBaselineJfifYCbCr420At72Dpi) {
  struct Case {
    const char* name;
    unsigned width, height;
  };
  for (const Case& c : {Case{"background0.jpg", 800, 600}, Case{"background1.jpg", 800, 800}}) {
    const JpegForm f = ReadJpegForm(ReadFile(Source("resources") / c.name));
    EXPECT_TRUE(f.jfif) << c.name;
    EXPECT_EQ(f.version, 0x0101u) << c.name;  // 1.01
    EXPECT_EQ(f.units, 1u) << c.name;         // dots per inch
    EXPECT_EQ(f.x_density, 72u) << c.name;
    EXPECT_EQ(f.y_density, 72u) << c.name;
    EXPECT_EQ(f.thumb_w, 0u) << c.name;
    EXPECT_EQ(f.thumb_h, 0u) << c.name;
    EXPECT_EQ(f.sof, 0xFFC0u) << c.name;  // baseline
    EXPECT_EQ(f.precision, 8u) << c.name;
    EXPECT_EQ(f.width, c.width) << c.name;
    EXPECT_EQ(f.height, c.height) << c.name;
    EXPECT_EQ(f.components, 3u) << c.name;
    EXPECT_EQ(f.sampling[0], 0x22u) << c.name;  // Y at full resolution,
    EXPECT_EQ(f.sampling[1], 0x11u) << c.name;  // Cb and Cr at half in both directions
    EXPECT_EQ(f.sampling[2], 0x11u) << c.name;
  }
}

TEST(ShippedPictures, LogoIsAn8BitBottomUpBitmapWithAWhiteBottomLeftPixel) {
  const std::string b = ReadFile(Source("resources/logo.bmp"));
  ASSERT_EQ(b.size(), 11078u);
  EXPECT_EQ(b.substr(0, 2), "BM");
  EXPECT_EQ(Le32(b, 2), 11078u);
  EXPECT_EQ(Le32(b, 10), 14u + 40 + 1024);  // pixels after the 256-entry palette
  EXPECT_EQ(Le32(b, 14), 40u);
  EXPECT_EQ(static_cast<int32_t>(Le32(b, 18)), 100);
  EXPECT_EQ(static_cast<int32_t>(Le32(b, 22)), 100);  // positive: bottom-up
  EXPECT_EQ(Le16(b, 26), 1u);
  EXPECT_EQ(Le16(b, 28), 8u);
  EXPECT_EQ(Le32(b, 30), 0u);  // uncompressed
  EXPECT_EQ(Le32(b, 38), 2800u);
  EXPECT_EQ(Le32(b, 42), 2800u);
  // The first stored pixel is the bottom-left one.
  const unsigned index = U8(b, Le32(b, 10));
  EXPECT_EQ(Le32(b, 54 + 4 * index) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(ShippedPictures, IconIsOne32By32ImageOf16Colours) {
  const std::string b = ReadFile(Source("resources/vregister.ico"));
  EXPECT_EQ(Le16(b, 2), 1u);  // icon
  EXPECT_EQ(Le16(b, 4), 1u);  // one image
  EXPECT_EQ(U8(b, 6), 32u);
  EXPECT_EQ(U8(b, 7), 32u);
  EXPECT_EQ(U8(b, 8), 16u);
  const uint32_t at = Le32(b, 18);
  EXPECT_EQ(Le32(b, at), 40u);
  EXPECT_EQ(Le16(b, at + 14), 4u);  // bits per pixel
  EXPECT_EQ(b.size(), at + 40 + 64 + 32 * 16 + 32 * 4);
}

}  // namespace
