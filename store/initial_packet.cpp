// InitialPacket(): the bytes embedded from resources/initial.packet by the
// build (store/cmake/embed_file.cmake writes initial_packet_data.cpp).
#include "store/initial_packet.h"

#include <cstddef>

extern "C" const unsigned char vr_initial_packet[];
extern "C" const size_t vr_initial_packet_size;

namespace store {

std::span<const uint8_t> InitialPacket() {
  return std::span<const uint8_t>(vr_initial_packet, vr_initial_packet_size);
}

}  // namespace store
