// Tab-separated text of records, shared by `vpacket dump` and any command
// that prints records (such as a filter command).
//
// Layout: one line per record, fields in field order separated by tabs; a
// null value is empty; integers in decimal, floating-point numbers in their
// shortest exact form, text and memo bytes as Windows-1252 (or, asked for,
// UTF-8) with tab, CR, LF and backslash written \t \r \n \\; other byte
// blocks in hex.
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ds_interfaces.h"
#include "tools/vpacket.h"

namespace vpacket {

// How packet text (Windows-1252 bytes) is written.
enum class TextEncoding { kCp1252, kUtf8 };

// The options that the record-printing commands share.
struct DumpOptions {
  bool all = false;  // every row version instead of the current records
  TextEncoding encoding = TextEncoding::kCp1252;
};

// Reads the options "--all" and "--encoding=windows-1252|utf-8" from the front
// of `args` (up to a "--" or the first other argument) and returns 0 with
// *operands the arguments after them, or UsageError's status for `command`.
int ParseDumpOptions(const char* command, Args args, DumpOptions* options, Args* operands);

// The lines of the usage that tell the encoding option, for the commands'
// usage texts (a macro, so that they join the texts' literals).
#define VPACKET_ENCODING_HELP                                               \
  "\n    --encoding=utf-8 writes the text as UTF-8 instead; the default is" \
  "\n    --encoding=windows-1252, the packets' own bytes."

// Appends text with tab, CR, LF and backslash escaped.
void AppendDumpText(std::string_view text, std::string* out,
                    TextEncoding encoding = TextEncoding::kCp1252);

// Appends one value as the dump writes it.
void AppendDumpValue(const engine::FieldDesc& field, const engine::FieldValue& value,
                     std::string* out, TextEncoding encoding = TextEncoding::kCp1252);

// The engine's description of a packet field at 0-based position `index`.
engine::FieldDesc FieldDescOf(const engine::FieldDef& field, size_t index);

// The heading line: field names separated by tabs.
std::string DumpHeading(const std::vector<engine::FieldDesc>& fields,
                        TextEncoding encoding = TextEncoding::kCp1252);

// Writes the heading and every record of the cursor's view, from its first
// record on, in the view's order. Returns the engine's failure code, if any.
engine::DBResult DumpCurrentRecords(engine::IDSCursor* cursor,
                                    const std::vector<engine::FieldDesc>& fields, std::ostream& out,
                                    TextEncoding encoding = TextEncoding::kCp1252);

// Loads `bytes` (the packet of file `path`; the engine reads them where
// they stand and takes them, so they are left unspecified) into the engine
// and prints its
// current records in packet order, as `vpacket dump` does; with a filter
// block, only those that pass. Returns the command's exit status; failures
// are reported with the path in front.
int DumpPacketRecords(const std::string& path, std::string* bytes,
                      std::span<const uint8_t> filter_block,
                      TextEncoding encoding = TextEncoding::kCp1252);

}  // namespace vpacket
