// The command `genpictures OUTDIR`: writes the window's pictures to
// OUTDIR/resources (background0.jpg, background1.jpg, logo.bmp,
// vregister.ico). Run with the source tree as OUTDIR to regenerate the
// committed files; every run gives the same bytes.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "tools/generated_file.h"
#include "tools/genpictures.h"

using tools::WriteGeneratedFile;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: genpictures OUTDIR\n");
    return 2;
  }
  const std::filesystem::path out = std::filesystem::path(argv[1]) / "resources";
  try {
    using namespace genpictures;
    constexpr int kQuality = 85;
    WriteGeneratedFile(out / "background0.jpg",
                       EncodeJpeg(Background(800, 600, 0x3A1E14, 0x6E3C24), kQuality));
    WriteGeneratedFile(out / "background1.jpg",
                       EncodeJpeg(Background(800, 800, 0x10223E, 0x24466C), kQuality));
    WriteGeneratedFile(out / "logo.bmp", EncodeBmp(Logo()));
    WriteGeneratedFile(out / "vregister.ico", EncodeIcon(IconImage()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "genpictures: %s\n", e.what());
    return 1;
  }
  return 0;
}
