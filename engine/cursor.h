// A cursor: one view of a data object (an order, narrowed by filters) with a
// position in it, record buffers, and the edits made through it.
//
// The view is the order's row list, narrowed, while filters are installed,
// to the rows of a set (engine/row_set.h) that the filters let through:
// evaluating the filters never builds a list in the order, and the count is
// the set's size. The position is a place in the order's list; the view's
// rows are found from there as the cursor moves, by walking the order and
// testing membership, and a position index (the members before every
// kBlock-th place of the order, made as far as it is asked for) turns a
// sequence number into a place and back without walking from the start.
// Both are kept current by the data object's change notices.
//
// Must stay true: where_ == kOn implies at_ < order rows and the row there
// is in the view; members_ holds exactly the current rows that pass every
// filter (while there are filters) and count_ their number; prefix_[b] is
// the number of members in the order's places [0, b * kBlock).
// Used by the store through IDSCursor.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/data_object.h"
#include "engine/ds_interfaces.h"
#include "engine/filter_program.h"
#include "engine/row_set.h"

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

  static constexpr size_t kNone = size_t(-1);
  static constexpr size_t kBlock = 1024;
  const std::vector<uint32_t>& rows() const { return order_->rows(); }
  // The number of records in the view.
  size_t ViewSize() const { return filters_.empty() ? order_->size() : count_; }
  bool IsMember(size_t at) const { return filters_.empty() || members_.Test(order_->RowAt(at)); }
  // The first place at or after `from` that holds a member, or kNone.
  size_t NextMember(size_t from);
  // The last place at or before `from` that holds a member, or kNone.
  size_t PriorMember(size_t from);
  // The members before place `at`; the place of the member with `rank`
  // members before it (rank < ViewSize()).
  size_t RankOf(size_t at);
  size_t PlaceOf(size_t rank);
  // Makes the position index reach block `block` (or the order's end).
  void IndexTo(size_t block);
  // The position index no longer holds after a change at place `at`.
  void ForgetFrom(size_t at);
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
  // Puts the cursor on `row` (a current row) if the view holds it, else on
  // the record that would follow it (or the last one); keeps BOF/EOF when
  // not on a record.
  void Reposition(bool was_on, uint32_t row);
  // Puts the cursor on the member at or after place `at`, else on the last
  // member, else before the first record.
  void StandAtOrAfter(size_t at);

  DataObject* base_ = nullptr;
  Order* order_ = nullptr;
  std::vector<Filter> filters_;
  RowSet members_;
  size_t count_ = 0;
  std::vector<uint32_t> prefix_;
  FilterHandle next_handle_ = 1;
  Where where_ = Where::kBof;
  size_t at_ = 0;
};

}  // namespace engine
