// The binary packet form: layout, round trips, and refusal of every kind of
// damage (truncation at each offset, flipped bytes, lying counts, values that
// do not fit, a bad change log).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/binary_packet.h"
#include "engine/coding.h"
#include "engine/ds_interfaces.h"
#include "engine/packet_codec.h"
#include "tests/packet_samples.h"

namespace {

using engine::DBResult;
using engine::TableData;
using ::testing::HasSubstr;

std::string Binary(const TableData& t) {
  std::string out, error;
  EXPECT_EQ(engine::WritePacket(t, engine::PacketForm::kBinary, &out, &error), engine::kDBOk)
      << error;
  return out;
}

DBResult Read(const std::string& bytes, TableData* t, std::string* error) {
  return engine::ReadPacket(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                            t, error);
}

uint64_t At(const std::string& b, size_t offset, size_t size) {
  return engine::coding::DecodeUInt(reinterpret_cast<const uint8_t*>(b.data()) + offset, size);
}

void Put(std::string* b, size_t offset, uint64_t value, size_t size) {
  engine::coding::EncodeUInt(b->data() + offset, value, size);
}

TEST(BinaryPacketLayout, HeaderAndFirstDescriptor) {
  const TableData t = packet_samples::ArticlesWithHistory();
  const std::string b = Binary(t);
  EXPECT_EQ(b.substr(0, 4), std::string("\x96\x19\xE0\xBD"));
  EXPECT_EQ(At(b, 4, 4), 1u);
  EXPECT_EQ(At(b, 8, 4), 24u);
  EXPECT_EQ(At(b, 12, 2), 8u);
  EXPECT_EQ(At(b, 14, 4), t.row_count());
  EXPECT_EQ(At(b, 18, 4), 3u);
  // First descriptor: "Aargang", size 4, type 1, flags 0x10, no parameters.
  EXPECT_EQ(At(b, 24, 1), 7u);
  EXPECT_EQ(b.substr(25, 7), "Aargang");
  EXPECT_EQ(At(b, 32, 2), 4u);
  EXPECT_EQ(At(b, 34, 2), 1u);
  EXPECT_EQ(At(b, 36, 2), 0x10u);
  EXPECT_EQ(At(b, 38, 2), 0u);
  // The first row starts at the header's offset with its status byte and the
  // blank codes of eight fields in two bytes.
  const size_t first_row = At(b, 22, 2);
  EXPECT_EQ(At(b, first_row, 1), engine::kRowInserted);
  const size_t blanks = At(b, first_row + 1, 2);
  EXPECT_EQ(blanks & 3, 0u);                          // Aargang has a value
  EXPECT_EQ((blanks >> 14) & 3, t.cell(0, 7).blank);  // VProgrammer in the top bits
}

TEST(BinaryPacketLayout, SubtypeAndWidthParameters) {
  TableData t;
  packet_samples::AddArticleFields(&t);
  t.fields.resize(4);
  const std::string b = Binary(t);
  // Titel: name, size 1, type 0x49, flags, 1 parameter WIDTH size 2 type 2 value 80.
  const size_t titel = b.find("\x05Titel");
  ASSERT_NE(titel, std::string::npos);
  const std::string expected_titel(
      "\x05Titel\x01\x00\x49\x00\x10\x00\x01\x00\x05WIDTH\x02\x00\x02\x00\x50\x00", 24);
  EXPECT_EQ(b.substr(titel, expected_titel.size()), expected_titel);
  const std::string subtype("\x07SUBTYPE\x02\x00\x49\x00\x05\x00Text\x00", 17);
  EXPECT_NE(b.find(subtype), std::string::npos);
}

TEST(BinaryPacketRoundTrip, ReadThenWriteGivesTheSameBytes) {
  for (const TableData& t : {packet_samples::ArticlesWithHistory(), packet_samples::Articles(50)}) {
    const std::string b = Binary(t);
    TableData back;
    std::string error;
    ASSERT_EQ(Read(b, &back, &error), engine::kDBOk) << error;
    std::string diff;
    EXPECT_TRUE(packet_samples::SameTable(t, back, &diff)) << diff;
    EXPECT_EQ(Binary(back), b);
  }
}

// A packet given up to the engine: a binary one becomes the table's heap, its
// values read where they stand; a refused one, and the XML form, stay with
// the caller as they were; a taken one comes back whole while unchanged.
TEST(BinaryPacketOwned, TakenOnlyWhenLoadedAndGivenBackWhole) {
  const TableData sample = packet_samples::ArticlesWithHistory();
  const std::string binary = Binary(sample);
  std::string xml, error;
  ASSERT_EQ(engine::WritePacket(sample, engine::PacketForm::kXml, &xml, &error), engine::kDBOk);
  std::string bad_log = binary;  // a change log entry naming no row
  const size_t log_at = binary.find("CHANGE_LOG") + 10 + 2 + 2 + 4;
  Put(&bad_log, log_at, 60000, 4);
  struct Case {
    const char* name;
    std::string bytes;
    bool loads;
    bool taken;
  } cases[] = {{"binary", binary, true, true},
               {"XML", xml, true, false},
               {"truncated binary", binary.substr(0, binary.size() - 3), false, false},
               {"binary with a bad change log", bad_log, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> original(c.bytes.begin(), c.bytes.end());
    std::vector<uint8_t> packet = original;
    auto base = engine::CreateDSBase();
    ASSERT_EQ(base->AppendOwnedData(&packet) == engine::kDBOk, c.loads);
    EXPECT_EQ(packet.empty(), c.taken);
    if (!c.taken) {
      EXPECT_EQ(packet, original);
    }
    if (!c.loads) {
      std::string text = c.bytes;
      EXPECT_NE(engine::CreateDSBase()->AppendOwnedData(&text), engine::kDBOk);
      EXPECT_EQ(text, c.bytes);
      continue;
    }
    std::string again;
    ASSERT_EQ(base->StreamData(engine::PacketForm::kBinary, &again), engine::kDBOk);
    EXPECT_EQ(again, binary);
    // The same through a packet read into a string (the command-line tool's).
    std::string text = c.bytes;
    auto other = engine::CreateDSBase();
    ASSERT_EQ(other->AppendOwnedData(&text), engine::kDBOk);
    EXPECT_EQ(text.empty(), c.taken);
    std::string from_text;
    ASSERT_EQ(other->StreamData(engine::PacketForm::kBinary, &from_text), engine::kDBOk);
    EXPECT_EQ(from_text, binary);
    std::vector<uint8_t> back;
    EXPECT_EQ(base->ReturnOwnedData(&back) == engine::kDBOk, c.taken);
    if (c.taken) {
      EXPECT_EQ(back, original);
    }
  }
}

TEST(BinaryPacketRoundTrip, KeepsHeaderWordsExtraHeaderBytesAndGap) {
  TableData t = packet_samples::ArticlesWithHistory();
  t.header_word1 = 0xDEADBEEF;
  t.header_word2 = 0;
  t.header_extra = std::string("\x01\x00\x02", 3);
  t.row_gap = "gap";
  const std::string b = Binary(t);
  EXPECT_EQ(At(b, 8, 4), 27u);
  TableData back;
  std::string error, diff;
  ASSERT_EQ(Read(b, &back, &error), engine::kDBOk) << error;
  EXPECT_TRUE(packet_samples::SameTable(t, back, &diff)) << diff;
  EXPECT_EQ(Binary(back), b);
}

TEST(BinaryPacketRoundTrip, EveryFieldType) {
  TableData t;
  const uint16_t v = engine::kTypeVarying;
  t.fields = {{"a", 1, 1, 0, {}}, {"b", 2, 1, 0, {}},     {"c", 8, 1, 0, {}},
              {"d", 1, 2, 0, {}}, {"e", 4, 2, 0, {}},     {"f", 8, 4, 0, {}},
              {"g", 2, 3, 0, {}}, {"h", 4, 6, 0, {}},     {"i", 4, 7, 0, {}},
              {"j", 8, 8, 0, {}}, {"k", 2, 9 | v, 0, {}}, {"l", 1, 11 | v, 0, {}}};
  t.status = {0, 0};
  const uint64_t fixed[] = {
      0xFFFFFFFFFFFFFF80ull, 0x7FFF, 0x8000000000000000ull, 255,      0xFFFFFFFF,
      0x7FF8000000000001ull, 0xFFFF, 0xFFFFFFFF80000000ull, 86399999, 0x3FF0000000000000ull};
  for (int r = 0; r < 2; ++r) {
    for (uint64_t x : fixed) {
      engine::Cell c;
      c.data = r ? 0 : x;
      c.blank = engine::kValue;
      t.cells.push_back(c);
    }
    t.cells.push_back(t.AddBytes(r ? "" : std::string(300, 'x')));
    t.cells.push_back(t.AddBytes(std::string("\0\1\2", 3)));
  }
  const std::string b = Binary(t);
  TableData back;
  std::string error, diff;
  ASSERT_EQ(Read(b, &back, &error), engine::kDBOk) << error;
  EXPECT_TRUE(packet_samples::SameTable(t, back, &diff)) << diff;
}

// The checks a reader of the binary form makes, in reading order, walked from
// the format over a whole packet: each step fails when the packet is cut
// before `end`, with the text `message` gives for a cut at n.
struct ReadStep {
  size_t end;
  std::function<std::string(size_t n)> message;
};

std::vector<ReadStep> ReadSteps(const std::string& b) {
  std::vector<ReadStep> steps;
  auto fixed = [&](size_t end, std::string text) {
    steps.push_back({end, [text](size_t) { return text; }});
  };
  fixed(4, "the signature 96 19 E0 BD is missing");
  steps.push_back({24, [](size_t n) {
                     return "truncated header: 24 bytes needed, " + std::to_string(n) + " present";
                   }});
  const size_t field_count = At(b, 12, 2), row_count = At(b, 14, 4), row_offset = At(b, 22, 2);
  size_t pos = At(b, 8, 4);
  auto num = [](size_t v) { return std::to_string(v); };
  // A parameter of `what` at pos.
  auto param = [&](const std::string& what) {
    const size_t start = pos, name_len = At(b, pos, 1);
    const std::string name = b.substr(pos + 1, name_len);
    const std::string head = "truncated in a parameter of " + what + " (";
    fixed(pos + 1, head + "name length) at offset " + num(pos));
    fixed(pos + 1 + name_len, head + "name) at offset " + num(pos + 1));
    pos += 1 + name_len;
    // The size is read before the type: the offset is that of the one missing.
    const size_t size_at = pos;
    steps.push_back({pos + 4, [=](size_t n) {
                       return head + "size and type) at offset " +
                              num(n < size_at + 2 ? size_at : size_at + 2);
                     }});
    const size_t size = At(b, pos, 2), type = At(b, pos + 2, 2);
    pos += 4;
    const std::string where =
        "parameter '" + name + "' of " + what + " at offset " + num(start) + ": ";
    if (type & engine::kTypeArray) {
      fixed(pos + 4, head + "array count) at offset " + num(pos));
      const size_t count = At(b, pos, 4);
      pos += 4 + count * size;
      fixed(pos, where + "array of " + num(count) + " elements of " + num(size) +
                     " bytes runs past the end of the packet");
    } else if (type & engine::kTypeVarying) {
      pos += size + At(b, pos, size);
      fixed(pos, where + "value runs past the end of the packet");
    } else {
      pos += size;
      fixed(pos, where + "value of " + num(size) + " bytes runs past the end of the packet");
    }
  };
  fixed(pos + field_count * 9, "the header announces " + num(field_count) + " field descriptors");
  struct Shape {
    std::string name;
    size_t size;
    bool varying;
  };
  std::vector<Shape> shapes;
  for (size_t i = 0; i < field_count; ++i) {
    const size_t start = pos, name_len = At(b, pos, 1);
    const std::string name = b.substr(pos + 1, name_len);
    pos += 1 + name_len;
    shapes.push_back({name, At(b, pos, 2), (At(b, pos + 2, 2) & engine::kTypeVarying) != 0});
    const size_t params = At(b, pos + 6, 2);
    pos += 8;
    fixed(pos, "truncated in field descriptor " + num(i + 1) + " at offset " + num(start));
    fixed(pos + params * 5, "field '" + name + "' announces " + num(params) + " parameters");
    for (size_t k = 0; k < params; ++k) param("field '" + name + "'");
  }
  fixed(pos + 2, "truncated at the table parameter count at offset " + num(pos));
  const size_t table_params = At(b, pos, 2);
  pos += 2;
  for (size_t k = 0; k < table_params; ++k) param("the table");
  fixed(row_offset, "the first row's offset " + num(row_offset));
  pos = row_offset;
  const size_t blank_bytes = (field_count * 2 + 7) / 8;
  fixed(pos + row_count * (1 + blank_bytes), "the header announces " + num(row_count) + " rows");
  for (size_t row = 0; row < row_count; ++row) {
    const size_t start = pos;
    fixed(pos + 1 + blank_bytes,
          "truncated in the status of row " + num(row + 1) + " at offset " + num(start));
    const std::string blanks = b.substr(pos + 1, blank_bytes);
    pos += 1 + blank_bytes;
    for (size_t f = 0; f < field_count; ++f) {
      if (((static_cast<uint8_t>(blanks[f / 4]) >> (2 * (f % 4))) & 3) != engine::kValue) continue;
      const std::string where = "row " + num(row + 1) + " (starting at offset " + num(start) +
                                "), field '" + shapes[f].name + "': ";
      const size_t size = shapes[f].size;
      const size_t at = pos;
      steps.push_back({at + size, [=](size_t n) {
                         return where + "truncated at offset " + num(at) + " (" + num(size) +
                                " bytes needed, " + num(n - at) + " left)";
                       }});
      pos += size;
      if (!shapes[f].varying) continue;
      const size_t len = At(b, at, size);
      pos += len;
      steps.push_back({pos, [=](size_t n) {
                         return where + "value of " + num(len) + " bytes at offset " + num(at) +
                                " runs past the end of the packet (" + num(n - at - size) +
                                " bytes left)";
                       }});
    }
  }
  EXPECT_EQ(pos, b.size());
  return steps;
}

// A packet cut at any byte is refused by the first check the cut fails, with
// that check's message: a value cut one byte short is refused as such, not
// later as something else.
TEST(BinaryPacketDamage, TruncatedAnywhereIsRefusedByTheFirstCheck) {
  const std::string b = Binary(packet_samples::OddParameters());
  const std::vector<ReadStep> steps = ReadSteps(b);
  for (size_t n = 0; n < b.size(); ++n) {
    const std::string cut = b.substr(0, n);
    TableData t;
    std::string error;
    const DBResult rc = engine::ReadBinaryPacket(
        std::span(reinterpret_cast<const uint8_t*>(cut.data()), cut.size()), &t, &error);
    ASSERT_EQ(rc, engine::kDBCorruptPacket) << "cut at " << n << ": " << error;
    const auto step =
        std::find_if(steps.begin(), steps.end(), [n](const ReadStep& s) { return n < s.end; });
    ASSERT_NE(step, steps.end()) << n;
    EXPECT_THAT(error, HasSubstr(step->message(n))) << "cut at " << n;
  }
}

TEST(BinaryPacketDamage, FlippedBytesNeverCrash) {
  const std::string b = Binary(packet_samples::ArticlesWithHistory());
  for (size_t i = 4; i < b.size(); ++i) {
    for (uint8_t mask : {0xFF, 0x01, 0x80}) {
      std::string damaged = b;
      damaged[i] = static_cast<char>(damaged[i] ^ mask);
      TableData t;
      std::string error;
      if (Read(damaged, &t, &error) != engine::kDBOk) {
        EXPECT_FALSE(error.empty());
        continue;
      }
      // What was accepted can be written and reads back the same.
      std::string again, error2;
      ASSERT_EQ(engine::WriteBinaryPacket(t, &again, &error2), engine::kDBOk) << error2;
      EXPECT_EQ(again, damaged) << "offset " << i;
    }
  }
}

struct Lie {
  const char* what;
  size_t offset;  // negative offsets count from a marker found below
  uint64_t value;
  size_t size;
  DBResult code;
  const char* text;
};

TEST(BinaryPacketDamage, LyingCountsAndOffsets) {
  const TableData t = packet_samples::ArticlesWithHistory();
  const std::string b = Binary(t);
  const size_t first_row = At(b, 22, 2);
  const Lie lies[] = {
      {"row count", 14, 1000000, 4, engine::kDBCorruptPacket, "announces 1000000 rows"},
      {"row count too small", 14, 1, 4, engine::kDBCorruptPacket, "follow the last row"},
      {"field count", 12, 9, 2, engine::kDBUnknownFieldType, ""},
      {"field count past the end", 12, 0xFFFF, 2, engine::kDBCorruptPacket,
       "announces 65535 field descriptors"},
      {"header length", 8, 23, 4, engine::kDBCorruptPacket, "header length 23"},
      {"header length past end", 8, 0xFFFFFF, 4, engine::kDBCorruptPacket, "header length"},
      {"row offset inside params", 22, 30, 2, engine::kDBCorruptPacket, "first row's offset 30"},
      {"row offset past end", 22, 0xFFFF, 2, engine::kDBCorruptPacket, "first row's offset"},
      {"name length", 24, 200, 1, engine::kDBUnknownFieldType, ""},
      {"status bits", first_row, 0x30, 1, engine::kDBCorruptPacket, "invalid status bits 0x30"},
      {"blank code 3", first_row + 1, 3, 1, engine::kDBCorruptPacket, "invalid blank code 3"},
  };
  for (const Lie& lie : lies) {
    std::string damaged = b;
    Put(&damaged, lie.offset, lie.value, lie.size);
    TableData back;
    std::string error;
    const DBResult rc = Read(damaged, &back, &error);
    EXPECT_NE(rc, engine::kDBOk) << lie.what;
    if (lie.text[0] != 0) {
      EXPECT_EQ(rc, lie.code) << lie.what;
      EXPECT_THAT(error, HasSubstr(lie.text)) << lie.what;
    }
  }
}

TEST(BinaryPacketDamage, VaryingLengthPastTheEndNamesRowAndField) {
  TableData t = packet_samples::Articles(1, 5, 5);
  std::string b = Binary(t);
  const size_t first_row = At(b, 22, 2);
  // Status, 2 blank bytes, Aargang, Nummer, then Titel's 1-byte length.
  Put(&b, first_row + 3 + 8, 250, 1);
  TableData back;
  std::string error;
  EXPECT_EQ(Read(b, &back, &error), engine::kDBCorruptPacket);
  EXPECT_THAT(error, HasSubstr("row 1"));
  EXPECT_THAT(error, HasSubstr("field 'Titel'"));
  EXPECT_THAT(error, HasSubstr("past the end"));
}

// Fields that do not fill the last blank-code byte leave bits that must be
// zero; a set one would not survive the XML form.
TEST(BinaryPacketDamage, UnusedBlankBitsAreRefused) {
  for (size_t fields : {1, 2, 3, 5, 9}) {
    TableData t;
    for (size_t f = 0; f < fields; ++f) {
      t.fields.push_back(engine::FieldDef{"F" + std::to_string(f), 4, engine::kBaseInt, 0x10, {}});
    }
    t.status.push_back(4);
    t.cells.resize(fields);
    for (engine::Cell& c : t.cells) c.blank = engine::kNull;
    std::string b = Binary(t);
    const size_t last_blank_byte = At(b, 22, 2) + (fields * 2 + 7) / 8;
    b[last_blank_byte] = static_cast<char>(b[last_blank_byte] | 0x80);
    TableData back;
    std::string error;
    EXPECT_EQ(Read(b, &back, &error), engine::kDBCorruptPacket) << fields;
    EXPECT_THAT(error, HasSubstr("row 1 at offset " + std::to_string(At(b, 22, 2)) +
                                 ": unused bits set in its last blank-code byte"))
        << fields;
  }
}

TEST(BinaryPacketDamage, UnknownTypeCodeNamesFieldAndType) {
  TableData t = packet_samples::Articles(1);
  std::string b = Binary(t);
  Put(&b, 34, 0x0005, 2);  // Aargang's type code
  TableData back;
  std::string error;
  EXPECT_EQ(Read(b, &back, &error), engine::kDBUnknownFieldType);
  EXPECT_THAT(error, HasSubstr("field 'Aargang'"));
  EXPECT_THAT(error, HasSubstr("0x0005"));
}

TEST(BinaryPacketDamage, StringLongerThanWidth) {
  TableData t = packet_samples::Articles(2);
  t.fields[4].params[0] = packet_samples::WidthParam(3);  // Kategori WIDTH 3
  TableData back;
  std::string error;
  EXPECT_EQ(Read(Binary(t), &back, &error), engine::kDBValueDoesNotFit);
  EXPECT_THAT(error, HasSubstr("field 'Kategori'"));
  EXPECT_THAT(error, HasSubstr("WIDTH 3"));
}

TEST(BinaryPacketDamage, BytesAfterTheLastRow) {
  std::string b = Binary(packet_samples::Articles(2));
  b += "xx";
  TableData back;
  std::string error;
  EXPECT_EQ(Read(b, &back, &error), engine::kDBCorruptPacket);
  EXPECT_THAT(error, HasSubstr("2 bytes follow the last row"));
}

struct LogCase {
  std::vector<uint32_t> log;
  const char* text;
};

TEST(BinaryPacketChangeLog, BadLogsAreRefused) {
  const LogCase cases[] = {
      {{1, 0}, "not a multiple of three"},      {{0, 0, 4}, "record 0 does not exist"},
      {{6, 0, 4}, "record 6 does not exist"},   {{1, 6, 8}, "replaced record 6 does not exist"},
      {{2, 3, 8}, "only replace an older one"}, {{2, 2, 8}, "only replace an older one"},
      {{1, 0, 5}, "unknown kind of change 5"},  {{3, 1, 8, 3, 2, 8}, "already replaces record 1"},
  };
  for (const LogCase& c : cases) {
    TableData t = packet_samples::Articles(5, 5, 5);
    t.change_log = c.log;
    t.change_log_param_pos = 0;
    TableData back;
    std::string error;
    EXPECT_EQ(Read(Binary(t), &back, &error), engine::kDBBadChangeLog) << c.text;
    EXPECT_THAT(error, HasSubstr(c.text));
  }
}

TEST(BinaryPacketChangeLog, UnchangedOnlyInARowThatReplacesAnother) {
  TableData t = packet_samples::ArticlesWithHistory();
  t.cell(0, 3).blank = engine::kUnchanged;
  TableData back;
  std::string error;
  EXPECT_EQ(Read(Binary(t), &back, &error), engine::kDBCorruptPacket);
  EXPECT_THAT(error, HasSubstr("row 1, field 'Tekst': marked unchanged"));
}

TEST(BinaryPacketChangeLog, WrongParameterTypeIsRefused) {
  std::string b = Binary(packet_samples::ArticlesWithHistory());
  const size_t at = b.find("CHANGE_LOG");
  ASSERT_NE(at, std::string::npos);
  Put(&b, at + 10, 2, 2);  // element size 2
  TableData back;
  std::string error;
  EXPECT_EQ(Read(b, &back, &error), engine::kDBBadChangeLog);
  EXPECT_THAT(error, HasSubstr("not an array of 4-byte unsigned integers"));
}

TEST(BinaryPacketWrite, RefusesRowsBeyondTheSixteenBitOffset) {
  TableData t = packet_samples::Articles(3, 5, 5);
  t.change_log.assign(3 * 6000, 1);
  std::string out, error;
  EXPECT_EQ(engine::WriteBinaryPacket(t, &out, &error), engine::kDBCannotWritePacket);
  EXPECT_THAT(error, HasSubstr("16-bit offset"));
  EXPECT_TRUE(out.empty());
}

TEST(BinaryPacketWrite, RefusesAValueTooLongForItsPrefix) {
  TableData t = packet_samples::Articles(1, 5, 5);
  t.cell(0, 2) = t.AddBytes(std::string(256, 'a'));
  std::string out, error;
  EXPECT_EQ(engine::WriteBinaryPacket(t, &out, &error), engine::kDBCannotWritePacket);
  EXPECT_THAT(error, HasSubstr("row 1, field 'Titel'"));
}

}  // namespace
