// The cursor; see cursor.h.
#include "engine/cursor.h"

#include <algorithm>
#include <cassert>

#include "engine/record_values.h"

namespace engine {

Cursor::~Cursor() {
  if (base_ != nullptr) base_->Detach(this);
}

void Cursor::OnBaseGone() {
  base_ = nullptr;
  order_ = nullptr;
  filters_.clear();
  own_view_.clear();
  where_ = Where::kBof;
}

void Cursor::OnReload() {
  order_ = base_->default_order();
  filters_.clear();
  own_view_.clear();
  where_ = Where::kBof;
  pos_ = 0;
}

DBResult Cursor::InitCursor(IDSBase* base) {
  auto* object = dynamic_cast<DataObject*>(base);
  if (object == nullptr) return kDBBadArgument;
  if (!object->loaded()) return object->Fail(kDBNoData, "The cursor has no data to open on");
  if (base_ != nullptr) base_->Detach(this);
  base_ = object;
  base_->Attach(this);
  OnReload();
  return kDBOk;
}

DBResult Cursor::CheckOpen() {
  if (base_ == nullptr) return kDBNoData;
  if (order_ == nullptr) return base_->Fail(kDBNoData, "The cursor is not open");
  return kDBOk;
}

DBResult Cursor::GetCursorProps(CursorProps* props) {
  if (DBResult r = CheckOpen()) return r;
  props->field_count = uint32_t(base_->data().field_count());
  props->bookmark_size = sizeof(Bookmark);
  props->read_only = false;
  return kDBOk;
}

bool Cursor::Passes(uint32_t row) const {
  for (const Filter& f : filters_) {
    if (!f.program->Matches(base_->data(), base_->replaces(), row)) return false;
  }
  return true;
}

void Cursor::RebuildView() {
  own_view_.clear();
  if (filters_.empty()) return;
  std::vector<uint32_t> scratch;
  const std::vector<uint32_t>* in = &order_->rows();
  for (size_t i = 0; i < filters_.size(); ++i) {
    std::vector<uint32_t>& out = i % 2 == 0 ? own_view_ : scratch;
    out.clear();
    filters_[i].program->Select(base_->data(), base_->replaces(), base_->filter_cache(), *in, &out);
    in = &out;
  }
  if (in != &own_view_) own_view_.swap(scratch);
}

void Cursor::Reposition(bool was_on, uint32_t row) {
  if (!was_on) return;
  const std::vector<uint32_t>& v = view();
  if (v.empty()) {
    where_ = Where::kBof;
    pos_ = 0;
    return;
  }
  pos_ = std::min(order_->LowerBound(base_->source(), v, row), v.size() - 1);
  where_ = Where::kOn;
}

DBResult Cursor::UseIndexOrder(std::string_view name) {
  if (DBResult r = CheckOpen()) return r;
  Order* order = base_->FindOrder(name);
  if (order == nullptr) {
    return base_->Fail(kDBNoSuchIndex, "Index '" + std::string(name) + "' not found");
  }
  bool was_on = where_ == Where::kOn;
  uint32_t row = was_on ? view()[pos_] : kNoRow;
  order_ = order;
  RebuildView();
  Reposition(was_on, row);
  return kDBOk;
}

DBResult Cursor::MoveToBOF() {
  if (DBResult r = CheckOpen()) return r;
  where_ = Where::kBof;
  pos_ = 0;
  return kDBOk;
}

DBResult Cursor::MoveToEOF() {
  if (DBResult r = CheckOpen()) return r;
  where_ = Where::kEof;
  pos_ = 0;
  return kDBOk;
}

DBResult Cursor::ReadCurrent(RecordBuffer* buf) {
  if (buf != nullptr) base_->ReadRow(view()[pos_], buf);
  return kDBOk;
}

DBResult Cursor::GetNextRecord(RecordBuffer* buf) {
  if (DBResult r = CheckOpen()) return r;
  const size_t n = view().size();
  size_t next = where_ == Where::kBof ? 0 : where_ == Where::kOn ? pos_ + 1 : n;
  if (next >= n) {
    where_ = Where::kEof;
    return kDBEof;
  }
  where_ = Where::kOn;
  pos_ = next;
  return ReadCurrent(buf);
}

DBResult Cursor::GetPriorRecord(RecordBuffer* buf) {
  if (DBResult r = CheckOpen()) return r;
  const size_t n = view().size();
  if (where_ == Where::kBof || (where_ == Where::kOn && pos_ == 0) || n == 0) {
    where_ = Where::kBof;
    return kDBBof;
  }
  pos_ = where_ == Where::kEof ? n - 1 : pos_ - 1;
  where_ = Where::kOn;
  return ReadCurrent(buf);
}

DBResult Cursor::GetCurrentRecord(RecordBuffer* buf) {
  if (DBResult r = CheckOpen()) return r;
  if (where_ == Where::kBof) return kDBBof;
  if (where_ == Where::kEof) return kDBEof;
  return ReadCurrent(buf);
}

DBResult Cursor::GetCurrentBookmark(Bookmark* bookmark) {
  if (DBResult r = CheckOpen()) return r;
  if (where_ != Where::kOn) return base_->Fail(kDBNoCurrentRecord, "The cursor is on no record");
  *bookmark = base_->RecordOf(view()[pos_]) + 1;
  return kDBOk;
}

DBResult Cursor::MoveToBookmark(Bookmark bookmark) {
  if (DBResult r = CheckOpen()) return r;
  uint32_t row = bookmark == 0 ? kNoRow : base_->CurrentRowOf(bookmark - 1);
  if (row == kNoRow) {
    return base_->Fail(kDBNoCurrentRecord,
                       "Bookmark " + std::to_string(bookmark) + " names no current record");
  }
  size_t i = order_->Find(base_->source(), view(), row);
  if (i == Order::kNotFound) {
    return base_->Fail(kDBNoCurrentRecord, "The record of bookmark " + std::to_string(bookmark) +
                                               " is not in the cursor's view");
  }
  where_ = Where::kOn;
  pos_ = i;
  return kDBOk;
}

DBResult Cursor::GetRecordCount(uint32_t* count) {
  if (DBResult r = CheckOpen()) return r;
  *count = uint32_t(view().size());
  return kDBOk;
}

DBResult Cursor::GetSequenceNumber(uint32_t* seq) {
  if (DBResult r = CheckOpen()) return r;
  switch (where_) {
    case Where::kBof:
      *seq = 0;
      return kDBBof;
    case Where::kEof:
      *seq = uint32_t(view().size() + 1);
      return kDBEof;
    default:
      *seq = uint32_t(pos_ + 1);
      return kDBOk;
  }
}

DBResult Cursor::MoveToSeqNo(uint32_t seq) {
  if (DBResult r = CheckOpen()) return r;
  if (seq == 0) {
    where_ = Where::kBof;
    return kDBBof;
  }
  if (seq > view().size()) {
    where_ = Where::kEof;
    return kDBEof;
  }
  where_ = Where::kOn;
  pos_ = seq - 1;
  return kDBOk;
}

DBResult Cursor::CheckField(uint16_t field_no, const RecordBuffer* buf) {
  if (DBResult r = CheckOpen()) return r;
  const size_t nf = base_->data().field_count();
  if (field_no == 0 || field_no > nf) {
    return base_->Fail(kDBBadArgument, "Field number " + std::to_string(field_no) +
                                           " is outside 1 to " + std::to_string(nf));
  }
  if (buf != nullptr && buf->values.size() != nf) {
    return base_->Fail(kDBBadArgument, "The record buffer holds " +
                                           std::to_string(buf->values.size()) + " values for " +
                                           std::to_string(nf) + " fields");
  }
  return kDBOk;
}

DBResult Cursor::InitRecord(RecordBuffer* buf) {
  if (DBResult r = CheckOpen()) return r;
  buf->values.assign(base_->data().field_count(), FieldValue{});
  return kDBOk;
}

DBResult Cursor::GetField(const RecordBuffer& buf, uint16_t field_no, FieldValue* out) {
  if (DBResult r = CheckField(field_no, &buf)) return r;
  *out = buf.values[field_no - 1];
  return kDBOk;
}

DBResult Cursor::VerifyField(uint16_t field_no, const FieldValue& value) {
  if (DBResult r = CheckField(field_no, nullptr)) return r;
  std::string error;
  DBResult r = CheckValue(base_->data().fields[field_no - 1], value, &error);
  return r == kDBOk ? kDBOk : base_->Fail(r, error);
}

DBResult Cursor::PutField(RecordBuffer* buf, uint16_t field_no, const FieldValue& value) {
  if (DBResult r = CheckField(field_no, buf)) return r;
  if (DBResult r = VerifyField(field_no, value)) return r;
  buf->values[field_no - 1] = value;
  return kDBOk;
}

DBResult Cursor::GetBlobLen(const RecordBuffer& buf, uint16_t field_no, uint32_t* len) {
  if (DBResult r = CheckField(field_no, &buf)) return r;
  const FieldValue& v = buf.values[field_no - 1];
  if (KindOfField(base_->data().fields[field_no - 1]) != FieldValue::Kind::kBytes) {
    return base_->Fail(kDBBadArgument, "Field '" + base_->data().fields[field_no - 1].name +
                                           "' holds no byte block");
  }
  *len = uint32_t(v.bytes.size());
  return kDBOk;
}

DBResult Cursor::GetBlob(const RecordBuffer& buf, uint16_t field_no, uint32_t offset,
                         uint32_t length, std::string* out) {
  uint32_t len;
  if (DBResult r = GetBlobLen(buf, field_no, &len)) return r;
  const std::string& bytes = buf.values[field_no - 1].bytes;
  out->clear();
  if (offset < bytes.size()) out->assign(bytes, offset, length);
  return kDBOk;
}

DBResult Cursor::PutBlob(RecordBuffer* buf, uint16_t field_no, uint32_t offset,
                         std::string_view bytes) {
  uint32_t len;
  if (DBResult r = GetBlobLen(*buf, field_no, &len)) return r;
  if (offset > len) {
    return base_->Fail(kDBBadArgument, "Blob offset " + std::to_string(offset) +
                                           " lies past its length " + std::to_string(len));
  }
  FieldValue v;
  v.kind = FieldValue::Kind::kBytes;
  v.bytes.assign(buf->values[field_no - 1].bytes, 0, offset);
  v.bytes.append(bytes);
  if (DBResult r = VerifyField(field_no, v)) return r;
  buf->values[field_no - 1] = std::move(v);
  return kDBOk;
}

void Cursor::OnChange(const RowChange& change) {
  if (order_ == nullptr) return;
  const bool origin = change.origin == this;
  size_t erased = Order::kNotFound, inserted = Order::kNotFound;
  size_t neighbour = Order::kNotFound;  // where a filtered-out new row would stand
  if (filters_.empty()) {
    for (const RowChange::At& at : change.at) {
      if (at.order == order_) {
        erased = at.erased;
        inserted = at.inserted;
      }
    }
  } else {
    const RowSource src = base_->source();
    if (change.removed != kNoRow) {
      erased = order_->Find(src, own_view_, change.removed);
      if (erased != Order::kNotFound) own_view_.erase(own_view_.begin() + erased);
    }
    if (change.added != kNoRow) {
      size_t at = order_->LowerBound(src, own_view_, change.added);
      if (Passes(change.added)) {
        own_view_.insert(own_view_.begin() + at, change.added);
        inserted = at;
      } else {
        neighbour = at;
      }
    }
  }

  if (where_ == Where::kOn) {
    const bool was_on_removed = erased != Order::kNotFound && pos_ == erased;
    if (erased != Order::kNotFound && erased < pos_) --pos_;
    if (inserted != Order::kNotFound) {
      // A record modified elsewhere keeps this cursor on it.
      if (was_on_removed) {
        pos_ = inserted;
      } else if (inserted <= pos_) {
        ++pos_;
      }
    }
  }
  if (origin && change.added != kNoRow) {
    where_ = Where::kOn;
    pos_ = inserted != Order::kNotFound ? inserted : neighbour;
  }
  if (where_ == Where::kOn && pos_ >= view().size()) {
    if (view().empty()) {
      where_ = Where::kBof;
      pos_ = 0;
    } else {
      pos_ = view().size() - 1;
    }
  }
}

DBResult Cursor::InsertRecord(const RecordBuffer& buf) {
  if (DBResult r = CheckOpen()) return r;
  uint32_t row;
  return base_->Insert(buf, this, &row);
}

DBResult Cursor::ModifyRecord(const RecordBuffer& buf) {
  if (DBResult r = CheckOpen()) return r;
  if (where_ != Where::kOn) return base_->Fail(kDBNoCurrentRecord, "The cursor is on no record");
  uint32_t row;
  return base_->Modify(view()[pos_], buf, this, &row);
}

DBResult Cursor::DeleteRecord() {
  if (DBResult r = CheckOpen()) return r;
  if (where_ != Where::kOn) return base_->Fail(kDBNoCurrentRecord, "The cursor is on no record");
  return base_->Delete(view()[pos_], this);
}

DBResult Cursor::DecodeFilter(std::span<const uint8_t> block,
                              std::unique_ptr<FilterProgram>* program) {
  std::string error;
  DBResult r = FilterProgram::Decode(block, base_->data(), program, &error);
  if (r != kDBOk) return base_->Fail(r, error.empty() ? DefaultErrorText(r) : error);
  if (*program == nullptr) return base_->Fail(kDBBadFilter, "The filter block decodes to nothing");
  return kDBOk;
}

std::vector<Cursor::Filter>::iterator Cursor::FindFilter(FilterHandle handle) {
  return std::find_if(filters_.begin(), filters_.end(),
                      [&](const Filter& f) { return f.handle == handle; });
}

template <typename Change>
void Cursor::ChangeFilters(const Change& change) {
  bool was_on = where_ == Where::kOn;
  uint32_t row = was_on ? view()[pos_] : kNoRow;
  change();
  RebuildView();
  Reposition(was_on, row);
}

DBResult Cursor::AddFilter(std::span<const uint8_t> block, FilterHandle* handle) {
  if (DBResult r = CheckOpen()) return r;
  std::unique_ptr<FilterProgram> program;
  if (DBResult r = DecodeFilter(block, &program)) return r;
  return AddFilterProgram(std::move(program), handle);
}

DBResult Cursor::AddFilterProgram(std::unique_ptr<FilterProgram> program, FilterHandle* handle) {
  if (DBResult r = CheckOpen()) return r;
  if (program == nullptr) return base_->Fail(kDBBadFilter, "The filter block decodes to nothing");
  ChangeFilters([&] {
    Filter f;
    f.program = std::move(program);
    f.handle = next_handle_++;
    *handle = f.handle;
    filters_.push_back(std::move(f));
  });
  return kDBOk;
}

DBResult Cursor::DropFilter(FilterHandle handle) {
  if (DBResult r = CheckOpen()) return r;
  auto it = FindFilter(handle);
  if (it == filters_.end()) {
    return base_->Fail(kDBNoSuchFilter, "No filter with handle " + std::to_string(handle));
  }
  ChangeFilters([&] { filters_.erase(it); });
  return kDBOk;
}

DBResult Cursor::ReplaceFilter(FilterHandle handle, std::span<const uint8_t> block,
                               FilterHandle* new_handle) {
  if (DBResult r = CheckOpen()) return r;
  auto it = FindFilter(handle);
  if (it == filters_.end()) {
    return base_->Fail(kDBNoSuchFilter, "No filter with handle " + std::to_string(handle));
  }
  std::unique_ptr<FilterProgram> program;
  if (DBResult r = DecodeFilter(block, &program)) return r;
  ChangeFilters([&] {
    it->program = std::move(program);
    it->handle = next_handle_++;
    *new_handle = it->handle;
  });
  return kDBOk;
}

std::unique_ptr<IDSCursor> CreateDSCursor() { return std::make_unique<Cursor>(); }

}  // namespace engine
