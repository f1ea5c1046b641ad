// ReadPacket / WritePacket: the one entry to both packet forms. The form of
// a packet being read is told by its content (engine/packet_form.h).
// Running out of memory is reported as a status like any other failure: no
// exception leaves the engine.
#include "engine/packet_codec.h"

#include <new>

#include "engine/binary_packet.h"
#include "engine/xml_packet.h"

namespace engine {

DBResult ReadPacket(std::span<const uint8_t> packet, TableData* out, std::string* error) {
  std::string scratch;
  if (error == nullptr) error = &scratch;
  try {
    if (PacketFormOfContent(packet) == PacketForm::kBinary) {
      return ReadBinaryPacket(packet, out, error);
    }
    return ReadXmlPacket(packet, out, error);
  } catch (const std::bad_alloc&) {
    *out = TableData{};
    *error =
        "Not enough memory to read a data packet of " + std::to_string(packet.size()) + " bytes";
    return kDBCorruptPacket;
  }
}

namespace {

template <typename Bytes>
DBResult ReadOwned(Bytes* packet, TableData* out, std::string* error) {
  std::string scratch;
  if (error == nullptr) error = &scratch;
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(packet->data()),
                                       packet->size());
  if (PacketFormOfContent(bytes) != PacketForm::kBinary) {
    return ReadPacket(bytes, out, error);
  }
  try {
    DBResult r = ReadBinaryPacket(bytes, out, error, /*values_in_place=*/true);
    if (r == kDBOk) {
      out->heap.Adopt(std::move(*packet));
      packet->clear();
    }
    return r;
  } catch (const std::bad_alloc&) {
    *out = TableData{};
    *error =
        "Not enough memory to read a data packet of " + std::to_string(bytes.size()) + " bytes";
    return kDBCorruptPacket;
  }
}

}  // namespace

DBResult ReadOwnedPacket(std::vector<uint8_t>* packet, TableData* out, std::string* error) {
  return ReadOwned(packet, out, error);
}

DBResult ReadOwnedPacket(std::string* packet, TableData* out, std::string* error) {
  return ReadOwned(packet, out, error);
}

namespace {

template <typename Bytes>
DBResult ReadConsumed(Bytes* packet, TableData* out, std::string* error) {
  std::string scratch;
  if (error == nullptr) error = &scratch;
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(packet->data()),
                                       packet->size());
  if (PacketFormOfContent(bytes) == PacketForm::kBinary) return ReadOwned(packet, out, error);
  const size_t size = packet->size();
  try {
    return ReadXmlPacketInPlace(packet, out, error);
  } catch (const std::bad_alloc&) {
    *out = TableData{};
    *error = "Not enough memory to read a data packet of " + std::to_string(size) + " bytes";
    return kDBCorruptPacket;
  }
}

}  // namespace

DBResult ReadConsumedPacket(std::string* packet, TableData* out, std::string* error) {
  return ReadConsumed(packet, out, error);
}

DBResult ReadConsumedPacket(std::vector<uint8_t>* packet, TableData* out, std::string* error) {
  return ReadConsumed(packet, out, error);
}

DBResult ReadMappedPacket(std::unique_ptr<platform::MappedFile>* packet, TableData* out,
                          std::string* error) {
  std::string scratch;
  if (error == nullptr) error = &scratch;
  const std::span<const uint8_t> bytes((*packet)->data(), (*packet)->size());
  if (PacketFormOfContent(bytes) != PacketForm::kBinary) return ReadPacket(bytes, out, error);
  try {
    DBResult r = ReadBinaryPacket(bytes, out, error, /*values_in_place=*/true);
    if (r == kDBOk) out->heap.Adopt(std::move(*packet));
    return r;
  } catch (const std::bad_alloc&) {
    *out = TableData{};
    *error =
        "Not enough memory to read a data packet of " + std::to_string(bytes.size()) + " bytes";
    return kDBCorruptPacket;
  }
}

DBResult WritePacket(const TableData& data, PacketForm form, std::string* out, std::string* error) {
  std::string scratch;
  if (error == nullptr) error = &scratch;
  try {
    return form == PacketForm::kBinary ? WriteBinaryPacket(data, out, error)
                                       : WriteXmlPacket(data, out, error);
  } catch (const std::bad_alloc&) {
    out->clear();
    *error = "Not enough memory to write the data packet";
    return kDBCannotWritePacket;
  }
}

}  // namespace engine
