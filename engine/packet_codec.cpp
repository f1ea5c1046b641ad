// ReadPacket / WritePacket: the one entry to both packet forms. The form of
// a packet being read is told by its first four bytes.
#include "engine/packet_codec.h"

#include <cstring>

#include "engine/binary_packet.h"
#include "engine/xml_packet.h"

namespace engine {

DBResult ReadPacket(std::span<const uint8_t> packet, TableData* out, std::string* error) {
  std::string scratch;
  if (error == nullptr) error = &scratch;
  if (packet.size() >= 4 && std::memcmp(packet.data(), kBinarySignature, 4) == 0) {
    return ReadBinaryPacket(packet, out, error);
  }
  return ReadXmlPacket(packet, out, error);
}

DBResult WritePacket(const TableData& data, PacketForm form, std::string* out,
                     std::string* error) {
  std::string scratch;
  if (error == nullptr) error = &scratch;
  return form == PacketForm::kBinary ? WriteBinaryPacket(data, out, error)
                                     : WriteXmlPacket(data, out, error);
}

}  // namespace engine
