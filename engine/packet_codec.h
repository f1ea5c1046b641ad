// Reading and writing data packets in their two forms.
//
// ReadPacket tells the forms apart by content (PacketFormOfContent in
// engine/packet_form.h: the binary form starts with the bytes 96 19 E0 BD;
// anything else is read as XML) and fills a TableData.
// Readers never trust a count, an offset or a length: a malformed packet is
// refused with a status and a text that says what is wrong and where, and
// `out` is left in an unspecified but destructible state.
//
// The binary layout is documented in docs/binary-packet.md, the XML choices in
// docs/xml-packet.md.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/packet_form.h"
#include "engine/status.h"
#include "engine/table_data.h"
#include "platform/mapped_file.h"

namespace engine {

DBResult ReadPacket(std::span<const uint8_t> packet, TableData* out, std::string* error);
// ReadPacket for a packet the caller gives up: a binary packet's bytes become
// the table's heap (its values are used where they stand, nothing is copied)
// and *packet is left empty. On failure, and for the XML form, *packet keeps
// its bytes.
DBResult ReadOwnedPacket(std::vector<uint8_t>* packet, TableData* out, std::string* error);
DBResult ReadOwnedPacket(std::string* packet, TableData* out, std::string* error);
// ReadOwnedPacket for a packet the caller will not need again whatever the
// outcome: an XML packet too is read where it stands (parsed and decoded in
// place) and becomes the heap, so that loading holds no second copy of it.
// On failure *packet holds its bytes in an unspecified state.
DBResult ReadConsumedPacket(std::string* packet, TableData* out, std::string* error);
DBResult ReadConsumedPacket(std::vector<uint8_t>* packet, TableData* out, std::string* error);
// ReadOwnedPacket for a mapped data file: a binary packet's values are used
// where they stand in the mapping, which becomes the heap (edits go to the
// room after the file). An XML packet is read from the mapping as by
// ReadPacket, and *packet keeps it; so it does on failure.
DBResult ReadMappedPacket(std::unique_ptr<platform::MappedFile>* packet, TableData* out,
                          std::string* error);
DBResult WritePacket(const TableData& data, PacketForm form, std::string* out, std::string* error);

}  // namespace engine
