// The command `genpictures OUTDIR`: writes the window's pictures to
// OUTDIR/resources (background0.jpg, background1.jpg, logo.bmp,
// vregister.ico). Run with the source tree as OUTDIR to regenerate the
// committed files; every run gives the same bytes.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>

#include "platform/file_system.h"
#include "tools/genpictures.h"

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::string reason;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (!platform::DefaultFileSystem().WriteFileAtomic(path.string(), std::span(data, bytes.size()),
                                                     &reason)) {
    throw std::runtime_error("cannot write " + path.string() + ": " + reason);
  }
  std::printf("%s: %zu bytes\n", path.string().c_str(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: genpictures OUTDIR\n");
    return 2;
  }
  const std::filesystem::path out = std::filesystem::path(argv[1]) / "resources";
  try {
    using namespace genpictures;
    constexpr int kQuality = 85;
    WriteFile(out / "background0.jpg",
              EncodeJpeg(Background(800, 600, 0x3A1E14, 0x6E3C24), kQuality));
    WriteFile(out / "background1.jpg",
              EncodeJpeg(Background(800, 800, 0x10223E, 0x24466C), kQuality));
    WriteFile(out / "logo.bmp", EncodeBmp(Logo()));
    WriteFile(out / "vregister.ico", EncodeIcon(IconImage()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "genpictures: %s\n", e.what());
    return 1;
  }
  return 0;
}
