// The two forms of a data packet and the two ways a form is told: by content
// when a packet is read, by file name when a data file is written. Every
// reader of a packet and every writer of a data file asks here, so that a
// third form is added in one place.
//
// By content: the binary form starts with the four bytes 96 19 E0 BD
// (docs/binary-packet.md); anything else, empty or short input included, is
// taken as XML and left to the XML reader to accept or refuse (a byte order
// mark or leading white space is XML's business, not a form of its own).
// By name: a name ending in ".xml", in any case, is written as XML; any other
// name (no extension, ".xml" inside a directory name, a trailing blank) is
// written in the binary form.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace engine {

enum class PacketForm { kBinary, kXml };

inline constexpr uint8_t kBinarySignature[4] = {0x96, 0x19, 0xE0, 0xBD};

PacketForm PacketFormOfContent(std::span<const uint8_t> bytes);
PacketForm PacketFormOfContent(std::string_view bytes);
PacketForm PacketFormOfFileName(std::string_view name);

}  // namespace engine
