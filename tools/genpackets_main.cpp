// The command `genpackets OUTDIR`: writes the packets the project ships,
//   OUTDIR/resources/initial.packet  the window's initial binary packet (Danish)
//   OUTDIR/data/<data file>          one per edition of the registry
//                                    (Base.xml, BaseNo.xml, BaseSv.xml, BaseFi.xml)
// Run with the source tree as OUTDIR to regenerate the committed files; the
// output is the same byte for byte on every run (see docs/shipped-data.md).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>

#include "platform/file_system.h"
#include "store/edition_registry.h"
#include "tools/genpackets.h"

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
    std::fprintf(stderr, "usage: genpackets OUTDIR\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  try {
    using namespace genpackets;
    WriteFile(out / "resources" / "initial.packet", MakeInitialPacket());
    // Seeds: the edition's language identifier, so each edition has its own mix.
    for (const store::Edition* e : store::Editions()) {
      const std::string name(store::DataFileName(*e));
      WriteFile(out / "data" / name,
                MakeEditionFile(ContentOf(e->sprog), static_cast<uint32_t>(e->sprog)));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "genpackets: %s\n", e.what());
    return 1;
  }
  return 0;
}
