// Tab-separated text of records, shared by `vpacket dump` and any command
// that prints records (such as a filter command).
//
// Layout: one line per record, fields in field order separated by tabs; a
// null value is empty; integers in decimal, floating-point numbers in their
// shortest exact form, text and memo bytes as Windows-1252 with tab, CR, LF
// and backslash written \t \r \n \\; other byte blocks in hex.
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ds_interfaces.h"

namespace vpacket {

// Appends text with tab, CR, LF and backslash escaped.
void AppendDumpText(std::string_view text, std::string* out);

// Appends one value as the dump writes it.
void AppendDumpValue(const engine::FieldDesc& field, const engine::FieldValue& value,
                     std::string* out);

// The engine's description of a packet field at 0-based position `index`.
engine::FieldDesc FieldDescOf(const engine::FieldDef& field, size_t index);

// The heading line: field names separated by tabs.
std::string DumpHeading(const std::vector<engine::FieldDesc>& fields);

// Writes the heading and every record of the cursor's view, from its first
// record on, in the view's order. Returns the engine's failure code, if any.
engine::DBResult DumpCurrentRecords(engine::IDSCursor* cursor,
                                    const std::vector<engine::FieldDesc>& fields,
                                    std::ostream& out);

// Loads `bytes` (the packet of file `path`; the engine reads them where
// they stand and takes them, so they are left unspecified) into the engine
// and prints its
// current records in packet order, as `vpacket dump` does; with a filter
// block, only those that pass. Returns the command's exit status; failures
// are reported with the path in front.
int DumpPacketRecords(const std::string& path, std::string* bytes,
                      std::span<const uint8_t> filter_block);

}  // namespace vpacket
