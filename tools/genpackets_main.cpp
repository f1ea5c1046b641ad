// The command `genpackets OUTDIR`: writes the packets the project ships,
//   OUTDIR/resources/initial.packet  the window's initial binary packet (Danish)
//   OUTDIR/data/Base.xml, BaseNo.xml, BaseSv.xml, BaseFi.xml  the editions
// Run with the source tree as OUTDIR to regenerate the committed files; the
// output is the same byte for byte on every run (see docs/shipped-data.md).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/genpackets.h"

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
  std::printf("%s: %zu bytes\n", path.string().c_str(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: genpackets OUTDIR\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  try {
    using namespace genpackets;
    WriteFile(out / "resources" / "initial.packet", MakeInitialPacket());
    // Seeds: the edition's language identifier, so each edition has its own mix.
    WriteFile(out / "data" / "Base.xml", MakeEditionFile(DanishContent(), 6));
    WriteFile(out / "data" / "BaseNo.xml", MakeEditionFile(NorwegianContent(), 20));
    WriteFile(out / "data" / "BaseSv.xml", MakeEditionFile(SwedishContent(), 29));
    WriteFile(out / "data" / "BaseFi.xml", MakeEditionFile(FinnishContent(), 11));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "genpackets: %s\n", e.what());
    return 1;
  }
  return 0;
}
