// A filtered view over thousands of rows (many blocks of its position index,
// some with no member at all) in a keyed order: sequence numbers, moves to a
// sequence number, to a bookmark, and steps both ways give the reference
// list of the order's passing records, after loading and after each of a
// run of edits made through another cursor (fixed seed).
#include <random>

#include "engine_fixture.h"

namespace engine_test {
namespace {

using engine::Bookmark;
using engine::kDBOk;

// Passes the rows whose Nummer is even.
bool Passes(const std::vector<FieldValue>& v) {
  return v[kNummer - 1].kind == FieldValue::Kind::kInt && v[kNummer - 1].i % 2 == 0;
}

std::vector<FieldValue> Record(std::mt19937& rng) {
  std::uniform_int_distribution<int> year(1990, 2010), num(0, 99), odd(0, 3);
  // The years before 2000 hold odd numbers only, so in the year order whole
  // blocks of places have no member; later years three odd numbers in four.
  const int y = year(rng);
  int n = num(rng);
  if (y < 2000 || odd(rng) != 0) n |= 1;
  return Article(Int(y), Int(n), Str("t"));
}

// The bookmarks of `all`'s view (unfiltered, same order) whose record passes.
std::vector<Bookmark> Reference(engine::IDSCursor* all) {
  std::vector<Bookmark> out;
  EXPECT_EQ(all->MoveToBOF(), kDBOk);
  RecordBuffer buf;
  while (all->GetNextRecord(&buf) == kDBOk) {
    Bookmark b = 0;
    EXPECT_EQ(all->GetCurrentBookmark(&b), kDBOk);
    if (Passes(buf.values)) out.push_back(b);
  }
  return out;
}

void ExpectView(engine::IDSCursor* c, const std::vector<Bookmark>& expected, std::mt19937& rng) {
  uint32_t count = 0;
  ASSERT_EQ(c->GetRecordCount(&count), kDBOk);
  ASSERT_EQ(count, expected.size());
  // Sequence numbers to places, in a random order so the index is asked
  // for far places before near ones.
  std::vector<uint32_t> seqs(expected.size());
  for (size_t i = 0; i < seqs.size(); ++i) seqs[i] = uint32_t(i + 1);
  std::shuffle(seqs.begin(), seqs.end(), rng);
  for (uint32_t seq : seqs) {
    ASSERT_EQ(c->MoveToSeqNo(seq), kDBOk);
    Bookmark b = 0;
    ASSERT_EQ(c->GetCurrentBookmark(&b), kDBOk);
    ASSERT_EQ(b, expected[seq - 1]) << "seq " << seq;
  }
  for (uint32_t seq : seqs) {
    ASSERT_EQ(c->MoveToBookmark(expected[seq - 1]), kDBOk);
    uint32_t got = 0;
    ASSERT_EQ(c->GetSequenceNumber(&got), kDBOk);
    ASSERT_EQ(got, seq);
  }
  // Steps both ways.
  std::vector<Bookmark> forward, backward;
  ASSERT_EQ(c->MoveToBOF(), kDBOk);
  Bookmark b = 0;
  while (c->GetNextRecord(nullptr) == kDBOk) {
    ASSERT_EQ(c->GetCurrentBookmark(&b), kDBOk);
    forward.push_back(b);
  }
  ASSERT_EQ(c->MoveToEOF(), kDBOk);
  while (c->GetPriorRecord(nullptr) == kDBOk) {
    ASSERT_EQ(c->GetCurrentBookmark(&b), kDBOk);
    backward.insert(backward.begin(), b);
  }
  EXPECT_EQ(forward, expected);
  EXPECT_EQ(backward, expected);
}

TEST(EngineViewPlaces, PlacesFollowTheReferenceThroughEdits) {
  std::mt19937 rng(4711);
  TableData t = ArticleTable();
  for (int i = 0; i < 6000; ++i) AddRow(&t, 0, Record(rng));
  Opened db;
  ASSERT_EQ(db.Load(std::move(t)), kDBOk);
  ASSERT_EQ(db.base->CreateIndex(MakeIndex("ByYear", {{kAargang}, {kNummer, true}})), kDBOk);
  auto all = engine::CreateDSCursor();
  ASSERT_EQ(all->InitCursor(db.base.get()), kDBOk);
  ASSERT_EQ(all->UseIndexOrder("ByYear"), kDBOk);
  ASSERT_EQ(db.cursor->UseIndexOrder("ByYear"), kDBOk);
  engine::FilterHandle h = 0;
  auto* filtered = static_cast<engine::Cursor*>(db.cursor.get());
  ASSERT_EQ(filtered->AddFilterProgram(std::make_unique<EvenFilter>(kNummer), &h), kDBOk);
  ExpectView(db.cursor.get(), Reference(all.get()), rng);

  for (int step = 0; step < 12; ++step) {
    SCOPED_TRACE(step);
    uint32_t n = 0;
    ASSERT_EQ(all->GetRecordCount(&n), kDBOk);
    std::uniform_int_distribution<uint32_t> which(1, n);
    RecordBuffer buf;
    buf.values = Record(rng);
    switch (step % 3) {
      case 0:
        ASSERT_EQ(all->InsertRecord(buf), kDBOk);
        break;
      case 1:
        ASSERT_EQ(all->MoveToSeqNo(which(rng)), kDBOk);
        ASSERT_EQ(all->ModifyRecord(buf), kDBOk);
        break;
      default:
        ASSERT_EQ(all->MoveToSeqNo(which(rng)), kDBOk);
        ASSERT_EQ(all->DeleteRecord(), kDBOk);
        break;
    }
    ExpectView(db.cursor.get(), Reference(all.get()), rng);
  }
  // Back to packet order: the same records pass, in row order.
  ASSERT_EQ(all->UseIndexOrder("DEFAULT_ORDER"), kDBOk);
  ASSERT_EQ(db.cursor->UseIndexOrder("DEFAULT_ORDER"), kDBOk);
  ExpectView(db.cursor.get(), Reference(all.get()), rng);
}

}  // namespace
}  // namespace engine_test
