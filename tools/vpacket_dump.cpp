// vpacket dump [--all] [--encoding=E] FILE, and the record text it shares
// (vpacket_dump.h).
//
// Without --all the packet is loaded into the engine and its current records
// are read through a cursor in packet order, so "unchanged" values come out
// resolved exactly as the table sees them. With --all every row version is
// listed straight from the packet, with its status and blank codes.
#include "tools/vpacket_dump.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <iostream>

#include "engine/cp1252.h"
#include "engine/packet_rules.h"
#include "engine/record_values.h"
#include "tools/vpacket.h"

namespace vpacket {

int ParseDumpOptions(const char* command, Args args, DumpOptions* options, Args* operands) {
  size_t i = 0;
  for (; i < args.size() && args[i].starts_with("-"); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg == "--all") {
      options->all = true;
    } else if (arg.starts_with("--encoding=")) {
      std::string name = arg.substr(std::strlen("--encoding="));
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (name == "utf-8" || name == "utf8") {
        options->encoding = TextEncoding::kUtf8;
      } else if (name == "windows-1252" || name == "cp1252") {
        options->encoding = TextEncoding::kCp1252;
      } else {
        return UsageError(command, "unknown encoding '" + arg.substr(std::strlen("--encoding=")) +
                                       "' (windows-1252 or utf-8)");
      }
    } else {
      return UnknownOption(command, arg);
    }
  }
  *operands = args.subspan(i);
  return 0;
}

void AppendDumpText(std::string_view text, std::string* out, TextEncoding encoding) {
  if (encoding == TextEncoding::kUtf8) {
    std::string cp1252;
    AppendDumpText(text, &cp1252);
    engine::AppendCp1252AsUtf8(cp1252, out);
    return;
  }
  for (char c : text) {
    switch (c) {
      case '\t':
        out->append("\\t");
        break;
      case '\r':
        out->append("\\r");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\\':
        out->append("\\\\");
        break;
      default:
        out->push_back(c);
    }
  }
}

void AppendDumpValue(const engine::FieldDesc& field, const engine::FieldValue& value,
                     std::string* out, TextEncoding encoding) {
  char buf[40];
  switch (value.kind) {
    case engine::FieldValue::Kind::kNull:
      break;
    case engine::FieldValue::Kind::kInt:
      out->append(buf, std::to_chars(buf, buf + sizeof buf, value.i).ptr);
      break;
    case engine::FieldValue::Kind::kFloat:
      out->append(buf, std::to_chars(buf, buf + sizeof buf, value.f).ptr);
      break;
    case engine::FieldValue::Kind::kBytes:
      if ((field.type & engine::kTypeBaseMask) == engine::kBaseBytes && !field.memo) {
        engine::packet::AppendHex(value.bytes, out);
      } else {
        AppendDumpText(value.bytes, out, encoding);
      }
      break;
  }
}

std::string DumpHeading(const std::vector<engine::FieldDesc>& fields, TextEncoding encoding) {
  std::string line;
  for (size_t f = 0; f < fields.size(); ++f) {
    if (f) line.push_back('\t');
    AppendDumpText(fields[f].name, &line, encoding);
  }
  return line;
}

engine::DBResult DumpCurrentRecords(engine::IDSCursor* cursor,
                                    const std::vector<engine::FieldDesc>& fields, std::ostream& out,
                                    TextEncoding encoding) {
  std::string text = DumpHeading(fields, encoding) + "\n";
  if (engine::DBResult rc = cursor->MoveToBOF(); rc != engine::kDBOk) return rc;
  engine::RecordBuffer buf;
  engine::FieldValue value;
  for (;;) {
    const engine::DBResult rc = cursor->GetNextRecord(&buf);
    if (rc == engine::kDBEof) break;
    if (rc != engine::kDBOk) return rc;
    for (size_t f = 0; f < fields.size(); ++f) {
      if (f) text.push_back('\t');
      const engine::DBResult frc = cursor->GetField(buf, fields[f].number, &value);
      if (frc != engine::kDBOk) return frc;
      AppendDumpValue(fields[f], value, &text, encoding);
    }
    text.push_back('\n');
    if (text.size() > (1 << 20)) {
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      text.clear();
    }
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  return engine::kDBOk;
}

engine::FieldDesc FieldDescOf(const engine::FieldDef& f, size_t index) {
  engine::FieldDesc d;
  d.name = f.name;
  d.number = static_cast<uint16_t>(index + 1);
  d.type = f.type;
  d.size = f.size;
  d.attrs = f.attrs;
  d.memo = engine::packet::IsTextBlock(f);
  return d;
}

int DumpPacketRecords(const std::string& path, std::string* bytes,
                      std::span<const uint8_t> filter_block, TextEncoding encoding) {
  std::unique_ptr<engine::IDSBase> base = engine::CreateDSBase();
  auto engine_error = [&](engine::DBResult rc) {
    std::string text;
    base->GetErrorString(rc, &text);
    return Fail(path + ": " + text);
  };
  // The bytes are not needed again: the engine reads them where they stand
  // (neither form is copied).
  if (engine::DBResult rc = base->AppendConsumedData(bytes); rc != engine::kDBOk) {
    return engine_error(rc);
  }
  std::vector<engine::FieldDesc> fields;
  if (engine::DBResult rc = base->GetFieldDescs(&fields); rc != engine::kDBOk) {
    return engine_error(rc);
  }
  std::unique_ptr<engine::IDSCursor> cursor = engine::CreateDSCursor();
  if (engine::DBResult rc = cursor->InitCursor(base.get()); rc != engine::kDBOk) {
    return engine_error(rc);
  }
  if (!filter_block.empty()) {
    engine::FilterHandle handle = 0;
    if (engine::DBResult rc = cursor->AddFilter(filter_block, &handle); rc != engine::kDBOk) {
      return engine_error(rc);
    }
  }
  if (engine::DBResult rc = DumpCurrentRecords(cursor.get(), fields, std::cout, encoding);
      rc != engine::kDBOk) {
    return engine_error(rc);
  }
  return std::cout.flush()
             ? 0
             : Fail(filter_block.empty() ? "cannot write the dump" : "cannot write the records");
}

namespace {

// Every row version: row number, status, one blank code digit per field
// (0 value, 1 null, 2 unchanged), then the row's own values.
int DumpAllRows(const std::string& path, TextEncoding encoding) {
  std::string bytes, error;
  engine::TableData t;
  if (!LoadPacket(path, &bytes, &t, &error)) return Fail(error);
  std::vector<engine::FieldDesc> descs;
  for (size_t f = 0; f < t.field_count(); ++f) descs.push_back(FieldDescOf(t.fields[f], f));
  std::string text = "row\tstatus\tblanks";
  if (!descs.empty()) {
    text += '\t';
    text += DumpHeading(descs, encoding);
  }
  text += "\n";
  for (size_t r = 0; r < t.row_count(); ++r) {
    text += std::to_string(r + 1) + "\t" + std::to_string(t.status[r]) + "\t";
    for (size_t f = 0; f < t.field_count(); ++f) {
      text.push_back(static_cast<char>('0' + t.cell(r, f).blank));
    }
    for (size_t f = 0; f < t.field_count(); ++f) {
      text.push_back('\t');
      const engine::Cell& c = t.cell(r, f);
      if (c.blank == engine::kValue) {
        AppendDumpValue(descs[f], engine::CellToValue(t, t.fields[f], c), &text, encoding);
      }
    }
    text.push_back('\n');
    if (text.size() > (1 << 20)) {
      std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
      text.clear();
    }
  }
  std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
  return std::cout.flush() ? 0 : Fail("cannot write the dump");
}

int DumpCurrent(const std::string& path, TextEncoding encoding) {
  std::string bytes, error;
  if (!ReadWholeFile(path, &bytes, &error)) return Fail(error);
  return DumpPacketRecords(path, &bytes, {}, encoding);
}

int RunDump(Args args) {
  DumpOptions options;
  Args files;
  if (const int status = ParseDumpOptions("dump", args, &options, &files); status != 0) {
    return status;
  }
  if (files.size() != 1) return UsageError("dump");
  return options.all ? DumpAllRows(files[0], options.encoding)
                     : DumpCurrent(files[0], options.encoding);
}

}  // namespace

}  // namespace vpacket

VPACKET_COMMAND(dump,
                "dump [--all] [--encoding=windows-1252|utf-8] FILE\n"
                "    Prints the current records in packet order as tab-separated\n"
                "    Windows-1252 text: a first line of field names, then one line per\n"
                "    record with the fields in field order, empty for null. Tab, CR, LF\n"
                "    and backslash in values are written \\t \\r \\n \\\\; byte blocks that\n"
                "    are not memo text are written in hex.\n"
                "    --all prints every row version instead: the columns are \"row\" (its\n"
                "    number from 1), \"status\" (the status bits in decimal: 1 replaced,\n"
                "    2 deleted, 4 inserted, 8 modified), \"blanks\" (one digit per field:\n"
                "    0 value, 1 null, 2 unchanged), then the row's own values (empty\n"
                "    unless the digit is 0)." VPACKET_ENCODING_HELP,
                vpacket::RunDump);
