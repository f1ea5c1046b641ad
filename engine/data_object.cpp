// The data object; see data_object.h.
#include "engine/data_object.h"

#include <algorithm>
#include <cassert>
#include <type_traits>

#include "engine/coding.h"
#include "engine/cursor.h"
#include "engine/packet_codec.h"
#include "engine/record_values.h"

namespace engine {
namespace {

constexpr const char* kDefaultOrderName = "DEFAULT_ORDER";

bool SameNameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(uint8_t(a[i])) != FoldCase(uint8_t(b[i]))) return false;
  }
  return true;
}

std::string Triple(size_t index, uint32_t r, uint32_t o, uint32_t kind) {
  return "change " + std::to_string(index + 1) + " (" + std::to_string(r) + " " +
         std::to_string(o) + " " + std::to_string(kind) + ")";
}

}  // namespace

// Checks cells and change log of a table and derives replaces[] from the log.
// Everything a later resolution or edit relies on is checked here, so that a
// hostile packet is refused instead of looping or reading out of range.
DBResult CheckTable(const TableData& data, std::vector<uint32_t>* replaces, std::string* error) {
  const size_t n = data.row_count();
  const size_t nf = data.field_count();
  auto corrupt = [&](const std::string& why) {
    *error = why;
    return kDBCorruptPacket;
  };
  if (n >= kNoRow) return corrupt("The table has too many rows (" + std::to_string(n) + ")");
  if (data.cells.size() != n * nf) {
    return corrupt("The table has " + std::to_string(data.cells.size()) + " cells for " +
                   std::to_string(n) + " rows of " + std::to_string(nf) + " fields");
  }
  for (size_t r = 0; r < n; ++r) {
    for (size_t f = 0; f < nf; ++f) {
      const Cell& c = data.cell(r, f);
      if (c.blank > kUnchanged) {
        return corrupt("Row " + std::to_string(r + 1) + ", field '" + data.fields[f].name +
                       "': blank code " + std::to_string(c.blank) + " is not 0, 1 or 2");
      }
      if (c.blank == kValue && data.fields[f].varying() &&
          (c.data > data.heap.size() || data.heap.size() - c.data < c.len)) {
        return corrupt("Row " + std::to_string(r + 1) + ", field '" + data.fields[f].name +
                       "': value lies outside the table's bytes");
      }
    }
  }

  auto bad = [&](const std::string& why) {
    *error = "Invalid change log: " + why;
    return kDBBadChangeLog;
  };
  const std::vector<uint32_t>& log = data.change_log;
  if (log.size() % 3 != 0) {
    return bad("it holds " + std::to_string(log.size()) + " numbers, not a multiple of three");
  }
  replaces->assign(n, 0);
  std::vector<uint32_t> replaced_by(n, 0);
  std::vector<uint8_t> logged(n, 0);  // kinds of change logged per row
  for (size_t i = 0; i < log.size() / 3; ++i) {
    const uint32_t r = log[3 * i], o = log[3 * i + 1], kind = log[3 * i + 2];
    const std::string where = Triple(i, r, o, kind);
    if (r == 0 || r > n) {
      return bad(where + ": record " + std::to_string(r) + " is not a row of the table's " +
                 std::to_string(n));
    }
    const uint8_t st = data.status[r - 1];
    switch (kind) {
      case kChangeInserted:
        if (o != 0) return bad(where + ": an insert replaces no record");
        if (!(st & kRowInserted))
          return bad(where + ": row " + std::to_string(r) + " is not marked inserted");
        if (logged[r - 1] & kRowInserted)
          return bad(where + ": row " + std::to_string(r) + " is inserted twice");
        break;
      case kChangeDeleted:
        if (o != 0) return bad(where + ": a delete replaces no record");
        if (!(st & kRowDeleted))
          return bad(where + ": row " + std::to_string(r) + " is not marked deleted");
        if (st & kRowReplaced)
          return bad(where + ": row " + std::to_string(r) + " is an older version");
        if (logged[r - 1] & kRowDeleted)
          return bad(where + ": row " + std::to_string(r) + " is deleted twice");
        break;
      case kChangeModified:
        if (o == 0 || o > n) {
          return bad(where + ": replaced record " + std::to_string(o) +
                     " is not a row of the table's " + std::to_string(n));
        }
        if (o >= r)
          return bad(where + ": row " + std::to_string(r) + " does not replace an older row");
        if (!(st & kRowModified))
          return bad(where + ": row " + std::to_string(r) + " is not marked modified");
        if ((*replaces)[r - 1] != 0)
          return bad(where + ": row " + std::to_string(r) + " replaces two rows");
        if (replaced_by[o - 1] != 0)
          return bad(where + ": row " + std::to_string(o) + " is replaced twice");
        if (!(data.status[o - 1] & kRowReplaced)) {
          return bad(where + ": row " + std::to_string(o) + " is replaced but not marked replaced");
        }
        if (data.status[o - 1] & kRowDeleted) {
          return bad(where + ": row " + std::to_string(o) + " is deleted and cannot be replaced");
        }
        (*replaces)[r - 1] = o;
        replaced_by[o - 1] = r;
        break;
      default:
        return bad(where + ": kind " + std::to_string(kind) + " is not 2, 4 or 8");
    }
    logged[r - 1] |= uint8_t(kind);
  }
  for (size_t r = 0; r < n; ++r) {
    if ((data.status[r] & kRowReplaced) && replaced_by[r] == 0) {
      return bad("row " + std::to_string(r + 1) + " is marked replaced but no change replaces it");
    }
    if ((*replaces)[r] == 0) {
      for (size_t f = 0; f < nf; ++f) {
        if (data.cell(r, f).blank == kUnchanged) {
          return bad("row " + std::to_string(r + 1) + ", field '" + data.fields[f].name +
                     "' is marked unchanged but the row replaces no other");
        }
      }
    }
  }
  return kDBOk;
}

DataObject::DataObject() {
  // A search must not wait for a word index: the table's are built aside.
  filter_cache_.BuildInBackground(true);
}

DataObject::~DataObject() {
  SettleOrders();
  filter_cache_.StopBuilding();
  for (Cursor* c : cursors_) c->OnBaseGone();
}

void DataObject::SettleOrders() {
  for (auto& o : orders_) o->Settle();
}

DBResult DataObject::Fail(DBResult code, std::string text) {
  errors_[code] = std::move(text);
  return code;
}

DBResult DataObject::CheckLoaded() {
  return loaded_ ? kDBOk : Fail(kDBNoData, "No data packet has been loaded");
}

DBResult DataObject::AppendData(std::span<const uint8_t> packet) {
  TableData data;
  std::string error;
  DBResult r = ReadPacket(packet, &data, &error);
  if (r != kDBOk) return Fail(r, error.empty() ? DefaultErrorText(r) : error);
  return Load(std::move(data));
}

template <typename Bytes>
DBResult DataObject::AppendOwned(Bytes* packet) {
  TableData data;
  std::string error;
  DBResult r = ReadOwnedPacket(packet, &data, &error);
  if (r != kDBOk) return Fail(r, error.empty() ? DefaultErrorText(r) : error);
  const bool taken = packet->empty() && !data.heap.empty();
  const size_t taken_size = data.heap.size();
  r = LoadFrom(&data);
  // A refused table hands the packet's bytes back, unchanged: only read.
  if (r != kDBOk && taken) {
    if constexpr (std::is_same_v<Bytes, std::string>) {
      *packet = data.heap.ReleaseText();
    } else {
      *packet = data.heap.Release();
    }
  }
  // Only a vector comes back through ReturnOwnedData.
  if (r == kDBOk)
    owned_packet_size_ = taken && !std::is_same_v<Bytes, std::string> ? taken_size : 0;
  return r;
}

DBResult DataObject::AppendOwnedData(std::vector<uint8_t>* packet) { return AppendOwned(packet); }

DBResult DataObject::AppendOwnedData(std::string* packet) { return AppendOwned(packet); }

DBResult DataObject::AppendConsumedData(std::string* packet) { return AppendConsumed(packet); }

DBResult DataObject::AppendConsumedData(std::vector<uint8_t>* packet) {
  return AppendConsumed(packet);
}

template <typename Bytes>
DBResult DataObject::AppendConsumed(Bytes* packet) {
  TableData data;
  std::string error;
  DBResult r = ReadConsumedPacket(packet, &data, &error);
  if (r != kDBOk) return Fail(r, error.empty() ? DefaultErrorText(r) : error);
  r = LoadFrom(&data);
  // Nothing is handed back: a string-held packet never returns.
  if (r == kDBOk) owned_packet_size_ = 0;
  return r;
}

DBResult DataObject::AppendMappedData(std::unique_ptr<platform::MappedFile>* packet) {
  TableData data;
  std::string error;
  // A refused packet is not adopted (ReadMappedPacket), and a table that
  // fails its checks gives its mapping back.
  DBResult r = ReadMappedPacket(packet, &data, &error);
  if (r != kDBOk) return Fail(r, error.empty() ? DefaultErrorText(r) : error);
  r = LoadFrom(&data);
  if (r == kDBOk) {
    owned_packet_size_ = 0;
  } else {
    *packet = data.heap.ReleaseMapping();
  }
  return r;
}

DBResult DataObject::ReturnOwnedData(std::vector<uint8_t>* packet) {
  // The heap is still exactly the packet while nothing was appended to it.
  if (!loaded_ || owned_packet_size_ == 0 || data_.heap.size() != owned_packet_size_ ||
      data_.change_log.size() != loaded_log_size_) {
    return Fail(kDBNoData, "The data holds no packet to give back");
  }
  SettleOrders();
  filter_cache_.Reset();
  *packet = data_.heap.Release();
  for (Cursor* c : cursors_) c->OnBaseGone();
  cursors_.clear();
  data_ = TableData{};
  orders_.clear();
  replaces_.clear();
  root_.clear();
  current_of_root_.clear();
  current_rows_ = RowSet();
  owned_packet_size_ = 0;
  loaded_ = false;
  return kDBOk;
}

DBResult DataObject::Load(TableData data) { return LoadFrom(&data); }

DBResult DataObject::LoadFrom(TableData* in) {
  TableData& data = *in;
  std::vector<uint32_t> replaces;
  std::string error;
  DBResult r = CheckTable(data, &replaces, &error);
  if (r != kDBOk) return Fail(r, error);

  const size_t n = data.row_count();
  std::vector<uint32_t> root(n), current_of_root(n, kNoRow), current;
  current.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    root[i] = replaces[i] != 0 ? root[replaces[i] - 1] : uint32_t(i);
    if ((data.status[i] & (kRowReplaced | kRowDeleted)) == 0) {
      current_of_root[root[i]] = uint32_t(i);
      current.push_back(uint32_t(i));
    }
  }
  SettleOrders();
  data_ = std::move(data);
  filter_cache_.Reset();
  replaces_ = std::move(replaces);
  root_ = std::move(root);
  current_of_root_ = std::move(current_of_root);
  current_rows_ = RowSet(n);
  current_rows_.SetRows(current);
  loaded_log_size_ = data_.change_log.size();
  owned_packet_size_ = 0;
  loaded_ = true;

  orders_.clear();
  IndexDesc def;
  def.name = kDefaultOrderName;
  orders_.push_back(std::make_unique<Order>(def, data_));
  orders_.front()->Build(source(), std::move(current));
  for (Cursor* c : cursors_) c->OnReload();
  return kDBOk;
}

DBResult LoadTableData(IDSBase* base, TableData data) {
  auto* object = dynamic_cast<DataObject*>(base);
  assert(object != nullptr);
  if (object == nullptr) return kDBBadArgument;
  return object->Load(std::move(data));
}

DBResult DataObject::GetFieldDescs(std::vector<FieldDesc>* out) {
  if (DBResult r = CheckLoaded()) return r;
  out->clear();
  for (size_t i = 0; i < data_.fields.size(); ++i) {
    const FieldDef& f = data_.fields[i];
    FieldDesc d;
    d.name = f.name;
    d.number = uint16_t(i + 1);
    d.type = f.type;
    d.size = f.size;
    d.attrs = f.attrs;
    d.width = FieldWidth(f);
    d.memo = FieldIsMemo(f);
    out->push_back(std::move(d));
  }
  return kDBOk;
}

DBResult DataObject::GetParam(std::string_view name, ParamValue* out) {
  if (DBResult r = CheckLoaded()) return r;
  for (const Param& p : data_.params) {
    if (SameNameNoCase(p.name, name)) {
      *out = ParamValue{p.type, p.size, p.raw};
      return kDBOk;
    }
  }
  if (SameNameNoCase(name, "CHANGE_LOG") &&
      (data_.change_log_param_pos >= 0 || !data_.change_log.empty())) {
    // The log lives apart from the parameters; present it as the packet holds
    // it: an array of 4-byte unsigned numbers.
    out->type = kTypeArray | kBaseUInt;
    out->size = 4;
    out->raw.clear();
    coding::PutFixed32(&out->raw, uint32_t(data_.change_log.size()));
    for (uint32_t v : data_.change_log) coding::PutFixed32(&out->raw, v);
    return kDBOk;
  }
  return Fail(kDBNoSuchParam, "Parameter '" + std::string(name) + "' not found");
}

DBResult DataObject::HasChanges(bool* changed) {
  if (DBResult r = CheckLoaded()) return r;
  *changed = data_.change_log.size() != loaded_log_size_;
  return kDBOk;
}

DBResult DataObject::StreamData(PacketForm form, std::string* packet) {
  if (DBResult r = CheckLoaded()) return r;
  std::string error;
  DBResult r = WritePacket(data_, form, packet, &error);
  if (r != kDBOk) return Fail(r, error.empty() ? DefaultErrorText(r) : error);
  return kDBOk;
}

DBResult DataObject::PrepareWordSearch(uint16_t field_no) {
  if (DBResult r = CheckLoaded()) return r;
  if (field_no == 0 || field_no > data_.field_count()) {
    return Fail(kDBBadArgument, "Field number " + std::to_string(field_no) + " does not exist");
  }
  filter_cache_.Follow(data_).PrepareWords(data_, field_no - 1);
  return kDBOk;
}

DBResult DataObject::CreateIndex(const IndexDesc& desc) {
  if (DBResult r = CheckLoaded()) return r;
  std::string error;
  if (DBResult r = Order::CheckIndexDesc(desc, data_, &error)) return Fail(r, error);
  if (FindOrder(desc.name) != nullptr) {
    return Fail(kDBDuplicateIndex, "Index '" + desc.name + "' already exists");
  }
  auto order = std::make_unique<Order>(desc, data_);
  // A large table's order sorts aside: a window shows its first rows
  // before the sort has ended.
  order->BuildAside(source(), default_order()->rows(), sort_aside_rows_);
  if (order->unique()) {
    const std::vector<uint32_t>& rows = order->rows();
    for (size_t i = 1; i < rows.size(); ++i) {
      if (order->CompareKeys(source(), rows[i - 1], rows[i]) == 0) {
        return Fail(kDBKeyViolation, "Cannot create unique index '" + desc.name + "': rows " +
                                         std::to_string(rows[i - 1] + 1) + " and " +
                                         std::to_string(rows[i] + 1) + " have the same key");
      }
    }
  }
  orders_.push_back(std::move(order));
  return kDBOk;
}

DBResult DataObject::GetErrorString(DBResult code, std::string* text) {
  auto it = errors_.find(code);
  *text = it != errors_.end() ? it->second : DefaultErrorText(code);
  return kDBOk;
}

uint32_t DataObject::CurrentRowOf(uint32_t record) const {
  if (record >= root_.size() || root_[record] != record) return kNoRow;
  return current_of_root_[record];
}

Order* DataObject::FindOrder(std::string_view name) {
  for (auto& o : orders_) {
    if (SameNameNoCase(o->name(), name)) return o.get();
  }
  return nullptr;
}

void DataObject::ReadRow(uint32_t row, RecordBuffer* buf) const {
  assert(row < data_.row_count());
  const size_t nf = data_.field_count();
  buf->values.resize(nf);
  for (size_t f = 0; f < nf; ++f) {
    buf->values[f] = CellToValue(data_, data_.fields[f], ResolvedCell(data_, replaces_, row, f));
  }
}

DBResult DataObject::CheckBuffer(const RecordBuffer& buf) {
  if (buf.values.size() != data_.field_count()) {
    return Fail(kDBBadArgument, "The record buffer holds " + std::to_string(buf.values.size()) +
                                    " values for " + std::to_string(data_.field_count()) +
                                    " fields");
  }
  for (size_t f = 0; f < buf.values.size(); ++f) {
    std::string error;
    if (DBResult r = CheckValue(data_.fields[f], buf.values[f], &error)) return Fail(r, error);
  }
  return kDBOk;
}

DBResult DataObject::AppendRow(const RecordBuffer& buf, uint8_t status, uint32_t base_row,
                               uint32_t* row) {
  const size_t n = data_.row_count();
  if (n + 1 >= kNoRow) return Fail(kDBBadArgument, "The table cannot hold more rows");
  // The rows are about to grow: a word-index build reading them ends first,
  // and a sort reading them finishes.
  SettleOrders();
  filter_cache_.StopBuilding();
  const size_t heap_mark = data_.heap.size();
  const size_t nf = data_.field_count();
  const uint32_t q = uint32_t(n);
  for (size_t f = 0; f < nf; ++f) {
    const FieldDef& def = data_.fields[f];
    const FieldValue& v = buf.values[f];
    // A memo left as it was is not written again: the new version points
    // back to the old one for it.
    if (base_row != kNoRow && def.varying() && def.base() == kBaseBytes &&
        CellEquals(data_, def, ResolvedCell(data_, replaces_, base_row, f), v)) {
      Cell c;
      c.blank = kUnchanged;
      data_.cells.push_back(c);
    } else {
      data_.cells.push_back(ValueToCell(&data_, def, v));
    }
  }
  data_.status.push_back(status);
  replaces_.push_back(base_row == kNoRow ? 0 : base_row + 1);

  for (auto& o : orders_) {
    if (!o->unique() || !o->has_keys()) continue;
    size_t clash = o->FindEqualKey(source(), q, base_row);
    if (clash != Order::kNotFound) {
      uint32_t other = o->rows()[clash];
      data_.status.pop_back();
      replaces_.pop_back();
      data_.cells.resize(n * nf);
      data_.heap.resize(heap_mark);
      // The row is gone again; whatever a filter cache made of the table's
      // end must not be trusted.
      filter_cache_.Reset();
      return Fail(kDBKeyViolation, "Key violation: index '" + o->name() +
                                       "' already holds that key (record of row " +
                                       std::to_string(other + 1) + ")");
    }
  }
  root_.push_back(base_row == kNoRow ? q : root_[base_row]);
  current_of_root_.push_back(kNoRow);
  *row = q;
  return kDBOk;
}

void DataObject::ApplyToOrders(uint32_t removed, uint32_t added, const Cursor* origin) {
  RowChange change;
  change.removed = removed;
  change.added = added;
  change.origin = origin;
  change.at.reserve(orders_.size());
  for (auto& o : orders_) {
    RowChange::At at;
    at.order = o.get();
    if (removed != kNoRow && added != kNoRow) {
      o->Replace(source(), removed, added, &at.erased, &at.inserted);
    } else if (removed != kNoRow) {
      at.erased = o->Erase(source(), removed);
    } else if (added != kNoRow) {
      at.inserted = o->Insert(source(), added);
    }
    change.at.push_back(at);
  }
  for (Cursor* c : cursors_) c->OnChange(change);
}

DBResult DataObject::Insert(const RecordBuffer& buf, const Cursor* origin, uint32_t* new_row) {
  if (DBResult r = CheckLoaded()) return r;
  if (DBResult r = CheckBuffer(buf)) return r;
  uint32_t q;
  if (DBResult r = AppendRow(buf, kRowInserted, kNoRow, &q)) return r;
  current_of_root_[q] = q;
  current_rows_.Resize(data_.row_count());
  current_rows_.Set(q);
  data_.change_log.insert(data_.change_log.end(), {q + 1, 0, kChangeInserted});
  ApplyToOrders(kNoRow, q, origin);
  *new_row = q;
  return kDBOk;
}

DBResult DataObject::Modify(uint32_t row, const RecordBuffer& buf, const Cursor* origin,
                            uint32_t* new_row) {
  if (DBResult r = CheckLoaded()) return r;
  if (row >= data_.row_count() || (data_.status[row] & (kRowReplaced | kRowDeleted))) {
    return Fail(kDBNoCurrentRecord, "Row " + std::to_string(row + 1) + " is not a current record");
  }
  if (DBResult r = CheckBuffer(buf)) return r;
  uint32_t q;
  uint8_t status = uint8_t((data_.status[row] & kRowInserted) | kRowModified);
  if (DBResult r = AppendRow(buf, status, row, &q)) return r;
  data_.status[row] |= kRowReplaced;
  current_of_root_[root_[q]] = q;
  current_rows_.Resize(data_.row_count());
  current_rows_.Clear(row);
  current_rows_.Set(q);
  data_.change_log.insert(data_.change_log.end(), {q + 1, row + 1, kChangeModified});
  ApplyToOrders(row, q, origin);
  *new_row = q;
  return kDBOk;
}

DBResult DataObject::Delete(uint32_t row, const Cursor* origin) {
  if (DBResult r = CheckLoaded()) return r;
  if (row >= data_.row_count() || (data_.status[row] & (kRowReplaced | kRowDeleted))) {
    return Fail(kDBNoCurrentRecord, "Row " + std::to_string(row + 1) + " is not a current record");
  }
  SettleOrders();
  data_.status[row] |= kRowDeleted;
  current_of_root_[root_[row]] = kNoRow;
  current_rows_.Clear(row);
  data_.change_log.insert(data_.change_log.end(), {row + 1, 0, kChangeDeleted});
  ApplyToOrders(row, kNoRow, origin);
  return kDBOk;
}

void DataObject::Attach(Cursor* cursor) {
  if (std::find(cursors_.begin(), cursors_.end(), cursor) == cursors_.end())
    cursors_.push_back(cursor);
}

void DataObject::Detach(Cursor* cursor) {
  cursors_.erase(std::remove(cursors_.begin(), cursors_.end(), cursor), cursors_.end());
  // Word indexes serve the cursors' searches: with the last cursor gone (the
  // table closed), a build in progress ends.
  if (cursors_.empty()) filter_cache_.StopBuilding();
}

std::unique_ptr<IDSBase> CreateDSBase() { return std::make_unique<DataObject>(); }

}  // namespace engine
