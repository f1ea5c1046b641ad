// Change history of the shipped packets: the edit scripts that enter the
// articles issue by issue (first versions, mistaken double entries), proof-read
// them (modifications) and remove the double entries (deletions), and the
// driver that plays a script through the engine's cursor and asks the engine
// for the packet.
//
// What must stay true: the packets are made only by the engine's own change
// encoding (insert, modify, delete through a cursor, then StreamData), so their
// row statuses, blank codes and change log are exactly what the engine writes
// for edits made by a user.
#include <algorithm>
#include <stdexcept>

#include "engine/ds_interfaces.h"
#include "engine/packet_codec.h"
#include "engine/table_data.h"
#include "tools/genpackets.h"

namespace genpackets {
namespace {

// Field numbers of the article table, in packet order.
constexpr uint16_t kAargang = 1, kNummer = 2, kTitel = 3, kTekst = 4, kKategori = 5, kStartSide = 6,
                   kSlutSide = 7, kVProgrammer = 8;
constexpr uint16_t kFieldCount = 8;
constexpr uint16_t kUnNamedAttr = 0x10;

std::string Le16(uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

engine::FieldDef IntField(const char* name) {
  return {name, 4, engine::kBaseInt, kUnNamedAttr, {}};
}

engine::FieldDef StringField(const char* name, uint16_t width) {
  // WIDTH: a 16-bit unsigned number.
  engine::Param p{"WIDTH", 2, engine::kBaseUInt, Le16(width)};
  return {name, 1, engine::kBaseString | engine::kTypeVarying, kUnNamedAttr, {p}};
}

engine::FieldDef MemoField(const char* name) {
  // SUBTYPE "Text": a string with a 2-byte length that counts the zero byte.
  engine::Param p{"SUBTYPE", 2, engine::kBaseString | engine::kTypeVarying,
                  Le16(5) + std::string("Text\0", 5)};
  return {name, 4, engine::kBaseBytes | engine::kTypeVarying, kUnNamedAttr, {p}};
}

// The empty article table as a binary packet, with an empty change log.
std::string EmptyArticlePacket() {
  engine::TableData t;
  t.fields = {IntField("Aargang"),  IntField("Nummer"),          StringField("Titel", 80),
              MemoField("Tekst"),   StringField("Kategori", 20), IntField("StartSide"),
              IntField("SlutSide"), MemoField("VProgrammer")};
  t.change_log_param_pos = 0;
  std::string packet, error;
  if (engine::WritePacket(t, engine::PacketForm::kBinary, &packet, &error) != engine::kDBOk) {
    throw std::runtime_error("cannot write the empty article packet: " + error);
  }
  return packet;
}

class EngineSession {
 public:
  EngineSession() : base_(engine::CreateDSBase()), cursor_(engine::CreateDSCursor()) {
    const std::string packet = EmptyArticlePacket();
    Check(base_->AppendData({reinterpret_cast<const uint8_t*>(packet.data()), packet.size()}),
          "loading the empty packet");
    Check(cursor_->InitCursor(base_.get()), "opening a cursor");
  }

  void Insert(size_t record, const Article& a) {
    engine::RecordBuffer buf;
    Check(cursor_->InitRecord(&buf), "preparing a record");
    Put(&buf, a);
    Check(cursor_->InsertRecord(buf), "inserting record " + std::to_string(record));
    engine::Bookmark bm = 0;
    Check(cursor_->GetCurrentBookmark(&bm), "taking a bookmark");
    if (bookmarks_.size() <= record) bookmarks_.resize(record + 1);
    bookmarks_[record] = bm;
  }

  void Modify(size_t record, const Article& a) {
    GoTo(record);
    engine::RecordBuffer buf;
    Check(cursor_->GetCurrentRecord(&buf), "reading record " + std::to_string(record));
    Put(&buf, a);
    Check(cursor_->ModifyRecord(buf), "modifying record " + std::to_string(record));
  }

  void Delete(size_t record) {
    GoTo(record);
    Check(cursor_->DeleteRecord(), "deleting record " + std::to_string(record));
  }

  std::string Stream(Form form) {
    std::string packet;
    Check(base_->StreamData(
              form == Form::kBinary ? engine::PacketForm::kBinary : engine::PacketForm::kXml,
              &packet),
          "streaming the packet");
    return packet;
  }

 private:
  void GoTo(size_t record) {
    if (record >= bookmarks_.size()) throw std::logic_error("edit of a record not yet inserted");
    Check(cursor_->MoveToBookmark(bookmarks_[record]), "finding record " + std::to_string(record));
  }

  static engine::FieldValue Int(const std::optional<int32_t>& v) {
    engine::FieldValue f;
    if (v) {
      f.kind = engine::FieldValue::Kind::kInt;
      f.i = *v;
    }
    return f;
  }
  static engine::FieldValue Bytes(const std::optional<std::string>& v) {
    engine::FieldValue f;
    if (v) {
      f.kind = engine::FieldValue::Kind::kBytes;
      f.bytes = *v;
    }
    return f;
  }

  void Put(engine::RecordBuffer* buf, const Article& a) {
    const std::pair<uint16_t, engine::FieldValue> values[kFieldCount] = {
        {kAargang, Int(a.aargang)},     {kNummer, Int(a.nummer)},
        {kTitel, Bytes(a.titel)},       {kTekst, Bytes(a.tekst)},
        {kKategori, Bytes(a.kategori)}, {kStartSide, Int(a.start_side)},
        {kSlutSide, Int(a.slut_side)},  {kVProgrammer, Bytes(a.vprogrammer)}};
    for (const auto& [field, value] : values) {
      Check(cursor_->PutField(buf, field, value), "setting field " + std::to_string(field));
    }
  }

  void Check(engine::DBResult code, const std::string& what) {
    if (code == engine::kDBOk) return;
    std::string text;
    base_->GetErrorString(code, &text);
    throw std::runtime_error("engine refused " + what + " (" + std::to_string(code) + "): " + text);
  }

  std::unique_ptr<engine::IDSBase> base_;
  std::unique_ptr<engine::IDSCursor> cursor_;
  std::vector<engine::Bookmark> bookmarks_;
};

// How much history a packet gets.
struct HistoryShape {
  int twice_modified;      // records typed in, corrected, corrected again
  int once_modified;       // records typed in and corrected once
  int correction_percent;  // share of the once-modified whose change is a later correction line
  int double_entries;      // records typed in twice by mistake, the copy deleted
  int double_modified;     // of those, copies edited before they were deleted
};

void Shuffle(std::vector<size_t>* v, Rng* rng) {
  for (size_t i = v->size(); i > 1; --i) {
    std::swap((*v)[i - 1], (*v)[rng->Below(static_cast<uint32_t>(i))]);
  }
}

// Builds the script: per issue, the first versions (each double entry right
// after its original), then that issue's first corrections, edits of double
// entries and their deletion; at the end a second proof-reading pass.
std::vector<EditStep> BuildScript(const EditionContent& content, Rng* rng,
                                  const std::vector<Article>& articles, const HistoryShape& shape) {
  const size_t n = articles.size();
  if (static_cast<size_t>(shape.twice_modified + shape.once_modified) > n ||
      static_cast<size_t>(shape.double_entries) > n ||
      shape.double_modified > shape.double_entries) {
    throw std::logic_error("history larger than the articles");
  }
  std::vector<size_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = i;
  Shuffle(&order, rng);
  std::vector<int> mods(n, 0);
  for (int i = 0; i < shape.twice_modified + shape.once_modified; ++i) {
    mods[order[i]] = i < shape.twice_modified ? 2 : 1;
  }
  Shuffle(&order, rng);
  std::vector<int> doubles(n, 0);  // 1 deleted as typed, 2 edited then deleted
  for (int i = 0; i < shape.double_entries; ++i) {
    doubles[order[i]] = i < shape.double_modified ? 2 : 1;
  }

  // Per article, the versions it goes through; the last is the final one.
  std::vector<std::vector<Article>> versions(n);
  for (size_t i = 0; i < n; ++i) {
    const Article& final_version = articles[i];
    if (mods[i] == 2) {
      const int v = rng->Between(0, 3);
      versions[i] = {MakeDraft(final_version, rng, v),
                     MakeDraft(final_version, rng, v + 1 + rng->Between(0, 2)), final_version};
    } else if (mods[i] == 1 && rng->Percent(shape.correction_percent)) {
      versions[i] = {final_version, AddCorrection(content, rng, final_version)};
    } else if (mods[i] == 1) {
      versions[i] = {MakeDraft(final_version, rng, rng->Between(0, 3)), final_version};
    } else {
      versions[i] = {final_version};
    }
  }

  std::vector<EditStep> steps;
  std::vector<size_t> record_of(n);
  std::vector<size_t> second_pass;
  size_t next_record = 0;
  size_t begin = 0;
  while (begin < n) {
    size_t end = begin;
    while (end < n && articles[end].aargang == articles[begin].aargang &&
           articles[end].nummer == articles[begin].nummer) {
      ++end;
    }
    struct Copy {
      size_t record;
      size_t article;
    };
    std::vector<Copy> copies;
    for (size_t i = begin; i < end; ++i) {
      record_of[i] = next_record++;
      steps.push_back({EditStep::Kind::kInsert, record_of[i], versions[i].front()});
      if (doubles[i] != 0) {
        copies.push_back({next_record, i});
        steps.push_back({EditStep::Kind::kInsert, next_record++, versions[i].back()});
      }
    }
    for (size_t i = begin; i < end; ++i) {
      if (versions[i].size() > 1)
        steps.push_back({EditStep::Kind::kModify, record_of[i], versions[i][1]});
      if (versions[i].size() > 2) second_pass.push_back(i);
    }
    for (const Copy& copy : copies) {
      if (doubles[copy.article] == 2) {
        // Someone corrected the copy's pages before noticing it was one.
        steps.push_back({EditStep::Kind::kModify, copy.record,
                         MakeDraft(versions[copy.article].back(), rng, 0)});
      }
      steps.push_back({EditStep::Kind::kDelete, copy.record, {}});
    }
    begin = end;
  }
  for (size_t i : second_pass)
    steps.push_back({EditStep::Kind::kModify, record_of[i], versions[i][2]});
  return steps;
}

}  // namespace

std::string RunScript(const std::vector<EditStep>& steps, Form form) {
  EngineSession session;
  for (const auto& step : steps) {
    switch (step.kind) {
      case EditStep::Kind::kInsert:
        session.Insert(step.record, step.values);
        break;
      case EditStep::Kind::kModify:
        session.Modify(step.record, step.values);
        break;
      case EditStep::Kind::kDelete:
        session.Delete(step.record);
        break;
    }
  }
  return session.Stream(form);
}

std::string MakeInitialPacket() {
  // 584 current records; 216 double entries make 800 inserts; 2 * 200 + 344
  // proof-reading edits and 60 edited copies make 804 modifications: 1604 rows.
  Rng rng(19990101);
  const auto& content = DanishContent();
  const auto articles = BuildIssues(content, &rng, {1999, 2000}, 584);
  const HistoryShape shape{200, 344, 20, 216, 60};
  return RunScript(BuildScript(content, &rng, articles, shape), Form::kBinary);
}

std::string MakeEditionFile(const EditionContent& content, uint32_t seed) {
  Rng rng(seed);
  const auto articles = BuildIssues(content, &rng, {2001, 2002}, std::nullopt);
  const HistoryShape shape{4, 18, 35, 6, 2};
  return RunScript(BuildScript(content, &rng, articles, shape), Form::kXml);
}

}  // namespace genpackets
