// Rules both packet forms share: which field types exist and what they are
// called in XML, how a parameter's raw value must be shaped, what a field's
// WIDTH and SUBTYPE say, and the checks of the change log against the rows.
//
// Must stay true: the binary and the XML reader accept exactly the same
// TableData contents, so that whatever one form reads the other can write.
// Used by engine/binary_packet.cpp and engine/xml_packet.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/status.h"
#include "engine/table_data.h"

namespace engine::packet {

// The XML type name of a field type code and size, or nullptr when the
// engine does not know that combination.
const char* FieldTypeName(uint16_t type, uint16_t size);

// The type code for an XML type name, and its size (for a varying type the
// size is 0: the length prefix is chosen separately). False for an unknown
// name.
bool FieldTypeFromName(std::string_view name, uint16_t* type, uint16_t* size);

// A field's WIDTH parameter when it holds a whole number, else 0.
uint64_t FieldWidthParam(const FieldDef& field);

// Whether a field is a byte block carrying SUBTYPE "Text" (memo text).
bool IsTextBlock(const FieldDef& field);

// The bytes of a varying parameter value, without its length prefix.
// REQUIRES: ParamShapeError(p) is empty and p.type is varying, not an array.
std::string_view VaryingParamBytes(const Param& p);

// Empty when `p.raw` has the shape its size and type call for, otherwise a
// text saying what is wrong.
std::string ParamShapeError(const Param& p);

// Checks the change log against the row count and the row contents: length a
// multiple of three, record numbers naming existing rows, a replaced record
// older than the record replacing it and never two different ones, known
// kinds, and "unchanged" blank codes only in rows that replace another.
// Returns kDBBadChangeLog / kDBCorruptPacket with a text.
DBResult CheckChangeLog(const TableData& data, std::string* error);

// Hex text of bytes (two lower-case digits per byte) and back.
void AppendHex(std::string_view bytes, std::string* out);
bool DecodeHex(std::string_view hex, std::string* out);

// Text of a byte string for error messages: printable ASCII as is, other
// bytes as \xHH, cut after 40 characters.
std::string Printable(std::string_view bytes);

}  // namespace engine::packet
