// vpacket convert IN OUT: rewrites a packet in the form OUT's extension asks
// for (".xml" in any case: XML; anything else: binary). The packet is read
// and written by the packet codec directly, so a binary packet converted to
// XML and back is the same bytes. OUT is not touched when IN is refused, and
// it is replaced the way the program replaces a data file (a temporary file
// renamed over it), so a failed write keeps the old OUT whole. An OUT that
// someone else writes while the conversion runs is not overwritten: the
// result goes to a conflict copy beside it ("out (conflict <time>).xml"), the
// command says so and fails.
#include "engine/packet_codec.h"
#include "engine/packet_form.h"
#include "platform/file_system.h"
#include "platform/file_version.h"
#include "tools/vpacket.h"

namespace {

int RunConvert(vpacket::Args args) {
  if (args.size() != 2) return vpacket::UsageError("convert");
  std::string bytes, error, out;
  // What OUT holds now, before anything else is read: the conversion may
  // replace that and nothing newer. An OUT that cannot be read is replaced
  // the plain way.
  platform::FileVersion before;
  const bool guarded = platform::TakeVersion(platform::DefaultFileSystem(), args[1], &before);
  engine::TableData table;
  if (!vpacket::LoadPacket(args[0], &bytes, &table, &error)) return vpacket::Fail(error);
  if (engine::WritePacket(table, engine::PacketFormOfFileName(args[1]), &out, &error) !=
      engine::kDBOk) {
    return vpacket::Fail(args[1] + ": " + error);
  }
  const bool written = guarded ? vpacket::WriteWholeFileUnlessChanged(args[1], out, before, &error)
                               : vpacket::WriteWholeFile(args[1], out, &error);
  if (!written) return vpacket::Fail(error);
  return 0;
}

}  // namespace

VPACKET_COMMAND(convert,
                "convert IN OUT\n"
                "    Reads IN (either form) and writes it to OUT, as XML when OUT ends in\n"
                "    \".xml\" (any case), otherwise in the binary form.",
                RunConvert);
