// vpacket filter [--all] [--encoding=E] FILE TEXT: the records of a packet
// that pass a filter text, in the format of vpacket dump.
//
// The text is compiled against the packet's own fields (numbers and types as
// the packet gives them, plus the article table's calculated Sideantal, which
// no filter may use) with the article table's options, then evaluated by the
// engine: through a cursor for the current records, or straight over every
// row version with --all.
#include <iostream>

#include "engine/data_object.h"
#include "engine/filter_program.h"
#include "engine/record_values.h"
#include "store/article_filter_host.h"
#include "store/db_error.h"
#include "store/engine_field_type.h"
#include "store/filter_compile.h"
#include "tools/vpacket.h"
#include "tools/vpacket_dump.h"

namespace vpacket {
namespace {

// The packet's own fields, numbered and typed as the packet gives them, and
// the article table's calculated ones.
store::ArticleFilterHost PacketHost(const engine::TableData& t) {
  std::vector<store::FilterFieldInfo> fields;
  for (size_t i = 0; i < t.field_count(); ++i) {
    fields.push_back({t.fields[i].name, static_cast<int>(i + 1),
                      store::EngineFieldType(FieldDescOf(t.fields[i], i)),
                      static_cast<int>(engine::FieldWidth(t.fields[i])), store::FieldKind::kData});
  }
  return store::ArticleFilterHost(std::move(fields));
}

// Every row version that passes, as `vpacket dump --all` lists rows.
int FilterAllRows(const std::string& path, const engine::TableData& t,
                  const std::vector<uint8_t>& block, TextEncoding encoding) {
  std::unique_ptr<engine::FilterProgram> program;
  std::string error;
  if (engine::FilterProgram::Decode(block, t, &program, &error) != engine::kDBOk)
    return Fail(path + ": " + error);
  // Which row each row replaces, as a load derives it from the change log.
  std::vector<uint32_t> replaces;
  if (engine::CheckTable(t, &replaces, &error) != engine::kDBOk) return Fail(path + ": " + error);
  std::vector<engine::FieldDesc> descs;
  for (size_t f = 0; f < t.field_count(); ++f) descs.push_back(FieldDescOf(t.fields[f], f));
  std::string text = "row\tstatus\tblanks";
  if (!descs.empty()) text += "\t" + DumpHeading(descs, encoding);
  text += "\n";
  for (uint32_t r = 0; r < t.row_count(); ++r) {
    if (!program->Matches(t, replaces, r)) continue;
    text += std::to_string(r + 1) + "\t" + std::to_string(t.status[r]) + "\t";
    for (size_t f = 0; f < t.field_count(); ++f)
      text.push_back(static_cast<char>('0' + t.cell(r, f).blank));
    for (size_t f = 0; f < t.field_count(); ++f) {
      text.push_back('\t');
      const engine::Cell& c = t.cell(r, f);
      if (c.blank == engine::kValue)
        AppendDumpValue(descs[f], engine::CellToValue(t, t.fields[f], c), &text, encoding);
    }
    text.push_back('\n');
  }
  std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
  return std::cout.flush() ? 0 : Fail("cannot write the records");
}

int RunFilter(Args args) {
  DumpOptions options;
  Args operands;
  if (const int status = ParseDumpOptions("filter", args, &options, &operands); status != 0) {
    return status;
  }
  if (operands.size() != 2) return UsageError("filter");
  const std::string& path = operands[0];
  std::string bytes, error;
  engine::TableData t;
  if (!LoadPacket(path, &bytes, &t, &error)) return Fail(error);
  std::vector<uint8_t> block;
  try {
    block = store::CompileFilterText(PacketHost(t), operands[1], {true, false});
  } catch (const store::Exception& e) {
    return Fail(e.what());
  }
  if (options.all) return FilterAllRows(path, t, block, options.encoding);
  return DumpPacketRecords(path, &bytes, block, options.encoding);
}

}  // namespace
}  // namespace vpacket

VPACKET_COMMAND(
    filter,
    "filter [--all] [--encoding=windows-1252|utf-8] FILE TEXT\n"
    "    Prints the current records of the packet that pass the filter text,\n"
    "    in the format of \"vpacket dump FILE\"; the text is compiled against\n"
    "    the packet's fields with the article table's options. --all prints\n"
    "    every row version that passes, in the format of \"vpacket dump --all\".\n"
    "    A text the table refuses prints its message on stderr and exits 1." VPACKET_ENCODING_HELP,
    vpacket::RunFilter);
