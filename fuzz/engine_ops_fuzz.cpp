// Fuzzes the data object and its cursors. The input builds a small table
// directly (statuses, blank codes, change log: mostly hostile) and then drives
// edits, orders, moves and bookmarks through two cursors. Nothing may crash;
// a refusal always has a text; whatever the engine accepted or built must
// stream to a binary packet that loads again with the same current records.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/cursor.h"
#include "engine/data_object.h"
#include "engine/ds_interfaces.h"

namespace {

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

engine::FieldDef Field(const char* name, uint16_t size, uint16_t type, std::string width = {}) {
  engine::FieldDef f;
  f.name = name;
  f.size = size;
  f.type = type;
  if (!width.empty()) f.params.push_back(engine::Param{"WIDTH", 2, 0x0002, width});
  return f;
}

std::string Text(Bytes* in, size_t max) {
  std::string s;
  for (size_t n = in->Next() % (max + 1); n > 0; --n) s.push_back(char('A' + in->Next() % 40));
  return s;
}

engine::FieldValue Value(Bytes* in, int field) {
  engine::FieldValue v;
  if (in->Next() % 4 == 0) return v;
  if (field == 0) {
    v.kind = engine::FieldValue::Kind::kInt;
    v.i = int8_t(in->Next());
  } else {
    v.kind = engine::FieldValue::Kind::kBytes;
    v.bytes = Text(in, field == 1 ? 5 : 12);
  }
  return v;
}

void CheckRefusal(engine::IDSBase* base, engine::DBResult r) {
  if (r == engine::kDBOk || r == engine::kDBBof || r == engine::kDBEof) return;
  std::string text;
  base->GetErrorString(r, &text);
  if (text.empty()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  engine::TableData t;
  t.fields = {Field("N", 4, 0x0001), Field("S", 1, 0x0049, std::string("\x05\x00", 2)),
              Field("M", 4, 0x004B)};
  const size_t rows = in.Next() % 12;
  for (size_t r = 0; r < rows; ++r) {
    t.status.push_back(in.Next() & 0x0F);
    for (int f = 0; f < 3; ++f) {
      const uint8_t blank = in.Next() % 3;
      engine::FieldValue v = Value(&in, f);
      engine::Cell c;
      if (blank == engine::kUnchanged) {
        c.blank = engine::kUnchanged;
      } else if (v.kind == engine::FieldValue::Kind::kNull) {
        c.blank = engine::kNull;
      } else if (f == 0) {
        c.data = uint64_t(v.i);
        c.blank = engine::kValue;
      } else {
        c = t.AddBytes(v.bytes);
      }
      t.cells.push_back(c);
    }
  }
  for (size_t n = in.Next() % 10; n > 0; --n) {
    static const uint32_t kKinds[] = {2, 4, 8, 8, 3};
    t.change_log.push_back(in.Next() % (rows + 2));
    t.change_log.push_back(in.Next() % (rows + 2));
    t.change_log.push_back(kKinds[in.Next() % 5]);
  }

  auto base = engine::CreateDSBase();
  engine::DBResult r = engine::LoadTableData(base.get(), std::move(t));
  CheckRefusal(base.get(), r);
  if (r != engine::kDBOk) return 0;
  auto a = engine::CreateDSCursor(), b = engine::CreateDSCursor();
  if (a->InitCursor(base.get()) != engine::kDBOk || b->InitCursor(base.get()) != engine::kDBOk)
    __builtin_trap();

  static const char* kNames[] = {"DEFAULT_ORDER", "I0", "I1", "I2", "I3"};
  int made = 0;
  while (!in.empty()) {
    engine::IDSCursor* c = in.Next() % 2 ? a.get() : b.get();
    engine::RecordBuffer buf;
    switch (in.Next() % 9) {
      case 0:
      case 1: {
        c->InitRecord(&buf);
        for (int f = 0; f < 3; ++f) buf.values[f] = Value(&in, f);
        r = in.Next() % 2 ? c->InsertRecord(buf) : c->ModifyRecord(buf);
        break;
      }
      case 2:
        r = c->DeleteRecord();
        break;
      case 3:
        r = c->MoveToSeqNo(in.Next() % 16);
        break;
      case 4: {
        engine::IndexDesc d;
        d.name = "I" + std::to_string(made++ % 4);
        for (size_t k = in.Next() % 3; k > 0; --k) {
          d.fields.push_back(uint16_t(in.Next() % 4));
          d.descending.push_back(in.Next() % 2);
          d.case_insensitive.push_back(in.Next() % 2);
        }
        d.unique = in.Next() % 3 == 0;
        r = base->CreateIndex(d);
        break;
      }
      case 5:
        r = c->UseIndexOrder(kNames[in.Next() % 5]);
        if (r == engine::kDBNoSuchIndex) r = engine::kDBOk;
        break;
      case 6:
        r = in.Next() % 2 ? c->GetNextRecord(&buf) : c->GetPriorRecord(&buf);
        break;
      case 7:
        r = c->MoveToBookmark(in.Next() % 24);
        break;
      default: {
        engine::Bookmark bm = 0;
        r = c->GetCurrentBookmark(&bm);
        if (r == engine::kDBOk && c->MoveToBookmark(bm) != engine::kDBOk) __builtin_trap();
        break;
      }
    }
    CheckRefusal(base.get(), r);
  }

  // What the engine holds must stream and load again, to the same records.
  std::string packet;
  if (base->StreamData(engine::PacketForm::kBinary, &packet) != engine::kDBOk) return 0;
  auto again = engine::CreateDSBase();
  if (again->AppendData(std::span(reinterpret_cast<const uint8_t*>(packet.data()),
                                  packet.size())) != engine::kDBOk)
    __builtin_trap();
  auto c2 = engine::CreateDSCursor();
  if (c2->InitCursor(again.get()) != engine::kDBOk ||
      a->UseIndexOrder("DEFAULT_ORDER") != engine::kDBOk)
    __builtin_trap();
  a->MoveToBOF();
  engine::RecordBuffer x, y;
  for (;;) {
    engine::DBResult ra = a->GetNextRecord(&x), rb = c2->GetNextRecord(&y);
    if (ra != rb) __builtin_trap();
    if (ra != engine::kDBOk) break;
    for (int f = 0; f < 3; ++f) {
      const auto &u = x.values[f], &v = y.values[f];
      if (u.kind != v.kind || u.i != v.i || u.bytes != v.bytes) __builtin_trap();
    }
  }
  return 0;
}
