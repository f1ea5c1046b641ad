// The in-memory form of a whole data packet: field descriptors, table
// parameters, every row version with its status and blank codes, and the
// change log.
//
// Both packet readers fill a TableData and both writers read one; the data
// object (IDSBase) owns one and edits it in place. The layout is chosen for
// speed at a million rows: cells live in one flat array (row-major, one cell
// per field), and the bytes of every varying value live in one append-only
// heap, so loading copies bytes at most once and scanning a memo field walks
// memory in order. A binary packet's own bytes can become the heap, its
// values used where they stand, so that loading copies none; a mapped data
// file's bytes likewise, so that loading does not even read it.
//
// Invariants:
//   cells.size() == status.size() * fields.size()
//   a cell with blank == kValue and a varying field type points inside heap
//   change_log.size() % 3 == 0, record numbers in it count rows from 1
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mapped_file.h"

namespace engine {

// Type codes: the low six bits are the base type, 0x40 marks a varying-length
// value (a length prefix of `size` bytes, then the bytes), 0x80 an array.
inline constexpr uint16_t kTypeBaseMask = 0x3F;
inline constexpr uint16_t kTypeVarying = 0x40;
inline constexpr uint16_t kTypeArray = 0x80;

inline constexpr uint16_t kBaseInt = 1;       // signed integer of size 1, 2, 4 or 8
inline constexpr uint16_t kBaseUInt = 2;      // unsigned integer of size 1, 2 or 4
inline constexpr uint16_t kBaseBool = 3;      // size 2, zero is false
inline constexpr uint16_t kBaseFloat = 4;     // IEEE double, size 8
inline constexpr uint16_t kBaseDate = 6;      // days, signed 32-bit
inline constexpr uint16_t kBaseTime = 7;      // milliseconds since midnight, signed 32-bit
inline constexpr uint16_t kBaseDateTime = 8;  // IEEE double
inline constexpr uint16_t kBaseString = 9;    // 8-bit text
inline constexpr uint16_t kBaseBytes = 11;    // byte block (memo text with SUBTYPE "Text")

// Row status bits.
inline constexpr uint8_t kRowReplaced = 1;  // an older version that a later row replaces
inline constexpr uint8_t kRowDeleted = 2;
inline constexpr uint8_t kRowInserted = 4;
inline constexpr uint8_t kRowModified = 8;

// Kinds of change in the change log.
inline constexpr uint32_t kChangeInserted = 4;
inline constexpr uint32_t kChangeModified = 8;
inline constexpr uint32_t kChangeDeleted = 2;

// Blank codes of a cell.
inline constexpr uint8_t kValue = 0;
inline constexpr uint8_t kNull = 1;
inline constexpr uint8_t kUnchanged = 2;  // value is that of the version this row replaces

// A parameter of a field or of the table. `raw` holds the value exactly as the
// binary form stores it after the size and type words: a fixed-size value of
// `size` bytes; a varying value as its length prefix of `size` bytes and the
// bytes; an array as a 4-byte element count and the elements.
struct Param {
  std::string name;
  uint16_t size = 0;
  uint16_t type = 0;
  std::string raw;
};

struct FieldDef {
  std::string name;
  uint16_t size = 0;  // fixed: width in bytes; varying: width of the length prefix
  uint16_t type = 0;  // type code
  uint16_t attrs = 0;
  std::vector<Param> params;

  bool varying() const { return (type & kTypeVarying) != 0; }
  uint16_t base() const { return type & kTypeBaseMask; }
};

// The bytes of varying values: append-only while the table lives. It may
// begin as a whole packet taken over from a reader (Adopt), whose bytes
// between the values are then simply never pointed at: read into a buffer,
// or a data file mapped where it stands (platform/mapped_file.h), whose
// appended bytes go to the room after the file until it runs out; then the
// bytes are copied into a buffer of their own, at the same offsets.
class ByteHeap {
 public:
  size_t size() const { return mapped_ ? mapped_->size() : text_ ? text_->size() : bytes_.size(); }
  size_t capacity() const {
    return mapped_ ? mapped_->capacity() : text_ ? text_->capacity() : bytes_.capacity();
  }
  bool empty() const { return size() == 0; }
  const char* data() const {
    return mapped_ ? reinterpret_cast<const char*>(mapped_->data())
           : text_ ? text_->data()
                   : reinterpret_cast<const char*>(bytes_.data());
  }
  char* data() {
    return mapped_ ? reinterpret_cast<char*>(mapped_->data())
           : text_ ? text_->data()
                   : reinterpret_cast<char*>(bytes_.data());
  }
  void reserve(size_t n) {
    if (mapped_ && n > mapped_->capacity()) Detach(n);
    if (mapped_) return;
    text_ ? text_->reserve(n) : bytes_.reserve(n);
  }
  void resize(size_t n) {
    if (mapped_) {
      const size_t old = mapped_->size();
      if (mapped_->Resize(n)) {
        if (n > old) std::memset(mapped_->data() + old, 0, n - old);
        return;
      }
      Detach(n);
    }
    text_ ? text_->resize(n) : bytes_.resize(n);
  }
  void clear() {
    mapped_.reset();
    text_ ? text_->clear() : bytes_.clear();
  }
  void append(const char* p, size_t n) {
    if (mapped_) {
      const size_t old = mapped_->size();
      if (mapped_->Resize(old + n)) {
        if (n != 0) std::memcpy(mapped_->data() + old, p, n);
        return;
      }
      Detach(old + n);
    }
    if (text_) {
      text_->append(p, n);
      return;
    }
    const auto* b = reinterpret_cast<const uint8_t*>(p);
    bytes_.insert(bytes_.end(), b, b + n);
  }
  void append(std::string_view s) { append(s.data(), s.size()); }
  ByteHeap& operator+=(std::string_view s) {
    append(s);
    return *this;
  }
  operator std::string_view() const { return std::string_view(data(), size()); }

  // Becomes `bytes`, without copying them (a packet read into either kind
  // of buffer, or mapped).
  void Adopt(std::vector<uint8_t>&& bytes) {
    text_.reset();
    mapped_.reset();
    bytes_ = std::move(bytes);
  }
  void Adopt(std::string&& bytes) {
    bytes_ = std::vector<uint8_t>();
    mapped_.reset();
    text_ = std::make_unique<std::string>(std::move(bytes));
  }
  void Adopt(std::unique_ptr<platform::MappedFile>&& mapping) {
    bytes_ = std::vector<uint8_t>();
    text_.reset();
    mapped_ = std::move(mapping);
  }
  // Gives the bytes away, in the kind of buffer they came in (a mapping's
  // as a copy), and is left empty. REQUIRES (for the string): adopted from
  // a string.
  std::vector<uint8_t> Release() {
    if (mapped_) Detach(mapped_->size());
    return std::move(bytes_);
  }
  // The adopted mapping back, as it was adopted, or null; the heap is left
  // empty.
  std::unique_ptr<platform::MappedFile> ReleaseMapping() {
    bytes_ = std::vector<uint8_t>();
    text_.reset();
    return std::move(mapped_);
  }
  std::string ReleaseText() {
    std::string out = text_ ? std::move(*text_) : std::string();
    text_.reset();
    return out;
  }
  ByteHeap() = default;
  ByteHeap(const ByteHeap& o)
      : bytes_(o.mapped_
                   ? std::vector<uint8_t>(o.mapped_->data(), o.mapped_->data() + o.mapped_->size())
                   : o.bytes_),
        text_(o.text_ ? std::make_unique<std::string>(*o.text_) : nullptr) {}
  ByteHeap& operator=(const ByteHeap& o) {
    if (this != &o) *this = ByteHeap(o);
    return *this;
  }
  ByteHeap(ByteHeap&&) noexcept = default;
  ByteHeap& operator=(ByteHeap&&) noexcept = default;

 private:
  // The mapping's bytes into bytes_, with room for `needed`.
  void Detach(size_t needed) {
    std::vector<uint8_t> copy;
    copy.reserve(std::max(needed, mapped_->size() + mapped_->size() / 2));
    copy.assign(mapped_->data(), mapped_->data() + mapped_->size());
    mapped_.reset();
    bytes_ = std::move(copy);
  }

  std::vector<uint8_t> bytes_;
  std::unique_ptr<std::string> text_;             // set when the bytes came as a string
  std::unique_ptr<platform::MappedFile> mapped_;  // set when they are a mapped file's
};

struct Cell {
  uint64_t data = 0;  // fixed-size: the value's bits (sign-extended integers); varying: heap offset
  uint32_t len = 0;   // varying: byte length
  uint8_t blank = kNull;
};

struct TableData {
  // Parts of the binary header that carry no meaning for the engine but must
  // survive a trip through the XML form: the words at offsets 4 and 18, bytes
  // between the 24-byte header and the field descriptors when the header
  // length says more, and bytes between the last parameter and the first row.
  uint32_t header_word1 = 1;
  uint32_t header_word2 = 3;
  std::string header_extra;
  std::string row_gap;

  std::vector<FieldDef> fields;
  // Table parameters in packet order, CHANGE_LOG excluded (it lives in
  // change_log). change_log_param_pos is CHANGE_LOG's position among the
  // parameters when the packet had one, or -1; writers put it back there.
  std::vector<Param> params;
  int change_log_param_pos = -1;
  std::vector<uint32_t> change_log;  // triples: record number, replaced record or 0, kind

  std::vector<uint8_t> status;  // one per row
  std::vector<Cell> cells;      // row-major
  ByteHeap heap;                // bytes of varying values

  size_t row_count() const { return status.size(); }
  size_t field_count() const { return fields.size(); }
  Cell& cell(size_t row, size_t field) { return cells[row * fields.size() + field]; }
  const Cell& cell(size_t row, size_t field) const { return cells[row * fields.size() + field]; }
  std::string_view bytes(const Cell& c) const {
    return std::string_view(heap).substr(c.data, c.len);
  }

  // Appends bytes to the heap and returns a cell that points at them.
  Cell AddBytes(std::string_view b) {
    Cell c;
    c.data = heap.size();
    c.len = static_cast<uint32_t>(b.size());
    c.blank = kValue;
    heap.append(b);
    return c;
  }
};

}  // namespace engine
