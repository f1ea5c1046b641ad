// The command `genpackets OUTDIR`: writes the packets the project ships,
//   OUTDIR/resources/initial.packet  the window's initial binary packet (Danish)
//   OUTDIR/data/<data file>          one per edition of the registry
//                                    (Base.xml, BaseNo.xml, BaseSv.xml, BaseFi.xml)
// Run with the source tree as OUTDIR to regenerate the committed files; the
// output is the same byte for byte on every run (see docs/shipped-data.md).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "store/edition_registry.h"
#include "tools/generated_file.h"
#include "tools/genpackets.h"

using tools::WriteGeneratedFile;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: genpackets OUTDIR\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  try {
    using namespace genpackets;
    WriteGeneratedFile(out / "resources" / "initial.packet", MakeInitialPacket());
    // Seeds: the edition's language identifier, so each edition has its own mix.
    for (const store::Edition* e : store::Editions()) {
      const std::string name(store::DataFileName(*e));
      WriteGeneratedFile(out / "data" / name,
                         MakeEditionFile(ContentOf(e->sprog), static_cast<uint32_t>(e->sprog)));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "genpackets: %s\n", e.what());
    return 1;
  }
  return 0;
}
