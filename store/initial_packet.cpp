// InitialPacket(): the bytes embedded from resources/initial.packet by the
// build (store/cmake/embed_file.cmake writes initial_packet_data.cpp).
// The window definition keeps the packet behind a 32-bit byte count; a
// resource saved in that form is accepted too, and the count is left out.
#include "store/initial_packet.h"

#include <cstddef>

#include "engine/coding.h"
#include "engine/packet_form.h"

extern "C" const unsigned char vr_initial_packet[];
extern "C" const size_t vr_initial_packet_size;

namespace store {

std::span<const uint8_t> InitialPacket() {
  std::span<const uint8_t> bytes(vr_initial_packet, vr_initial_packet_size);
  engine::coding::ByteReader reader(bytes);
  uint64_t count = 0;
  if (bytes.size() >= 8 && reader.GetUInt(4, &count)) {
    if (count == bytes.size() - 4 &&
        engine::PacketFormOfContent(bytes.subspan(4)) == engine::PacketForm::kBinary) {
      return bytes.subspan(4);
    }
  }
  return bytes;
}

}  // namespace store
