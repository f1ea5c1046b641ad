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
  members_ = RowSet();
  count_ = 0;
  prefix_.clear();
  where_ = Where::kBof;
}

void Cursor::OnReload() {
  order_ = base_->default_order();
  filters_.clear();
  members_ = RowSet();
  count_ = 0;
  prefix_.clear();
  where_ = Where::kBof;
  at_ = 0;
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
  prefix_.clear();
  if (filters_.empty()) {
    members_ = RowSet();
    count_ = 0;
    return;
  }
  // The filters narrow the current rows in turn; none depends on the order,
  // and a sort aside gives them the cores meanwhile.
  const DataObject::OrdersHeld held(*base_);
  RowSet in = base_->current_rows(), out;
  for (const Filter& f : filters_) {
    f.program->SelectSet(base_->data(), base_->replaces(), base_->filter_cache(), in, &out);
    in.swap(out);
    if (in.empty()) break;
  }
  members_.swap(in);
  count_ = members_.Count();
}

void Cursor::IndexTo(size_t block) {
  const std::vector<uint32_t>& r = rows();
  if (prefix_.empty()) prefix_.push_back(0);
  while (prefix_.size() <= block && (prefix_.size() - 1) * kBlock < r.size()) {
    const size_t begin = (prefix_.size() - 1) * kBlock;
    const size_t end = std::min(r.size(), begin + kBlock);
    uint32_t n = prefix_.back();
    for (size_t i = begin; i < end; ++i) n += members_.Test(r[i]) ? 1 : 0;
    prefix_.push_back(n);
  }
}

void Cursor::ForgetFrom(size_t at) {
  if (prefix_.size() > at / kBlock + 1) prefix_.resize(at / kBlock + 1);
}

size_t Cursor::NextMember(size_t from) {
  if (from >= order_->size()) return kNone;
  if (filters_.empty()) return from;
  if (count_ == 0) return kNone;
  // An order sorting aside is walked through its head before it is waited
  // for: the first rows of a search are usually there.
  for (const size_t head = order_->HeadPlaces(); from < head; ++from) {
    if (members_.Test(order_->RowAt(from))) return from;
  }
  const std::vector<uint32_t>& r = rows();
  for (size_t i = from; i < r.size();) {
    // Blocks the position index knows to hold no member are skipped whole.
    const size_t b = i / kBlock;
    if (b + 1 < prefix_.size() && prefix_[b + 1] == prefix_[b]) {
      i = (b + 1) * kBlock;
      continue;
    }
    const size_t end = std::min(r.size(), (b + 1) * kBlock);
    for (; i < end; ++i)
      if (members_.Test(r[i])) return i;
  }
  return kNone;
}

size_t Cursor::PriorMember(size_t from) {
  if (order_->size() == 0) return kNone;
  from = std::min(from, order_->size() - 1);
  if (filters_.empty()) return from;
  if (count_ == 0) return kNone;
  if (from < order_->HeadPlaces()) {
    for (size_t i = from + 1; i > 0; --i) {
      if (members_.Test(order_->RowAt(i - 1))) return i - 1;
    }
    return kNone;
  }
  const std::vector<uint32_t>& r = rows();
  for (size_t i = from + 1; i > 0;) {
    const size_t b = (i - 1) / kBlock;
    if (b + 1 < prefix_.size() && prefix_[b + 1] == prefix_[b]) {
      i = b * kBlock;
      continue;
    }
    const size_t begin = b * kBlock;
    for (; i > begin; --i)
      if (members_.Test(r[i - 1])) return i - 1;
  }
  return kNone;
}

size_t Cursor::RankOf(size_t at) {
  if (filters_.empty()) return at;
  if (at < order_->HeadPlaces()) {
    size_t n = 0;
    for (size_t i = 0; i < at; ++i) n += members_.Test(order_->RowAt(i)) ? 1 : 0;
    return n;
  }
  const size_t b = at / kBlock;
  IndexTo(b);
  size_t n = prefix_[b];
  const std::vector<uint32_t>& r = rows();
  for (size_t i = b * kBlock; i < at; ++i) n += members_.Test(r[i]) ? 1 : 0;
  return n;
}

size_t Cursor::PlaceOf(size_t rank) {
  if (filters_.empty()) return rank;
  for (size_t i = 0, n = 0, head = order_->HeadPlaces(); i < head; ++i) {
    if (!members_.Test(order_->RowAt(i))) continue;
    if (n == rank) return i;
    ++n;
  }
  // The index is made only as far as the rank reaches.
  if (prefix_.empty()) prefix_.push_back(0);
  while (prefix_.back() <= rank && (prefix_.size() - 1) * kBlock < rows().size())
    IndexTo(prefix_.size());
  // The last block whose start has at most `rank` members before it.
  const size_t b =
      size_t(std::upper_bound(prefix_.begin(), prefix_.end(), uint32_t(rank)) - prefix_.begin()) -
      1;
  const std::vector<uint32_t>& r = rows();
  size_t n = prefix_[b];
  for (size_t i = b * kBlock; i < r.size(); ++i) {
    if (!members_.Test(r[i])) continue;
    if (n == rank) return i;
    ++n;
  }
  return kNone;
}

void Cursor::StandAtOrAfter(size_t at) {
  size_t i = NextMember(at);
  if (i == kNone) i = PriorMember(order_->size());
  if (i == kNone) {
    where_ = Where::kBof;
    at_ = 0;
    return;
  }
  where_ = Where::kOn;
  at_ = i;
}

void Cursor::Reposition(bool was_on, uint32_t row) {
  if (!was_on) return;
  StandAtOrAfter(order_->LowerPlace(base_->source(), row));
}

DBResult Cursor::UseIndexOrder(std::string_view name) {
  if (DBResult r = CheckOpen()) return r;
  Order* order = base_->FindOrder(name);
  if (order == nullptr) {
    return base_->Fail(kDBNoSuchIndex, "Index '" + std::string(name) + "' not found");
  }
  bool was_on = where_ == Where::kOn;
  uint32_t row = was_on ? order_->RowAt(at_) : kNoRow;
  // The filters' rows do not depend on the order: only the places change.
  order_ = order;
  prefix_.clear();
  Reposition(was_on, row);
  return kDBOk;
}

DBResult Cursor::MoveToBOF() {
  if (DBResult r = CheckOpen()) return r;
  where_ = Where::kBof;
  at_ = 0;
  return kDBOk;
}

DBResult Cursor::MoveToEOF() {
  if (DBResult r = CheckOpen()) return r;
  where_ = Where::kEof;
  at_ = 0;
  return kDBOk;
}

DBResult Cursor::ReadCurrent(RecordBuffer* buf) {
  if (buf != nullptr) base_->ReadRow(order_->RowAt(at_), buf);
  return kDBOk;
}

DBResult Cursor::GetNextRecord(RecordBuffer* buf) {
  if (DBResult r = CheckOpen()) return r;
  size_t next = where_ == Where::kBof  ? NextMember(0)
                : where_ == Where::kOn ? NextMember(at_ + 1)
                                       : kNone;
  if (next == kNone) {
    where_ = Where::kEof;
    return kDBEof;
  }
  where_ = Where::kOn;
  at_ = next;
  return ReadCurrent(buf);
}

DBResult Cursor::GetPriorRecord(RecordBuffer* buf) {
  if (DBResult r = CheckOpen()) return r;
  size_t prior = where_ == Where::kBof  ? kNone
                 : where_ == Where::kOn ? (at_ == 0 ? kNone : PriorMember(at_ - 1))
                                        : PriorMember(order_->size());
  if (prior == kNone) {
    where_ = Where::kBof;
    return kDBBof;
  }
  at_ = prior;
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
  *bookmark = base_->RecordOf(order_->RowAt(at_)) + 1;
  return kDBOk;
}

DBResult Cursor::MoveToBookmark(Bookmark bookmark) {
  if (DBResult r = CheckOpen()) return r;
  uint32_t row = bookmark == 0 ? kNoRow : base_->CurrentRowOf(bookmark - 1);
  if (row == kNoRow) {
    return base_->Fail(kDBNoCurrentRecord,
                       "Bookmark " + std::to_string(bookmark) + " names no current record");
  }
  size_t i = order_->PlaceOf(base_->source(), row);
  if (i == Order::kNotFound || !IsMember(i)) {
    return base_->Fail(kDBNoCurrentRecord, "The record of bookmark " + std::to_string(bookmark) +
                                               " is not in the cursor's view");
  }
  where_ = Where::kOn;
  at_ = i;
  return kDBOk;
}

DBResult Cursor::GetRecordCount(uint32_t* count) {
  if (DBResult r = CheckOpen()) return r;
  *count = uint32_t(ViewSize());
  return kDBOk;
}

DBResult Cursor::GetSequenceNumber(uint32_t* seq) {
  if (DBResult r = CheckOpen()) return r;
  switch (where_) {
    case Where::kBof:
      *seq = 0;
      return kDBBof;
    case Where::kEof:
      *seq = uint32_t(ViewSize() + 1);
      return kDBEof;
    default:
      *seq = uint32_t(RankOf(at_) + 1);
      return kDBOk;
  }
}

DBResult Cursor::MoveToSeqNo(uint32_t seq) {
  if (DBResult r = CheckOpen()) return r;
  if (seq == 0) {
    where_ = Where::kBof;
    return kDBBof;
  }
  if (seq > ViewSize()) {
    where_ = Where::kEof;
    return kDBEof;
  }
  where_ = Where::kOn;
  at_ = PlaceOf(seq - 1);
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
  // Where the rows left and entered this cursor's order.
  size_t erased = Order::kNotFound, inserted = Order::kNotFound;
  for (const RowChange::At& at : change.at) {
    if (at.order == order_) {
      erased = at.erased;
      inserted = at.inserted;
    }
  }
  bool added_member = change.added != kNoRow;
  if (!filters_.empty()) {
    members_.Resize(base_->data().row_count());
    if (change.removed != kNoRow && members_.Test(change.removed)) {
      members_.Clear(change.removed);
      --count_;
    }
    added_member = change.added != kNoRow && Passes(change.added);
    if (added_member) {
      members_.Set(change.added);
      ++count_;
    }
    ForgetFrom(std::min(erased, inserted));
  }

  bool follow = false;  // stand on the member at or after at_
  if (where_ == Where::kOn) {
    const bool was_on_removed = erased != Order::kNotFound && at_ == erased;
    if (erased != Order::kNotFound && erased < at_) --at_;
    if (was_on_removed && added_member) {
      // A record modified elsewhere keeps this cursor on it.
      at_ = inserted;
    } else {
      if (inserted != Order::kNotFound && inserted <= at_) ++at_;
      // The record that followed the removed one.
      follow = was_on_removed;
    }
  }
  if (origin && change.added != kNoRow) {
    where_ = Where::kOn;
    at_ = inserted;
    follow = !added_member;
  }
  if (where_ == Where::kOn && (follow || at_ >= order_->size())) StandAtOrAfter(at_);
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
  return base_->Modify(order_->RowAt(at_), buf, this, &row);
}

DBResult Cursor::DeleteRecord() {
  if (DBResult r = CheckOpen()) return r;
  if (where_ != Where::kOn) return base_->Fail(kDBNoCurrentRecord, "The cursor is on no record");
  return base_->Delete(order_->RowAt(at_), this);
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
  uint32_t row = was_on ? order_->RowAt(at_) : kNoRow;
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
