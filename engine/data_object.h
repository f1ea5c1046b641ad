// The data object: one whole table in memory (every row version, the change
// log), its named orders, and the edits that cursors make through it.
//
// Model (see docs/engine.md): rows are only ever appended; an edit appends a
// new version or sets status bits, and logs one change. A record is a chain of
// versions linked by replaces_ (replaces_[row] is the 1-based row it replaces,
// or 0); the chain's first row names the record (its bookmark), its last row is
// the record's current version unless that row is deleted.
//
// Must stay true: every order holds exactly the current rows; replaces_ only
// points to older rows and no row is replaced twice, so resolving "unchanged"
// cells always ends; cursors attached here hear about every change.
// Used by the cursor (engine/cursor.h) and, through IDSBase, by the store.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/ds_interfaces.h"
#include "engine/filter_cache.h"
#include "engine/order.h"
#include "engine/row_set.h"
#include "engine/table_data.h"

namespace engine {

class Cursor;

inline constexpr uint32_t kNoRow = 0xFFFFFFFF;

// What one edit did to the orders: the row that left them and the row that
// entered them (kNoRow when none), and for every order where they were and
// went, so cursors that present an order unfiltered need not search again.
struct RowChange {
  struct At {
    const Order* order = nullptr;
    size_t erased = Order::kNotFound;
    size_t inserted = Order::kNotFound;
  };
  uint32_t removed = kNoRow;
  uint32_t added = kNoRow;
  std::vector<At> at;
  const Cursor* origin = nullptr;
};

class DataObject final : public IDSBase {
 public:
  DataObject();
  ~DataObject() override;
  DataObject(const DataObject&) = delete;
  DataObject& operator=(const DataObject&) = delete;

  // Holds every order sorting aside while it lives (Order::Hold): a search
  // takes one for its scan.
  class OrdersHeld {
   public:
    explicit OrdersHeld(const DataObject& base) : base_(base) {
      for (const auto& o : base_.orders_) o->Hold();
    }
    ~OrdersHeld() {
      for (const auto& o : base_.orders_) o->Release();
    }
    OrdersHeld(const OrdersHeld&) = delete;
    OrdersHeld& operator=(const OrdersHeld&) = delete;

   private:
    const DataObject& base_;
  };

  // IDSBase.
  DBResult AppendData(std::span<const uint8_t> packet) override;
  DBResult AppendOwnedData(std::vector<uint8_t>* packet) override;
  DBResult AppendOwnedData(std::string* packet) override;
  DBResult ReturnOwnedData(std::vector<uint8_t>* packet) override;
  DBResult AppendConsumedData(std::string* packet) override;
  DBResult AppendConsumedData(std::vector<uint8_t>* packet) override;
  DBResult AppendMappedData(std::unique_ptr<platform::MappedFile>* packet) override;
  DBResult GetFieldDescs(std::vector<FieldDesc>* out) override;
  DBResult PrepareWordSearch(uint16_t field_no) override;
  DBResult GetParam(std::string_view name, ParamValue* out) override;
  DBResult HasChanges(bool* changed) override;
  DBResult StreamData(PacketForm form, std::string* packet) override;
  DBResult CreateIndex(const IndexDesc& desc) override;
  DBResult GetErrorString(DBResult code, std::string* text) override;

  // Checks a table (cells, change log, version chains) and makes it the data,
  // replacing what was held; on refusal the data held before stays.
  DBResult Load(TableData data);
  // Load that leaves *data as it was when it refuses it.
  DBResult LoadFrom(TableData* data);

 private:
  template <typename Bytes>
  DBResult AppendOwned(Bytes* packet);
  template <typename Bytes>
  DBResult AppendConsumed(Bytes* packet);

 public:
  bool loaded() const { return loaded_; }
  // The least rows whose orders sort aside (Order::BuildAside); tests lower it.
  void SetSortAsideRows(size_t rows) { sort_aside_rows_ = rows; }
  const TableData& data() const { return data_; }
  const std::vector<uint32_t>& replaces() const { return replaces_; }
  RowSource source() const { return RowSource{&data_, &replaces_}; }
  // What filters derived from the rows, kept for the next filter; the data
  // object resets it whenever it changes rows other than by appending.
  filter::ColumnCache& filter_cache() { return filter_cache_; }

  // The current rows (neither replaced nor deleted), over all rows: where
  // a cursor's first filter starts.
  const RowSet& current_rows() const { return current_rows_; }

  // Records: a record is named by its first version's row.
  uint32_t RecordOf(uint32_t row) const { return root_[row]; }
  // The current row of a record, or kNoRow when the record is deleted or
  // `record` names no record.
  uint32_t CurrentRowOf(uint32_t record) const;

  // Orders are matched by name without regard to case; DEFAULT_ORDER always
  // exists while data is loaded.
  Order* FindOrder(std::string_view name);
  Order* default_order() { return orders_.empty() ? nullptr : orders_.front().get(); }

  // Reads a row's resolved values into a record buffer.
  void ReadRow(uint32_t row, RecordBuffer* buf) const;

  // Edits. `row` is the current row of the record changed; `new_row` gets the
  // row that now holds the record. Every order and every attached cursor is
  // brought up to date before they return.
  DBResult Insert(const RecordBuffer& buf, const Cursor* origin, uint32_t* new_row);
  DBResult Modify(uint32_t row, const RecordBuffer& buf, const Cursor* origin, uint32_t* new_row);
  DBResult Delete(uint32_t row, const Cursor* origin);

  void Attach(Cursor* cursor);
  void Detach(Cursor* cursor);

  // Remembers `text` as the text of `code` and returns `code`.
  DBResult Fail(DBResult code, std::string text);

 private:
  DBResult CheckLoaded();
  DBResult CheckBuffer(const RecordBuffer& buf);
  // Appends a row built from `buf` (values relative to `base_row` when it is
  // not kNoRow); refuses a key that a unique order holds already, and then
  // leaves the table as it was.
  DBResult AppendRow(const RecordBuffer& buf, uint8_t status, uint32_t base_row, uint32_t* row);
  void ApplyToOrders(uint32_t removed, uint32_t added, const Cursor* origin);
  // Waits for every order sorting aside: they read the table and the
  // default order's rows, which must not change meanwhile.
  void SettleOrders();

  TableData data_;
  bool loaded_ = false;
  size_t loaded_log_size_ = 0;
  size_t owned_packet_size_ = 0;  // the heap began as a taken packet of this size
  std::vector<uint32_t> replaces_;
  filter::ColumnCache filter_cache_;
  std::vector<uint32_t> root_;             // per row: the record's first row
  std::vector<uint32_t> current_of_root_;  // per row (used at first rows): current row or kNoRow
  RowSet current_rows_;
  std::vector<std::unique_ptr<Order>> orders_;
  size_t sort_aside_rows_ = Order::kAsideRows;
  std::vector<Cursor*> cursors_;
  std::map<DBResult, std::string> errors_;
};

// Makes `data` the data of `base` (a data object from CreateDSBase) with the
// checks of a packet load; AppendData uses it after reading the packet.
DBResult LoadTableData(IDSBase* base, TableData data);

// The checks a load runs before taking a table (every cell's blank code and
// place, the change log against the rows' statuses); `replaces` gets the row
// each row replaces (1-based, 0 for none). Tools that read packets without
// loading them run it too, so they refuse what a load refuses.
DBResult CheckTable(const TableData& data, std::vector<uint32_t>* replaces, std::string* error);

}  // namespace engine
