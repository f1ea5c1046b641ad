// Edits through several cursors against a reference model: random insert,
// modify and delete sequences (fixed seed) checked for current records,
// every cursor's order and count, positions after each change, bookmarks;
// plus unique keys and the checks of record buffers.
#include <map>
#include <optional>
#include <random>

#include "engine_fixture.h"

namespace engine_test {
namespace {

using engine::Bookmark;
using engine::kDBOk;

struct RefRecord {
  std::vector<FieldValue> values;
  uint32_t row = 0;  // the row of the current version: ties sort by it
};

struct ViewShape {
  std::string order;  // "" for packet order
  std::vector<RefKey> keys;
  bool even_nummer = false;  // the cursor carries EvenFilter on Nummer
};

bool PassesView(const ViewShape& view, const std::vector<FieldValue>& v) {
  if (!view.even_nummer) return true;
  const FieldValue& n = v[kNummer - 1];
  return n.kind == FieldValue::Kind::kInt && n.i % 2 == 0;
}

// The bookmarks of the expected view, in view order.
std::vector<Bookmark> ExpectedView(const std::map<Bookmark, RefRecord>& model,
                                   const ViewShape& view) {
  std::vector<std::pair<Bookmark, const RefRecord*>> recs;
  for (const auto& [bm, rec] : model) {
    if (PassesView(view, rec.values)) recs.push_back({bm, &rec});
  }
  std::sort(recs.begin(), recs.end(),
            [](const auto& a, const auto& b) { return a.second->row < b.second->row; });
  std::stable_sort(recs.begin(), recs.end(), [&](const auto& a, const auto& b) {
    return RefCompare(a.second->values, b.second->values, view.keys) < 0;
  });
  std::vector<Bookmark> out;
  for (const auto& r : recs) out.push_back(r.first);
  return out;
}

std::string RandomText(std::mt19937& rng) {
  static const char* kPieces[] = {"a", "B", "\xE6", "\xC6", "\xF8", "\xD8", "\xE5", "\xC5", "c"};
  std::uniform_int_distribution<int> len(0, 3), piece(0, std::size(kPieces) - 1);
  std::string s;
  for (int i = len(rng); i > 0; --i) s += kPieces[piece(rng)];
  return s;
}

std::vector<FieldValue> RandomArticle(std::mt19937& rng) {
  std::uniform_int_distribution<int> year(1998, 2002), num(0, 9), coin(0, 7);
  return Article(coin(rng) == 0 ? Null() : Int(year(rng)), coin(rng) == 0 ? Null() : Int(num(rng)),
                 coin(rng) == 0 ? Null() : Str(RandomText(rng)),
                 coin(rng) < 2 ? Null() : Str(RandomText(rng) + "\r\n" + RandomText(rng)),
                 coin(rng) == 0 ? Null() : Str(RandomText(rng)));
}

std::optional<Bookmark> CurrentBookmark(engine::IDSCursor* c) {
  Bookmark bm = 0;
  if (c->GetCurrentBookmark(&bm) != kDBOk) return std::nullopt;
  return bm;
}

// Where a cursor that stood on `gone` stands once `gone` left its view: the
// record after it in the old view, else the one before, else nowhere.
std::optional<Bookmark> Follower(const std::vector<Bookmark>& old_view, Bookmark gone) {
  auto it = std::find(old_view.begin(), old_view.end(), gone);
  if (it == old_view.end()) return std::nullopt;
  if (it + 1 != old_view.end()) return *(it + 1);
  if (it != old_view.begin()) return *(it - 1);
  return std::nullopt;
}

class EngineEditSequence : public ::testing::TestWithParam<uint32_t> {};

TEST_P(EngineEditSequence, CursorsFollowAReferenceModel) {
  std::mt19937 rng(GetParam());
  TableData t = ArticleTable();
  std::map<Bookmark, RefRecord> model;
  uint32_t rows = 0;
  for (int i = 0; i < 40; ++i) {
    auto v = RandomArticle(rng);
    AddRow(&t, 0, v);
    model[rows + 1] = RefRecord{v, rows};
    ++rows;
  }
  auto base = engine::CreateDSBase();
  ASSERT_EQ(engine::LoadTableData(base.get(), std::move(t)), kDBOk);

  std::vector<ViewShape> views = {
      {"", {}, false},
      {"TitelYear", {{kTitel, false, true}, {kAargang, true}}, true},
      {"AargangX", {{kAargang}}, false},
  };
  ASSERT_EQ(base->CreateIndex(MakeIndex("TitelYear", views[1].keys)), kDBOk);
  ASSERT_EQ(base->CreateIndex(MakeIndex("AargangX", views[2].keys)), kDBOk);
  ASSERT_EQ(base->CreateIndex(MakeIndex("KategoriX", {{kKategori}})), kDBOk);
  std::vector<std::unique_ptr<engine::IDSCursor>> cursors;
  for (const ViewShape& view : views) {
    cursors.push_back(engine::CreateDSCursor());
    ASSERT_EQ(cursors.back()->InitCursor(base.get()), kDBOk);
    if (!view.order.empty()) {
      ASSERT_EQ(cursors.back()->UseIndexOrder(view.order), kDBOk);
    }
    if (view.even_nummer) {
      engine::FilterHandle h;
      auto* cur = static_cast<engine::Cursor*>(cursors.back().get());
      ASSERT_EQ(cur->AddFilterProgram(std::make_unique<EvenFilter>(kNummer), &h), kDBOk);
    }
  }

  std::uniform_int_distribution<int> pick_cursor(0, 2), pick_op(0, 99);
  for (int step = 0; step < 400; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    // Put every cursor somewhere: on a random record, or at either end.
    for (auto& c : cursors) {
      uint32_t count = 0;
      ASSERT_EQ(c->GetRecordCount(&count), kDBOk);
      std::uniform_int_distribution<uint32_t> seq(0, count + 1);
      c->MoveToSeqNo(seq(rng));
    }
    const int who = pick_cursor(rng);
    engine::IDSCursor* origin = cursors[who].get();
    std::vector<std::optional<Bookmark>> on(3);
    std::vector<std::vector<Bookmark>> old_views(3);
    for (int i = 0; i < 3; ++i) {
      on[i] = CurrentBookmark(cursors[i].get());
      old_views[i] = ExpectedView(model, views[i]);
    }

    const int op = pick_op(rng);
    std::optional<Bookmark> changed;  // record inserted or modified
    std::optional<Bookmark> removed;  // record deleted
    if (op < 40 || !on[who]) {
      auto v = RandomArticle(rng);
      RecordBuffer buf;
      ASSERT_EQ(origin->InitRecord(&buf), kDBOk);
      for (uint16_t f = 1; f <= 8; ++f) ASSERT_EQ(origin->PutField(&buf, f, v[f - 1]), kDBOk);
      ASSERT_EQ(origin->InsertRecord(buf), kDBOk);
      changed = rows + 1;
      model[rows + 1] = RefRecord{v, rows};
      ++rows;
    } else if (op < 75) {
      RecordBuffer buf;
      ASSERT_EQ(origin->GetCurrentRecord(&buf), kDBOk);
      ASSERT_TRUE(SameRecord(buf.values, model[*on[who]].values));
      auto v = RandomArticle(rng);
      if (op % 2 == 0) v[kTekst - 1] = buf.values[kTekst - 1];  // memo left as it was
      for (uint16_t f = 1; f <= 8; ++f) ASSERT_EQ(origin->PutField(&buf, f, v[f - 1]), kDBOk);
      ASSERT_EQ(origin->ModifyRecord(buf), kDBOk);
      changed = *on[who];
      model[*on[who]] = RefRecord{v, rows};
      ++rows;
    } else {
      ASSERT_EQ(origin->DeleteRecord(), kDBOk);
      removed = *on[who];
      model.erase(*on[who]);
    }

    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE("cursor " + std::to_string(i));
      engine::IDSCursor* c = cursors[i].get();
      std::vector<Bookmark> view = ExpectedView(model, views[i]);
      std::optional<Bookmark> now = CurrentBookmark(c);
      bool in_view = changed && std::count(view.begin(), view.end(), *changed);
      if (i == who && changed) {
        if (in_view) {
          EXPECT_EQ(now, changed);
        } else {
          EXPECT_TRUE(now.has_value() || view.empty());
        }
      } else if (on[i]) {
        bool still = std::count(view.begin(), view.end(), *on[i]) != 0;
        EXPECT_EQ(now, still ? on[i] : Follower(old_views[i], *on[i]));
      } else {
        EXPECT_FALSE(now.has_value());
      }
      uint32_t count = 0, seq = 0;
      ASSERT_EQ(c->GetRecordCount(&count), kDBOk);
      ASSERT_EQ(count, view.size());
      if (now) {
        ASSERT_EQ(c->GetSequenceNumber(&seq), kDBOk);
        ASSERT_LT(seq - 1, view.size());
        EXPECT_EQ(view[seq - 1], *now);
      }
      // The whole view, record by record.
      auto got = ReadView(c);
      ASSERT_EQ(got.size(), view.size());
      for (size_t k = 0; k < view.size(); ++k) {
        ASSERT_TRUE(SameRecord(got[k], model[view[k]].values)) << "position " << k + 1;
      }
      // Bookmarks reach records wherever they now stand.
      if (!view.empty()) {
        std::uniform_int_distribution<size_t> any(0, view.size() - 1);
        size_t k = any(rng);
        ASSERT_EQ(c->MoveToBookmark(view[k]), kDBOk);
        ASSERT_EQ(c->GetSequenceNumber(&seq), kDBOk);
        EXPECT_EQ(seq, k + 1);
      }
      if (removed) {
        EXPECT_EQ(c->MoveToBookmark(*removed), engine::kDBNoCurrentRecord);
      }
    }
    // Switching orders keeps the record.
    if (step % 25 == 0) {
      engine::IDSCursor* c = cursors[2].get();
      if (c->MoveToSeqNo(1) == kDBOk) {
        auto bm = CurrentBookmark(c);
        ASSERT_EQ(c->UseIndexOrder(step % 50 == 0 ? "KategoriX" : "AargangX"), kDBOk);
        EXPECT_EQ(CurrentBookmark(c), bm);
        ASSERT_EQ(c->UseIndexOrder("AargangX"), kDBOk);
        EXPECT_EQ(CurrentBookmark(c), bm);
      }
    }
  }
  bool changed = false;
  ASSERT_EQ(base->HasChanges(&changed), kDBOk);
  EXPECT_TRUE(changed);
}

INSTANTIATE_TEST_SUITE_P(Seeds, EngineEditSequence, ::testing::Values(1u, 77u, 2026u));

TEST(EngineEdit, UniqueOrderRefusesDuplicateKeys) {
  TableData t = ArticleTable();
  AddRow(&t, 0, Article(Int(2001), Int(1), Str("a")));
  AddRow(&t, 0, Article(Int(2002), Int(1), Str("b")));
  Opened db;
  ASSERT_EQ(db.Load(std::move(t)), kDBOk);
  ASSERT_EQ(db.base->CreateIndex(MakeIndex("U", {{kTitel, false, true}}, true)), kDBOk);
  RecordBuffer buf;
  ASSERT_EQ(db.cursor->InitRecord(&buf), kDBOk);
  buf.values[kTitel - 1] = Str("A");
  EXPECT_EQ(db.cursor->InsertRecord(buf), engine::kDBKeyViolation);
  EXPECT_NE(db.Error(engine::kDBKeyViolation).find("'U'"), std::string::npos);
  bool changed = true;
  ASSERT_EQ(db.base->HasChanges(&changed), kDBOk);
  EXPECT_FALSE(changed);
  EXPECT_EQ(ReadView(db.cursor.get()).size(), 2u);

  // A record may keep its own key; it may not take another's.
  ASSERT_EQ(db.cursor->MoveToSeqNo(1), kDBOk);
  ASSERT_EQ(db.cursor->GetCurrentRecord(&buf), kDBOk);
  buf.values[kNummer - 1] = Int(5);
  EXPECT_EQ(db.cursor->ModifyRecord(buf), kDBOk);
  buf.values[kTitel - 1] = Str("B");
  EXPECT_EQ(db.cursor->ModifyRecord(buf), engine::kDBKeyViolation);
  auto view = ReadView(db.cursor.get());
  ASSERT_EQ(view.size(), 2u);
  EXPECT_EQ(view[0][kTitel - 1].bytes, "b");
  EXPECT_EQ(view[1][kTitel - 1].bytes, "a");
  EXPECT_EQ(view[1][kNummer - 1].i, 5);
}

TEST(EngineEdit, DeleteMovesToFollowingOrPreceding) {
  TableData t = ArticleTable();
  for (int i = 1; i <= 3; ++i) AddRow(&t, 0, Article(Int(i), Null(), Null()));
  Opened db;
  ASSERT_EQ(db.Load(std::move(t)), kDBOk);
  RecordBuffer buf;
  ASSERT_EQ(db.cursor->MoveToSeqNo(2), kDBOk);
  ASSERT_EQ(db.cursor->DeleteRecord(), kDBOk);
  ASSERT_EQ(db.cursor->GetCurrentRecord(&buf), kDBOk);
  EXPECT_EQ(buf.values[0].i, 3);
  ASSERT_EQ(db.cursor->DeleteRecord(), kDBOk);
  ASSERT_EQ(db.cursor->GetCurrentRecord(&buf), kDBOk);
  EXPECT_EQ(buf.values[0].i, 1);
  ASSERT_EQ(db.cursor->DeleteRecord(), kDBOk);
  EXPECT_EQ(db.cursor->GetCurrentRecord(&buf), engine::kDBBof);
  EXPECT_EQ(db.cursor->GetNextRecord(&buf), engine::kDBEof);
}

TEST(EngineEdit, FilteredOutChangeLeavesCursorOnNeighbour) {
  TableData t = ArticleTable();
  for (int i = 0; i < 6; ++i) AddRow(&t, 0, Article(Int(2000), Int(i), Null()));
  Opened db;
  ASSERT_EQ(db.Load(std::move(t)), kDBOk);
  auto* cur = static_cast<engine::Cursor*>(db.cursor.get());
  engine::FilterHandle h = 0;
  ASSERT_EQ(cur->AddFilterProgram(std::make_unique<EvenFilter>(kNummer), &h), kDBOk);
  uint32_t count = 0;
  ASSERT_EQ(cur->GetRecordCount(&count), kDBOk);
  EXPECT_EQ(count, 3u);  // Nummer 0, 2, 4
  RecordBuffer buf;
  ASSERT_EQ(cur->MoveToSeqNo(2), kDBOk);
  ASSERT_EQ(cur->GetCurrentRecord(&buf), kDBOk);
  buf.values[kNummer - 1] = Int(7);
  ASSERT_EQ(cur->ModifyRecord(buf), kDBOk);
  ASSERT_EQ(cur->GetRecordCount(&count), kDBOk);
  EXPECT_EQ(count, 2u);
  ASSERT_EQ(cur->GetCurrentRecord(&buf), kDBOk);
  EXPECT_EQ(buf.values[kNummer - 1].i, 4);
  EXPECT_EQ(cur->DropFilter(h + 1), engine::kDBNoSuchFilter);
  ASSERT_EQ(cur->DropFilter(h), kDBOk);
  ASSERT_EQ(cur->GetRecordCount(&count), kDBOk);
  EXPECT_EQ(count, 6u);
  ASSERT_EQ(cur->GetCurrentRecord(&buf), kDBOk);
  EXPECT_EQ(buf.values[kNummer - 1].i, 4);
  // The placeholder-free path: a malformed block is refused with a text.
  const uint8_t junk[3] = {1, 2, 3};
  EXPECT_EQ(cur->AddFilter(junk, &h), engine::kDBBadFilter);
  EXPECT_FALSE(db.Error(engine::kDBBadFilter).empty());
}

struct FitCase {
  const char* what;
  uint16_t field;
  FieldValue value;
  engine::DBResult want;
};

TEST(EngineRecordBuffer, PutFieldChecksValues) {
  Opened db;
  ASSERT_EQ(db.Load(ArticleTable()), kDBOk);
  const FitCase cases[] = {
      {"title of 80", kTitel, Str(std::string(80, 'x')), kDBOk},
      {"title of 81", kTitel, Str(std::string(81, 'x')), engine::kDBValueDoesNotFit},
      {"category of 21", kKategori, Str(std::string(21, 'x')), engine::kDBValueDoesNotFit},
      {"long memo", kTekst, Str(std::string(100000, 'm')), kDBOk},
      {"int32 max", kAargang, Int(2147483647), kDBOk},
      {"int32 min", kAargang, Int(-2147483648LL), kDBOk},
      {"int32 over", kAargang, Int(2147483648LL), engine::kDBValueDoesNotFit},
      {"int32 under", kSlutSide, Int(-2147483649LL), engine::kDBValueDoesNotFit},
      {"text in int", kNummer, Str("12"), engine::kDBValueDoesNotFit},
      {"int in text", kTitel, Int(12), engine::kDBValueDoesNotFit},
      {"null", kTitel, Null(), kDBOk},
      {"field 0", 0, Int(1), engine::kDBBadArgument},
      {"field 9", 9, Int(1), engine::kDBBadArgument},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.what);
    RecordBuffer buf;
    ASSERT_EQ(db.cursor->InitRecord(&buf), kDBOk);
    EXPECT_EQ(db.cursor->VerifyField(c.field, c.value), c.want);
    EXPECT_EQ(db.cursor->PutField(&buf, c.field, c.value), c.want);
  }
}

TEST(EngineRecordBuffer, ErrorTextNamesTheField) {
  Opened db;
  ASSERT_EQ(db.Load(ArticleTable()), kDBOk);
  RecordBuffer buf;
  ASSERT_EQ(db.cursor->InitRecord(&buf), kDBOk);
  ASSERT_EQ(db.cursor->PutField(&buf, kKategori, Str(std::string(25, 'k'))),
            engine::kDBValueDoesNotFit);
  EXPECT_NE(db.Error(engine::kDBValueDoesNotFit).find("'Kategori'"), std::string::npos);
  ASSERT_EQ(db.cursor->PutField(&buf, kStartSide, Int(1LL << 40)), engine::kDBValueDoesNotFit);
  EXPECT_NE(db.Error(engine::kDBValueDoesNotFit).find("'StartSide'"), std::string::npos);
  EXPECT_EQ(db.cursor->InsertRecord(RecordBuffer{}), engine::kDBBadArgument);
}

TEST(EngineRecordBuffer, BlobsReadAndWriteByOffset) {
  Opened db;
  ASSERT_EQ(db.Load(ArticleTable()), kDBOk);
  RecordBuffer buf;
  ASSERT_EQ(db.cursor->InitRecord(&buf), kDBOk);
  for (uint16_t f = 1; f <= 8; ++f) EXPECT_EQ(buf.values[f - 1].kind, FieldValue::Kind::kNull);
  uint32_t len = 9;
  ASSERT_EQ(db.cursor->GetBlobLen(buf, kTekst, &len), kDBOk);
  EXPECT_EQ(len, 0u);
  ASSERT_EQ(db.cursor->PutBlob(&buf, kTekst, 0, "Linje 1\r\nLinje 2"), kDBOk);
  ASSERT_EQ(db.cursor->PutBlob(&buf, kTekst, 7, "!"), kDBOk);
  ASSERT_EQ(db.cursor->GetBlobLen(buf, kTekst, &len), kDBOk);
  EXPECT_EQ(len, 8u);
  std::string part;
  ASSERT_EQ(db.cursor->GetBlob(buf, kTekst, 2, 3, &part), kDBOk);
  EXPECT_EQ(part, "nje");
  ASSERT_EQ(db.cursor->GetBlob(buf, kTekst, 6, 100, &part), kDBOk);
  EXPECT_EQ(part, "1!");
  ASSERT_EQ(db.cursor->GetBlob(buf, kTekst, 50, 1, &part), kDBOk);
  EXPECT_EQ(part, "");
  EXPECT_EQ(db.cursor->PutBlob(&buf, kTekst, 9, "x"), engine::kDBBadArgument);
  EXPECT_EQ(db.cursor->GetBlobLen(buf, kAargang, &len), engine::kDBBadArgument);
  EXPECT_EQ(db.cursor->PutBlob(&buf, kTitel, 0, std::string(81, 't')), engine::kDBValueDoesNotFit);
  ASSERT_EQ(db.cursor->InsertRecord(buf), kDBOk);
  RecordBuffer back;
  ASSERT_EQ(db.cursor->GetCurrentRecord(&back), kDBOk);
  EXPECT_EQ(back.values[kTekst - 1].bytes, "Linje 1!");
}

TEST(EngineEdit, CursorsOutliveOrPrecedeTheirDataObject) {
  auto cursor = engine::CreateDSCursor();
  RecordBuffer buf;
  EXPECT_EQ(cursor->GetNextRecord(&buf), engine::kDBNoData);
  {
    auto base = engine::CreateDSBase();
    EXPECT_EQ(cursor->InitCursor(base.get()), engine::kDBNoData);
    TableData t = ArticleTable();
    AddRow(&t, 0, Article(Int(1), Null(), Null()));
    ASSERT_EQ(engine::LoadTableData(base.get(), std::move(t)), kDBOk);
    ASSERT_EQ(cursor->InitCursor(base.get()), kDBOk);
    ASSERT_EQ(cursor->GetNextRecord(&buf), kDBOk);
    // Loading again puts every cursor back before the first record.
    TableData t2 = ArticleTable();
    AddRow(&t2, 0, Article(Int(2), Null(), Null()));
    AddRow(&t2, 0, Article(Int(3), Null(), Null()));
    ASSERT_EQ(engine::LoadTableData(base.get(), std::move(t2)), kDBOk);
    EXPECT_EQ(cursor->GetCurrentRecord(&buf), engine::kDBBof);
    ASSERT_EQ(cursor->GetNextRecord(&buf), kDBOk);
    EXPECT_EQ(buf.values[0].i, 2);
  }
  EXPECT_EQ(cursor->GetNextRecord(&buf), engine::kDBNoData);
}

}  // namespace
}  // namespace engine_test
