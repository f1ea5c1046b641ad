// A cursor: one view of a data object (an order, narrowed by filters) with a
// position in it, record buffers, and the edits made through it.
//
// The view is the order's row list itself while no filter is installed, and a
// list of its own (a sorted subsequence of the order) otherwise; either way it
// is kept current by the data object's change notices, in O(log n) plus one
// move per change, and positions are plain indexes, so counting and moving to
// a position never walk the view.
//
// Must stay true: where_ == kOn implies pos_ < view().size(); own_view_ holds
// exactly the order's rows that pass every filter, in the order's sequence.
// Used by the store through IDSCursor.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/data_object.h"
#include "engine/ds_interfaces.h"
#include "engine/filter_program.h"

namespace engine {

class Cursor final : public IDSCursor {
 public:
  Cursor() = default;
  ~Cursor() override;
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  DBResult InitCursor(IDSBase* base) override;
  DBResult GetCursorProps(CursorProps* props) override;
  DBResult UseIndexOrder(std::string_view name) override;
  DBResult MoveToBOF() override;
  DBResult MoveToEOF() override;
  DBResult GetNextRecord(RecordBuffer* buf) override;
  DBResult GetPriorRecord(RecordBuffer* buf) override;
  DBResult GetCurrentRecord(RecordBuffer* buf) override;
  DBResult GetCurrentBookmark(Bookmark* bookmark) override;
  DBResult MoveToBookmark(Bookmark bookmark) override;
  // At the start of the view the sequence number is 0 and the result kDBBof;
  // past its end it is count + 1 and the result kDBEof. MoveToSeqNo(0) moves
  // to the start, a number past the count to the end, with the same codes.
  DBResult GetRecordCount(uint32_t* count) override;
  DBResult GetSequenceNumber(uint32_t* seq) override;
  DBResult MoveToSeqNo(uint32_t seq) override;
  DBResult InitRecord(RecordBuffer* buf) override;
  DBResult GetField(const RecordBuffer& buf, uint16_t field_no, FieldValue* out) override;
  DBResult VerifyField(uint16_t field_no, const FieldValue& value) override;
  DBResult PutField(RecordBuffer* buf, uint16_t field_no, const FieldValue& value) override;
  DBResult GetBlobLen(const RecordBuffer& buf, uint16_t field_no, uint32_t* len) override;
  // Reads at most `length` bytes from `offset`; an offset past the end reads
  // nothing.
  DBResult GetBlob(const RecordBuffer& buf, uint16_t field_no, uint32_t offset, uint32_t length,
                   std::string* out) override;
  // The blob becomes its first `offset` bytes followed by `bytes`; an offset
  // past its end is refused.
  DBResult PutBlob(RecordBuffer* buf, uint16_t field_no, uint32_t offset,
                   std::string_view bytes) override;
  DBResult InsertRecord(const RecordBuffer& buf) override;
  DBResult ModifyRecord(const RecordBuffer& buf) override;
  DBResult DeleteRecord() override;
  DBResult AddFilter(std::span<const uint8_t> block, FilterHandle* handle) override;
  DBResult DropFilter(FilterHandle handle) override;
  DBResult ReplaceFilter(FilterHandle handle, std::span<const uint8_t> block,
                         FilterHandle* new_handle) override;

  // Installs an already decoded filter; AddFilter uses it after decoding, and
  // tests use it to install filters of their own.
  DBResult AddFilterProgram(std::unique_ptr<FilterProgram> program, FilterHandle* handle);

  // Notices from the data object.
  void OnChange(const RowChange& change);
  void OnReload();    // the data was replaced: back to packet order, no filters
  void OnBaseGone();  // the data object is being destroyed

 private:
  enum class Where { kBof, kOn, kEof };
  struct Filter {
    FilterHandle handle = 0;
    std::unique_ptr<FilterProgram> program;
  };

  const std::vector<uint32_t>& view() const {
    return filters_.empty() ? order_->rows() : own_view_;
  }
  DBResult CheckOpen();
  DBResult CheckField(uint16_t field_no, const RecordBuffer* buf);
  DBResult ReadCurrent(RecordBuffer* buf);
  bool Passes(uint32_t row) const;
  void RebuildView();
  // Decodes a filter block; a block that decodes to nothing is refused too.
  DBResult DecodeFilter(std::span<const uint8_t> block, std::unique_ptr<FilterProgram>* program);
  std::vector<Filter>::iterator FindFilter(FilterHandle handle);
  // Runs `change` on the filters, then rebuilds the view and keeps the
  // current record where it can.
  template <typename Change>
  void ChangeFilters(const Change& change);
  // Puts the cursor on `row` if the view holds it, else on the record that
  // would follow it (or the last one); keeps BOF/EOF when not on a record.
  void Reposition(bool was_on, uint32_t row);

  DataObject* base_ = nullptr;
  Order* order_ = nullptr;
  std::vector<Filter> filters_;
  std::vector<uint32_t> own_view_;
  FilterHandle next_handle_ = 1;
  Where where_ = Where::kBof;
  size_t pos_ = 0;
};

}  // namespace engine
