// The binary form of a data packet (layout: docs/binary-packet.md).
//
// ReadBinaryPacket checks every count, offset and length against the packet's
// end before it uses it; WriteBinaryPacket reproduces a packet it read byte
// for byte. Used by ReadPacket / WritePacket (engine/packet_codec.cpp).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "engine/status.h"
#include "engine/table_data.h"

namespace engine {

inline constexpr size_t kBinaryHeaderSize = 24;

// With `values_in_place`, cells of varying values point at the values where
// they stand in `packet` and nothing is copied to the heap: the caller makes
// the packet's bytes the heap. The packet is only read either way.
// REQUIRES: out and error are not null.
DBResult ReadBinaryPacket(std::span<const uint8_t> packet, TableData* out, std::string* error,
                          bool values_in_place = false);

// Replaces *out with the packet. On failure *out is left empty.
// REQUIRES: data satisfies the TableData invariants; out and error not null.
DBResult WriteBinaryPacket(const TableData& data, std::string* out, std::string* error);

}  // namespace engine
