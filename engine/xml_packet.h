// The XML form of a data packet (choices: docs/xml-packet.md).
//
// The writer produces Windows-1252 XML and refuses, writing nothing, a packet
// it cannot express (a zero byte in a value, a name that cannot be an XML
// attribute name). The reader accepts Windows-1252, ISO-8859-1 and UTF-8
// documents and takes a document only when all of it parsed and every value
// fits its field. Whatever the binary reader accepts, the writer here can
// carry, so that binary -> XML -> binary gives the same bytes.
// Used by ReadPacket / WritePacket (engine/packet_codec.cpp). The reader is
// engine/xml_packet_reader.cpp (values decoded by xml_text_decoding.cpp), the
// writer engine/xml_packet_writer.cpp; the parameter text forms
// (xml_packet_params.cpp) and names (xml_packet_names.cpp) both share.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "engine/status.h"
#include "engine/table_data.h"

namespace engine {

// REQUIRES: out and error are not null.
DBResult ReadXmlPacket(std::span<const uint8_t> packet, TableData* out, std::string* error);
// ReadXmlPacket on bytes the caller gives up, parsed and decoded where they
// stand: on success they become out's heap and *packet is left empty; on
// failure *packet holds them in an unspecified state.
// REQUIRES: packet, out and error are not null.
DBResult ReadXmlPacketInPlace(std::string* packet, TableData* out, std::string* error);
DBResult ReadXmlPacketInPlace(std::vector<uint8_t>* packet, TableData* out, std::string* error);
// ReadXmlPacket with the rows parsed in pieces of at least `piece_bytes`
// bytes, or the document parsed whole when it is 0. For tests: the outcome,
// messages included, must not depend on it.
DBResult ReadXmlPacketInPieces(std::span<const uint8_t> packet, size_t piece_bytes, TableData* out,
                               std::string* error);

// Replaces *out with the document; on failure *out is left empty.
// REQUIRES: data satisfies the TableData invariants; out and error not null.
DBResult WriteXmlPacket(const TableData& data, std::string* out, std::string* error);

}  // namespace engine
