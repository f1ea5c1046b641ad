// The change history the engine writes (row statuses, blank codes, change
// log), its trip through both packet forms, and the refusal of hostile change
// logs and cells at load.
#include "engine/packet_codec.h"
#include "engine_fixture.h"

namespace engine_test {
namespace {

using engine::kDBOk;

const TableData& DataOf(engine::IDSBase* base) {
  return static_cast<engine::DataObject*>(base)->data();
}
const std::vector<uint32_t>& ReplacesOf(engine::IDSBase* base) {
  return static_cast<engine::DataObject*>(base)->replaces();
}

std::vector<uint8_t> Blanks(const TableData& t, size_t row) {
  std::vector<uint8_t> out;
  for (size_t f = 0; f < t.field_count(); ++f) out.push_back(t.cell(row, f).blank);
  return out;
}

// Three base rows, the second and third with memo text.
TableData BaseTable() {
  TableData t = ArticleTable();
  AddRow(&t, 0,
         Article(Int(2001), Int(1), Str("Forside"), Str("Tekst 1\r\nlinje 2"), Str("Leder")));
  AddRow(&t, 0, Article(Int(2001), Int(2), Str("Spil"), Null(), Str("Anmeldelse")));
  AddRow(&t, 0, Article(Int(2002), Int(3), Str("\xC6\xD8\xC5"), Str("\xE6\xF8\xE5"), Null()));
  return t;
}

// Moves a cursor (packet order) onto the record whose Nummer is `nummer`.
void MoveToNummer(engine::IDSCursor* c, int64_t nummer) {
  RecordBuffer buf;
  ASSERT_EQ(c->MoveToBOF(), kDBOk);
  while (c->GetNextRecord(&buf) == kDBOk) {
    if (buf.values[kNummer - 1].kind == FieldValue::Kind::kInt &&
        buf.values[kNummer - 1].i == nummer)
      return;
  }
  FAIL() << "no record with Nummer " << nummer;
}

void Modify(engine::IDSCursor* c, int64_t nummer, uint16_t field, FieldValue v) {
  MoveToNummer(c, nummer);
  RecordBuffer buf;
  ASSERT_EQ(c->GetCurrentRecord(&buf), kDBOk);
  buf.values[field - 1] = std::move(v);
  ASSERT_EQ(c->ModifyRecord(buf), kDBOk);
}

// Runs the edits whose encoding EncodesEveryKindOfChange checks.
void MakeHistory(Opened* db) {
  RecordBuffer buf;
  ASSERT_EQ(db->cursor->InitRecord(&buf), kDBOk);
  buf.values[kNummer - 1] = Int(4);
  buf.values[kTitel - 1] = Str("Ny");
  buf.values[kTekst - 1] = Str("ny tekst");
  ASSERT_EQ(db->cursor->InsertRecord(buf), kDBOk);               // row 4
  Modify(db->cursor.get(), 1, kTitel, Str("Forside!"));          // row 5 replaces 1
  Modify(db->cursor.get(), 4, kAargang, Int(2003));              // row 6 replaces 4
  Modify(db->cursor.get(), 4, kTekst, Str("ny tekst, rettet"));  // row 7 replaces 6
  MoveToNummer(db->cursor.get(), 4);
  ASSERT_EQ(db->cursor->DeleteRecord(), kDBOk);  // row 7 deleted
  MoveToNummer(db->cursor.get(), 2);
  ASSERT_EQ(db->cursor->DeleteRecord(), kDBOk);  // row 2 deleted
  Modify(db->cursor.get(), 1, kTekst, Null());   // row 8 replaces 5
}

TEST(EngineHistory, EncodesEveryKindOfChange) {
  Opened db;
  ASSERT_EQ(db.Load(BaseTable()), kDBOk);
  bool changed = true;
  ASSERT_EQ(db.base->HasChanges(&changed), kDBOk);
  EXPECT_FALSE(changed);
  MakeHistory(&db);
  ASSERT_FALSE(HasFatalFailure());

  const TableData& t = DataOf(db.base.get());
  EXPECT_EQ(t.status, (std::vector<uint8_t>{1, 2, 0, 5, 9, 13, 14, 8}));
  EXPECT_EQ(t.change_log,
            (std::vector<uint32_t>{4, 0, 4, 5, 1, 8, 6, 4, 8, 7, 6, 8, 7, 0, 2, 2, 0, 2, 8, 5, 8}));
  // Inserted: values and nulls only. Modified: memos left as they were are
  // "unchanged" (code 2), everything else is written in full.
  EXPECT_EQ(Blanks(t, 3), (std::vector<uint8_t>{1, 0, 0, 0, 1, 1, 1, 1}));
  EXPECT_EQ(Blanks(t, 4), (std::vector<uint8_t>{0, 0, 0, 2, 0, 0, 0, 2}));
  EXPECT_EQ(Blanks(t, 5), (std::vector<uint8_t>{0, 0, 0, 2, 1, 1, 1, 2}));
  EXPECT_EQ(Blanks(t, 6), (std::vector<uint8_t>{0, 0, 0, 0, 1, 1, 1, 2}));
  EXPECT_EQ(Blanks(t, 7), (std::vector<uint8_t>{0, 0, 0, 1, 0, 0, 0, 2}));
  EXPECT_EQ(ReplacesOf(db.base.get()), (std::vector<uint32_t>{0, 0, 0, 0, 1, 4, 6, 5}));
  // Unchanged memos resolve through the chain to the oldest version.
  const engine::Cell& memo = engine::ResolvedCell(t, ReplacesOf(db.base.get()), 5, kTekst - 1);
  EXPECT_EQ(t.bytes(memo), "ny tekst");

  auto view = ReadView(db.cursor.get());
  ASSERT_EQ(view.size(), 2u);
  EXPECT_EQ(view[0][kNummer - 1].i, 3);
  EXPECT_EQ(view[1][kNummer - 1].i, 1);
  EXPECT_EQ(view[1][kTitel - 1].bytes, "Forside!");
  EXPECT_EQ(view[1][kTekst - 1].kind, FieldValue::Kind::kNull);
  EXPECT_EQ(view[1][kKategori - 1].bytes, "Leder");
  ASSERT_EQ(db.base->HasChanges(&changed), kDBOk);
  EXPECT_TRUE(changed);
  // The log as a parameter: a 4-byte count, then the numbers.
  engine::ParamValue log;
  ASSERT_EQ(db.base->GetParam("change_log", &log), kDBOk);
  ASSERT_EQ(log.raw.size(), 4u * (1 + t.change_log.size()));
  EXPECT_EQ(uint8_t(log.raw[0]), t.change_log.size());
  EXPECT_EQ(uint8_t(log.raw[4]), 4);
  EXPECT_EQ(uint8_t(log.raw[4 * 21]), 8);
}

// A packet built by the engine from nothing holds only the statuses 4, 5, 6,
// 12, 13 and 14.
TEST(EngineHistory, EditsFromEmptyGiveInsertedStatusesOnly) {
  Opened db;
  ASSERT_EQ(db.Load(ArticleTable()), kDBOk);
  RecordBuffer buf;
  for (int i = 1; i <= 6; ++i) {
    ASSERT_EQ(db.cursor->InitRecord(&buf), kDBOk);
    buf.values[kNummer - 1] = Int(i);
    ASSERT_EQ(db.cursor->InsertRecord(buf), kDBOk);
  }
  for (int i = 1; i <= 6; ++i) {
    if (i % 2 == 0) Modify(db.cursor.get(), i, kTitel, Str("x"));
    if (i % 3 == 0) Modify(db.cursor.get(), i, kTitel, Str("y"));
    if (i >= 5) {
      MoveToNummer(db.cursor.get(), i);
      ASSERT_EQ(db.cursor->DeleteRecord(), kDBOk);
    }
  }
  for (uint8_t s : DataOf(db.base.get()).status) {
    EXPECT_TRUE(s == 4 || s == 5 || s == 6 || s == 12 || s == 13 || s == 14) << int(s);
  }
}

class EngineRoundTrip : public ::testing::TestWithParam<engine::PacketForm> {};

TEST_P(EngineRoundTrip, StreamThenLoadKeepsRecordsAndHistory) {
  Opened db;
  ASSERT_EQ(db.Load(BaseTable()), kDBOk);
  MakeHistory(&db);
  ASSERT_FALSE(HasFatalFailure());
  std::string packet;
  ASSERT_EQ(db.base->StreamData(GetParam(), &packet), kDBOk)
      << db.Error(engine::kDBCannotWritePacket);

  Opened again;
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(packet.data()), packet.size());
  ASSERT_EQ(again.base->AppendData(bytes), kDBOk)
      << again.Error(engine::kDBCorruptPacket) << again.Error(engine::kDBBadChangeLog);
  ASSERT_EQ(again.cursor->InitCursor(again.base.get()), kDBOk);
  bool changed = true;
  ASSERT_EQ(again.base->HasChanges(&changed), kDBOk);
  EXPECT_FALSE(changed);

  const TableData& a = DataOf(db.base.get());
  const TableData& b = DataOf(again.base.get());
  EXPECT_EQ(a.status, b.status);
  EXPECT_EQ(a.change_log, b.change_log);
  ASSERT_EQ(a.row_count(), b.row_count());
  for (size_t r = 0; r < a.row_count(); ++r) EXPECT_EQ(Blanks(a, r), Blanks(b, r)) << r;
  auto va = ReadView(db.cursor.get()), vb = ReadView(again.cursor.get());
  ASSERT_EQ(va.size(), vb.size());
  for (size_t i = 0; i < va.size(); ++i) EXPECT_TRUE(SameRecord(va[i], vb[i])) << i;

  // Editing the reloaded data continues the same history.
  Modify(again.cursor.get(), 3, kTekst, Str("ny"));
  ASSERT_EQ(again.base->HasChanges(&changed), kDBOk);
  EXPECT_TRUE(changed);
  const TableData& c = DataOf(again.base.get());
  EXPECT_EQ(c.change_log.size(), a.change_log.size() + 3);
  EXPECT_EQ(c.status[2], 1);
}

INSTANTIATE_TEST_SUITE_P(Forms, EngineRoundTrip,
                         ::testing::Values(engine::PacketForm::kBinary, engine::PacketForm::kXml),
                         [](const auto& info) {
                           return info.param == engine::PacketForm::kBinary ? "Binary" : "Xml";
                         });

TEST(EngineHistory, FieldsAndParameters) {
  TableData t = BaseTable();
  engine::Param p;
  p.name = "DISABLE_INSERTS";
  p.size = 1;
  p.type = 0x0003;
  p.raw = std::string("\x01", 1);
  t.params.push_back(p);
  t.change_log_param_pos = 1;
  Opened db;
  ASSERT_EQ(db.Load(std::move(t)), kDBOk);
  std::vector<engine::FieldDesc> descs;
  ASSERT_EQ(db.base->GetFieldDescs(&descs), kDBOk);
  ASSERT_EQ(descs.size(), 8u);
  EXPECT_EQ(descs[2].name, "Titel");
  EXPECT_EQ(descs[2].number, 3);
  EXPECT_EQ(descs[2].width, 80u);
  EXPECT_FALSE(descs[2].memo);
  EXPECT_EQ(descs[4].width, 20u);
  EXPECT_TRUE(descs[3].memo);
  EXPECT_TRUE(descs[7].memo);
  EXPECT_EQ(descs[0].type, 0x0001);
  EXPECT_EQ(descs[0].attrs, 0x0010);
  engine::ParamValue v;
  ASSERT_EQ(db.base->GetParam("disable_inserts", &v), kDBOk);
  EXPECT_EQ(v.raw, std::string("\x01", 1));
  EXPECT_EQ(db.base->GetParam("DISABLE_DELETES", &v), engine::kDBNoSuchParam);
  EXPECT_NE(db.Error(engine::kDBNoSuchParam).find("DISABLE_DELETES"), std::string::npos);
  ASSERT_EQ(db.base->GetParam("CHANGE_LOG", &v), kDBOk);
  EXPECT_EQ(v.raw, std::string(4, '\0'));  // an empty array
}

TEST(EngineHistory, NothingWorksBeforeLoading) {
  auto base = engine::CreateDSBase();
  bool changed;
  std::string packet;
  std::vector<engine::FieldDesc> descs;
  EXPECT_EQ(base->HasChanges(&changed), engine::kDBNoData);
  EXPECT_EQ(base->StreamData(engine::PacketForm::kBinary, &packet), engine::kDBNoData);
  EXPECT_EQ(base->GetFieldDescs(&descs), engine::kDBNoData);
  EXPECT_EQ(base->CreateIndex(MakeIndex("X", {{1}})), engine::kDBNoData);
  std::string text;
  EXPECT_EQ(base->GetErrorString(engine::kDBNoData, &text), kDBOk);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(base->GetErrorString(engine::kDBEof, &text), kDBOk);
  EXPECT_EQ(text, engine::DefaultErrorText(engine::kDBEof));
}

// A table of four base rows, of which the test makes a hostile variant.
struct HostileCase {
  const char* what;
  std::vector<uint8_t> status;  // replaces the statuses when not empty
  std::vector<uint32_t> log;
  engine::DBResult want;
  const char* text;  // expected in the error text
  void (*tweak)(TableData*) = nullptr;
};

TableData FourRows() {
  TableData t = ArticleTable();
  for (int i = 1; i <= 4; ++i) AddRow(&t, 0, Article(Int(2000), Int(i), Str("t"), Str("m")));
  return t;
}

TEST(EngineHistory, RefusesHostileChangeLogs) {
  using engine::kDBBadChangeLog;
  using engine::kDBCorruptPacket;
  const HostileCase cases[] = {
      {"not triples", {}, {1, 0, 4, 2}, kDBBadChangeLog, "multiple of three"},
      {"record 0", {4, 0, 0, 0}, {0, 0, 4}, kDBBadChangeLog, "change 1 (0 0 4)"},
      {"record past end", {}, {5, 0, 4}, kDBBadChangeLog, "not a row"},
      {"unknown kind", {}, {1, 0, 3}, kDBBadChangeLog, "kind 3"},
      {"insert replacing", {4, 0, 0, 0}, {1, 2, 4}, kDBBadChangeLog, "insert"},
      {"insert unmarked", {}, {1, 0, 4}, kDBBadChangeLog, "not marked inserted"},
      {"inserted twice", {4, 0, 0, 0}, {1, 0, 4, 1, 0, 4}, kDBBadChangeLog, "inserted twice"},
      {"modify itself", {0, 9, 0, 0}, {2, 2, 8}, kDBBadChangeLog, "older row"},
      {"modify newer", {8, 1, 0, 0}, {1, 2, 8}, kDBBadChangeLog, "older row"},
      {"modify loop", {9, 9, 0, 0}, {1, 2, 8, 2, 1, 8}, kDBBadChangeLog, "older row"},
      {"modify past end", {0, 8, 0, 0}, {2, 7, 8}, kDBBadChangeLog, "replaced record 7"},
      {"modify unmarked", {1, 0, 0, 0}, {2, 1, 8}, kDBBadChangeLog, "not marked modified"},
      {"replaced twice", {1, 8, 8, 0}, {2, 1, 8, 3, 1, 8}, kDBBadChangeLog, "replaced twice"},
      {"replaces two", {1, 1, 8, 0}, {3, 1, 8, 3, 2, 8}, kDBBadChangeLog, "replaces two"},
      {"old not marked", {0, 8, 0, 0}, {2, 1, 8}, kDBBadChangeLog, "not marked replaced"},
      {"deleted replaced", {3, 8, 0, 0}, {2, 1, 8}, kDBBadChangeLog, "deleted"},
      {"replaced orphan", {1, 0, 0, 0}, {}, kDBBadChangeLog, "no change replaces it"},
      {"delete replacing", {2, 0, 0, 0}, {1, 3, 2}, kDBBadChangeLog, "delete"},
      {"delete unmarked", {}, {1, 0, 2}, kDBBadChangeLog, "not marked deleted"},
      {"deleted twice", {2, 0, 0, 0}, {1, 0, 2, 1, 0, 2}, kDBBadChangeLog, "deleted twice"},
      {"delete old version", {3, 8, 0, 0}, {1, 0, 2, 2, 1, 8}, kDBBadChangeLog, "older version"},
      {"unchanged without base",
       {},
       {},
       kDBBadChangeLog,
       "marked unchanged",
       [](TableData* t) { t->cell(2, kTekst - 1).blank = engine::kUnchanged; }},
      {"blank code 3",
       {},
       {},
       kDBCorruptPacket,
       "blank code 3",
       [](TableData* t) { t->cell(0, kTitel - 1).blank = 3; }},
      {"value past heap",
       {},
       {},
       kDBCorruptPacket,
       "outside",
       [](TableData* t) { t->cell(1, kTitel - 1).len = 1u << 30; }},
      {"offset past heap",
       {},
       {},
       kDBCorruptPacket,
       "outside",
       [](TableData* t) { t->cell(1, kTekst - 1).data = ~uint64_t{0}; }},
      {"cells short", {}, {}, kDBCorruptPacket, "cells", [](TableData* t) { t->cells.pop_back(); }},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.what);
    Opened db;
    ASSERT_EQ(db.Load(BaseTable()), kDBOk);
    TableData t = FourRows();
    if (!c.status.empty()) t.status = c.status;
    t.change_log = c.log;
    if (c.tweak) c.tweak(&t);
    EXPECT_EQ(engine::LoadTableData(db.base.get(), std::move(t)), c.want);
    std::string text = db.Error(c.want);
    EXPECT_NE(text.find(c.text), std::string::npos) << text;
    // The data held before stays, and the cursor still reads it.
    EXPECT_EQ(ReadView(db.cursor.get()).size(), 3u);
  }
}

TEST(EngineHistory, AcceptsAConsistentLoadedHistory) {
  // Row 1 modified by row 3 (memo unchanged), row 2 deleted, row 4 inserted.
  TableData t = FourRows();
  t.status = {1, 2, 8, 4};
  t.cell(2, kTekst - 1) = engine::Cell{};
  t.cell(2, kTekst - 1).blank = engine::kUnchanged;
  t.change_log = {3, 1, 8, 2, 0, 2, 4, 0, 4};
  Opened db;
  ASSERT_EQ(db.Load(std::move(t)), kDBOk);
  auto view = ReadView(db.cursor.get());
  ASSERT_EQ(view.size(), 2u);
  EXPECT_EQ(view[0][kNummer - 1].i, 3);
  EXPECT_EQ(view[0][kTekst - 1].bytes, "m");
  bool changed = true;
  ASSERT_EQ(db.base->HasChanges(&changed), kDBOk);
  EXPECT_FALSE(changed);
  // The record of row 3 is named by its first version, row 1.
  ASSERT_EQ(db.cursor->MoveToSeqNo(1), kDBOk);
  engine::Bookmark bm = 0;
  ASSERT_EQ(db.cursor->GetCurrentBookmark(&bm), kDBOk);
  EXPECT_EQ(bm, 1u);
  EXPECT_EQ(db.cursor->MoveToBookmark(2), engine::kDBNoCurrentRecord);  // deleted
  EXPECT_EQ(db.cursor->MoveToBookmark(3), engine::kDBNoCurrentRecord);  // not a first version
  EXPECT_EQ(db.cursor->MoveToBookmark(0), engine::kDBNoCurrentRecord);
  EXPECT_EQ(db.cursor->MoveToBookmark(99), engine::kDBNoCurrentRecord);
}

TEST(EngineHistory, RefusedPacketBytesKeepTheData) {
  Opened db;
  ASSERT_EQ(db.Load(BaseTable()), kDBOk);
  const uint8_t junk[] = {0x96, 0x19, 0xE0, 0xBD, 1, 0, 0};
  EXPECT_NE(db.base->AppendData(junk), kDBOk);
  const std::string xml = "<DATAPACKET Version=\"2.0\"><METADATA>";
  EXPECT_NE(db.base->AppendData(
                std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(xml.data()), xml.size())),
            kDBOk);
  EXPECT_EQ(ReadView(db.cursor.get()).size(), 3u);
}

}  // namespace
}  // namespace engine_test
