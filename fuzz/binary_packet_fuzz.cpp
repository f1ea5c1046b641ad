// Fuzzes the binary packet reader. Whatever it accepts must write back to the
// same bytes, and must survive the XML form: written as XML (unless it holds
// something XML cannot carry, which the writer refuses), read again, the
// same content, and written as binary, the same bytes again.
#include <cstdint>
#include <string>

#include "engine/binary_packet.h"
#include "engine/xml_packet.h"
#include "tests/packet_samples.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  engine::TableData table;
  std::string error;
  if (engine::ReadBinaryPacket(input, &table, &error) != engine::kDBOk) {
    if (error.empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  std::string binary;
  if (engine::WriteBinaryPacket(table, &binary, &error) != engine::kDBOk) __builtin_trap();
  if (binary != std::string(reinterpret_cast<const char*>(data), size)) __builtin_trap();

  std::string xml;
  if (engine::WriteXmlPacket(table, &xml, &error) != engine::kDBOk) {
    if (!xml.empty()) __builtin_trap();  // nothing written on failure
    return 0;
  }
  engine::TableData again;
  if (engine::ReadXmlPacket(std::span(reinterpret_cast<const uint8_t*>(xml.data()), xml.size()),
                            &again, &error) != engine::kDBOk) {
    __builtin_trap();
  }
  std::string diff;
  if (!packet_samples::SameTable(table, again, &diff)) __builtin_trap();
  std::string binary2;
  if (engine::WriteBinaryPacket(again, &binary2, &error) != engine::kDBOk) __builtin_trap();
  if (binary2 != binary) __builtin_trap();
  return 0;
}
