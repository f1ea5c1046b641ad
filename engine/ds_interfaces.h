// The engine's two objects as the article store sees them: the data object
// (IDSBase) that holds a whole table with its orders and change history, and a
// cursor (IDSCursor) that presents it in one order, through its filters.
//
// Every operation returns a status code (engine/status.h). On failure the data
// object remembers a text for the code; GetErrorString returns it.
//
// Record numbers, sequence numbers and field numbers count from 1.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/collation.h"
#include "engine/packet_codec.h"
#include "engine/status.h"

namespace engine {

// What the engine reports about a field.
struct FieldDesc {
  std::string name;
  uint16_t number = 0;  // 1-based position in the packet
  uint16_t type = 0;    // type code of the packet (base type and flags)
  uint16_t size = 0;    // fixed: value width; varying: length-prefix width
  uint16_t attrs = 0;   // attribute flags
  uint32_t width = 0;   // WIDTH parameter (maximum characters) or 0
  bool memo = false;    // SUBTYPE "Text"
};

// A table parameter: its type code, element size and raw value (see Param).
struct ParamValue {
  uint16_t type = 0;
  uint16_t size = 0;
  std::string raw;
};

struct IndexDesc {
  std::string name;
  std::vector<uint16_t> fields;        // field numbers, 1-based, major key first
  std::vector<bool> descending;        // per key field; missing entries are false
  std::vector<bool> case_insensitive;  // per key field; missing entries are false
  bool unique = false;
  Collation collation = Collation::kBinary;  // how string keys compare
};

// One field value in a record buffer.
struct FieldValue {
  enum class Kind : uint8_t { kNull, kInt, kFloat, kBytes };
  Kind kind = Kind::kNull;
  int64_t i = 0;      // integers, booleans, dates, times
  double f = 0;       // floats and date-times
  std::string bytes;  // strings and memos
};

// A record as the table holds it between the engine and its fields: one value
// per field, in field order.
struct RecordBuffer {
  std::vector<FieldValue> values;
};

// A bookmark names a record and survives changes of order and filter and the
// record's own modification.
using Bookmark = uint32_t;
using FilterHandle = uint32_t;

struct CursorProps {
  uint32_t field_count = 0;
  uint32_t bookmark_size = sizeof(Bookmark);
  bool read_only = false;
};

class IDSBase {
 public:
  virtual ~IDSBase() = default;

  // Loads a packet (either form) as complete data, replacing what was held.
  virtual DBResult AppendData(std::span<const uint8_t> packet) = 0;
  // AppendData for a packet the caller gives up: on success the engine may
  // have taken its bytes (*packet is then empty); on failure *packet keeps
  // them.
  virtual DBResult AppendOwnedData(std::vector<uint8_t>* packet) = 0;
  virtual DBResult AppendOwnedData(std::string* packet) = 0;
  // Undoes a successful AppendOwnedData that took the packet's bytes, while
  // nothing has changed since: the bytes go back to *packet as they were, and
  // the data object is left without data. kDBNoData when it holds no taken
  // packet.
  virtual DBResult ReturnOwnedData(std::vector<uint8_t>* packet) = 0;
  // AppendOwnedData for a packet the caller will not use again whatever the
  // outcome (a tool that only reads the data once): the engine may take the
  // bytes of either form and change them while reading, so that no second
  // copy of the packet is held. On failure *packet is left unspecified.
  virtual DBResult AppendConsumedData(std::string* packet) = 0;
  virtual DBResult AppendConsumedData(std::vector<uint8_t>* packet) = 0;
  // AppendConsumedData for a data file mapped where it stands: the engine
  // takes the mapping and reads a binary packet's values in it. On failure
  // *packet holds the mapping again, unchanged, so that the caller decides
  // when its bytes go (someone else may still be reading them).
  virtual DBResult AppendMappedData(std::unique_ptr<platform::MappedFile>* packet) = 0;
  virtual DBResult GetFieldDescs(std::vector<FieldDesc>* out) = 0;
  // kDBNoSuchParam when the packet has no parameter of that name (matched
  // without regard to case).
  virtual DBResult GetParam(std::string_view name, ParamValue* out) = 0;
  // True when records were inserted, modified or deleted since loading.
  virtual DBResult HasChanges(bool* changed) = 0;
  // The whole data, history included, as one packet.
  virtual DBResult StreamData(PacketForm form, std::string* packet) = 0;
  virtual DBResult CreateIndex(const IndexDesc& desc) = 0;
  // Starts building, away from the caller's thread, the word index that a
  // LIKE on field `field_no` (1-based) uses, so that the first search need
  // not scan; searches scan until it is ready. kDBOk too when the field has
  // no word index or has one already; kDBBadArgument for no such field.
  virtual DBResult PrepareWordSearch(uint16_t field_no) = 0;
  // The text of the last failure reported with `code`, or a generic one.
  virtual DBResult GetErrorString(DBResult code, std::string* text) = 0;
};

class IDSCursor {
 public:
  virtual ~IDSCursor() = default;

  // Opens the cursor on loaded data, in packet order, before the first record.
  virtual DBResult InitCursor(IDSBase* base) = 0;
  virtual DBResult GetCursorProps(CursorProps* props) = 0;

  // Orders. The cursor stays on its record. kDBNoSuchIndex for an unknown name.
  virtual DBResult UseIndexOrder(std::string_view name) = 0;

  // Moving. GetNext/GetPrior step and then read into `buf` (which may be null);
  // they return kDBEof / kDBBof when they run off the view.
  virtual DBResult MoveToBOF() = 0;
  virtual DBResult MoveToEOF() = 0;
  virtual DBResult GetNextRecord(RecordBuffer* buf) = 0;
  virtual DBResult GetPriorRecord(RecordBuffer* buf) = 0;
  virtual DBResult GetCurrentRecord(RecordBuffer* buf) = 0;
  virtual DBResult GetCurrentBookmark(Bookmark* bookmark) = 0;
  virtual DBResult MoveToBookmark(Bookmark bookmark) = 0;

  // The view (order and filters): its size and the current record's 1-based
  // position in it; moving to a position. Neither walks the view.
  virtual DBResult GetRecordCount(uint32_t* count) = 0;
  virtual DBResult GetSequenceNumber(uint32_t* seq) = 0;
  virtual DBResult MoveToSeqNo(uint32_t seq) = 0;

  // Record buffers.
  virtual DBResult InitRecord(RecordBuffer* buf) = 0;  // every field null
  virtual DBResult GetField(const RecordBuffer& buf, uint16_t field_no, FieldValue* out) = 0;
  // Checks that a value fits the field (type, WIDTH, integer range).
  virtual DBResult VerifyField(uint16_t field_no, const FieldValue& value) = 0;
  virtual DBResult PutField(RecordBuffer* buf, uint16_t field_no, const FieldValue& value) = 0;
  virtual DBResult GetBlobLen(const RecordBuffer& buf, uint16_t field_no, uint32_t* len) = 0;
  virtual DBResult GetBlob(const RecordBuffer& buf, uint16_t field_no, uint32_t offset,
                           uint32_t length, std::string* out) = 0;
  virtual DBResult PutBlob(RecordBuffer* buf, uint16_t field_no, uint32_t offset,
                           std::string_view bytes) = 0;

  // Changes. Every order is kept current; the cursor ends on the inserted or
  // modified record (when it passes the filters), and after a delete on the
  // record that followed, or the one before when none follows.
  virtual DBResult InsertRecord(const RecordBuffer& buf) = 0;
  virtual DBResult ModifyRecord(const RecordBuffer& buf) = 0;
  virtual DBResult DeleteRecord() = 0;

  // Filters: a compiled block (see the filter compiler); moves skip the
  // records that any installed filter rejects.
  virtual DBResult AddFilter(std::span<const uint8_t> block, FilterHandle* handle) = 0;
  virtual DBResult DropFilter(FilterHandle handle) = 0;
  // Puts the filter of `block` in the place of filter `handle` and evaluates
  // the view once, where AddFilter and then DropFilter would evaluate it
  // twice. On failure (a block that does not decode, no such handle) the
  // filters and the view stay as they were.
  virtual DBResult ReplaceFilter(FilterHandle handle, std::span<const uint8_t> block,
                                 FilterHandle* new_handle) = 0;
};

// The class factory.
std::unique_ptr<IDSBase> CreateDSBase();
std::unique_ptr<IDSCursor> CreateDSCursor();

}  // namespace engine
