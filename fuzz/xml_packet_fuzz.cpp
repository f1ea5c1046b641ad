// Fuzzes the XML packet reader. It must read a document the same whether it
// parses the rows in pieces or whole. Whatever it accepts must write as XML
// and read back to the same content (and the second writing must equal the
// first), and must survive the binary form when that form can hold it.
#include <cstdint>
#include <string>

#include "engine/binary_packet.h"
#include "engine/xml_packet.h"
#include "tests/packet_samples.h"

namespace {

std::span<const uint8_t> Bytes(const std::string& s) {
  return std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  engine::TableData table;
  std::string error;
  const engine::DBResult rc = engine::ReadXmlPacket(std::span(data, size), &table, &error);
  // Parsed whole, or with every row a piece of its own, the document reads
  // the same, to the message.
  for (size_t piece : {size_t{0}, size_t{1}}) {
    engine::TableData other;
    std::string other_error, diff;
    if (engine::ReadXmlPacketInPieces(std::span(data, size), piece, &other, &other_error) != rc ||
        other_error != error ||
        (rc == engine::kDBOk && !packet_samples::SameTable(table, other, &diff))) {
      __builtin_trap();
    }
  }
  if (rc != engine::kDBOk) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  std::string diff;
  std::string xml;
  if (engine::WriteXmlPacket(table, &xml, &error) != engine::kDBOk) {
    if (!xml.empty()) __builtin_trap();
    return 0;
  }
  engine::TableData again;
  if (engine::ReadXmlPacket(Bytes(xml), &again, &error) != engine::kDBOk) __builtin_trap();
  if (!packet_samples::SameTable(table, again, &diff)) __builtin_trap();
  std::string xml2;
  if (engine::WriteXmlPacket(again, &xml2, &error) != engine::kDBOk || xml2 != xml) {
    __builtin_trap();
  }

  std::string binary;
  if (engine::WriteBinaryPacket(table, &binary, &error) != engine::kDBOk) return 0;
  engine::TableData from_binary;
  if (engine::ReadBinaryPacket(Bytes(binary), &from_binary, &error) != engine::kDBOk) {
    __builtin_trap();
  }
  if (!packet_samples::SameTable(table, from_binary, &diff)) __builtin_trap();
  return 0;
}
