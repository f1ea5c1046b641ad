// The initial data packet that the window definition gives the article table
// (its held packet until the first successful open). The bytes are embedded
// into the program at build time from resources/initial.packet; when that file
// is absent the packet is empty.
// Called by the window's set-up (TArtikelData::SetData) and by tests.
#pragma once

#include <cstdint>
#include <span>

namespace store {

// The packet's bytes (a binary data packet, without a byte count in front).
std::span<const uint8_t> InitialPacket();

}  // namespace store
