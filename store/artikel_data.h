// TArtikelData: the article table. It holds the table's settings (file name,
// sort order, filter state, sort-order definitions), its nine field objects,
// its held data packet and, while open, the engine's data object and cursor.
//
// Sections of the implementation (artikel_data.cpp):
//   fields and lookup        - the fixed field objects, FieldByName
//   opening and closing      - held packet, data file, binding, write-back
//   record buffers           - reading records, the calculation hook
//   navigation               - First/Next/Prior/Last, RecNo, ReadRow
//   editing cycle            - Insert/Edit/Post/Cancel/Delete, settling
//   sort order               - IndexName
//   filter state             - Filtered/Filter/FilterOptions
//
// What stays true:
//   - Active() <=> the engine's data object and cursor exist.
//   - While open, the engine cursor sits on the current record (or before the
//     first when the view is empty); ReadRow puts it back after reading.
//   - The held packet is released by every successful open and refilled by a
//     close that writes the data file.
//   - Messages about the table carry "ArtikelData: " in front; messages of the
//     engine carry no prefix; failures are EDatabaseError (EConvertError /
//     EVariantError where a conversion fails).
// Used by the window (app/), the maintenance commands and the tests. One
// thread; a data link must not change the table from inside a notification.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ds_interfaces.h"
#include "platform/file_system.h"
#include "platform/file_version.h"
#include "store/article_schema.h"
#include "store/data_file_guard.h"
#include "store/data_link.h"
#include "store/field.h"
#include "store/filter_compile.h"
#include "store/filter_host.h"
#include "store/variant.h"

namespace store {

enum class TableState { kInactive, kBrowse, kEdit, kInsert, kCalcFields };

// One named sort order: ascending on `fields`, a ";"-separated list of field
// names matched without regard to case (empty for an order without keys).
struct IndexDef {
  std::string name;
  std::string fields;
};

// The sort-order definitions the window definition stores for the table.
std::vector<IndexDef> DefaultArtikelIndexDefs();

class TArtikelData : public IFilterHost {
 public:
  using Hook = std::function<void(TArtikelData&)>;

  explicit TArtikelData(platform::IFileSystem& fs, std::string name = kArticleTableName);
  ~TArtikelData() override;  // closes the table; a failing write-back is dropped
  TArtikelData(const TArtikelData&) = delete;
  TArtikelData& operator=(const TArtikelData&) = delete;

  const std::string& Name() const { return name_; }

  // ---- Held packet and data file ----
  // Sets the held packet (the window definition's `Data` value).
  void SetData(std::span<const uint8_t> packet);
  bool HasHeldPacket() const { return held_.has_value(); }
  const std::vector<uint8_t>* HeldPacket() const { return held_ ? &*held_ : nullptr; }
  // Forgets the held packet, so that the next open reads the data file or
  // fails; used before opening the table on another file.
  void ReleaseHeldPacket() { held_.reset(); }
  const std::string& FileName() const { return file_name_; }
  void SetFileName(std::string name) { file_name_ = std::move(name); }

  // ---- Opening and closing ----
  // Opens on the data file (when it exists and is not empty) or the held
  // packet. A failure before the table is open leaves it closed with its
  // engine objects released and the held packet as it was. A page count that
  // fails on the first record is raised after the table is open (a failed
  // read, not a failed open). No-op when open.
  void Open();
  // Drops an unposted record; writes the data file when the engine reports a
  // change and FileName is set (XML for a ".xml" name in any case, binary
  // otherwise), through the atomic replace. The written packet becomes the
  // held packet. A failed write ("Cannot create file %s") still closes the
  // table; the old file stays and the unwritten packet stays held. A data
  // file that someone else has written since the open is not replaced: the
  // packet goes to a conflict copy beside it and the close raises
  // EDataFileConflict once closed (FileGuard). No-op when closed.
  void Close();
  // The data file as several editors share it: the version each open read,
  // the conflict-checked write, the edit lock (store/data_file_guard.h).
  DataFileGuard& FileGuard() { return file_guard_; }
  const DataFileGuard& FileGuard() const { return file_guard_; }
  bool Active() const { return cursor_ != nullptr; }
  void SetActive(bool on) { on ? Open() : Close(); }
  TableState State() const { return state_; }

  // ---- Fields ----
  // The nine field objects: Aargang, Nummer, Titel, Kategori, StartSide,
  // SlutSide, Tekst, VProgrammer, Sideantal.
  const std::vector<std::unique_ptr<TableField>>& Fields() const { return fields_; }
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TableField& FieldByName(std::string_view name) const;  // "ArtikelData: Field '%s' not found"
  TableField* FindField(std::string_view name) const;    // nullptr when none matches
  // Has the engine build, away from this thread, the word indexes that a
  // LIKE on these data fields uses. Names of no data field are passed over;
  // a closed table does nothing.
  void PrepareWordSearch(std::span<const std::string_view> field_names);
  Variant FieldValue(std::string_view name) const { return FieldByName(name).AsVariant(); }
  void SetFieldValue(std::string_view name, const Variant& v) { FieldByName(name).SetValue(v); }

  // IFilterHost.
  FilterFieldInfo FieldByNameForFilter(std::string_view name) const override;

  // ---- Hooks ----
  // Runs on every record read into a buffer and when an edit begins, with
  // State() == kCalcFields and Sideantal empty.
  Hook OnCalcFields;
  // Runs inside Insert/Append in the insert state; values it sets do not count
  // as a change. If it throws, the new record is dropped.
  Hook OnNewRecord;

  // ---- Navigation (each settles a pending change first) ----
  void First();
  void Next();
  void Prior();
  void Last();
  int MoveBy(int distance);  // returns the distance actually moved
  bool Eof() const;
  bool Bof() const;
  bool IsEmpty() const;

  // ---- Rows for the grid ----
  // Size of the current view (order and filter), counting a record being
  // inserted. 0 when closed.
  int RecordCount() const;
  // 1-based position of the current record in the view; 0 when there is none.
  int RecNo() const;
  // Makes the record at 1-based position `n` current (settling first).
  void SetRecNo(int n);
  // Reads the record at 0-based view position `pos` without moving the
  // current record and runs the calculation hook on it. Values come in
  // field-object order. The current record in edit or insert state shows the
  // record being edited. Throws what the hook throws.
  // REQUIRES: Active() and 0 <= pos < RecordCount().
  void ReadRow(int pos, std::vector<Variant>* values);

  // ---- Editing cycle ----
  void Insert();
  void Append();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  // Posts when a field was written since the edit/insert began, else cancels.
  void CheckBrowseMode();
  bool Modified() const { return modified_; }
  bool CanModify() const;

  // ---- Sort order ----
  const std::string& IndexName() const { return index_name_; }
  void SetIndexName(const std::string& name);
  std::vector<IndexDef>& IndexDefs() { return index_defs_; }
  const std::vector<IndexDef>& IndexDefs() const { return index_defs_; }
  // The alphabet the sort orders compare texts in. Orders are made when the
  // table first uses them after an open, so a change applies from the next
  // open on.
  engine::Collation Collation() const { return collation_; }
  void SetCollation(engine::Collation collation) { collation_ = collation; }

  // ---- Filter state ----
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool on);
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& text);
  TFilterOptions FilterOptions() const { return filter_options_; }
  void SetFilterOptions(TFilterOptions options);
  // How many filter texts were compiled so far (unchanged texts compile none).
  int FilterCompileCount() const { return filter_compile_count_; }

  // ---- Data links ----
  void AddDataLink(DataLink* link);
  void RemoveDataLink(DataLink* link);

  // ---- Used by TableField ----
  Variant GetFieldData(const TableField& field) const;
  void SetFieldData(const TableField& field, const Variant& value);
  // Raises EDatabaseError "<name>: <message>".
  [[noreturn]] void Error(const std::string& message) const;

  // DISABLE_* parameters of the opened packet.
  bool EditsDisabled() const { return disable_edits_; }
  bool InsertsDisabled() const { return disable_inserts_; }
  bool DeletesDisabled() const { return disable_deletes_; }

 private:
  // One record as the table holds it: the engine's values plus the
  // calculated page count.
  struct Row {
    engine::RecordBuffer data;
    Variant calc;
  };

  // Opening and closing.
  // Reads the data file into the held packet; an empty file counts as
  // missing. With `mapping`, a binary data file is mapped there instead
  // where the file system can (and the held packet dropped).
  platform::ReadOutcome ReadHeldFromFile(std::unique_ptr<platform::MappedFile>* mapping = nullptr);
  bool OpenOnKeptData(std::unique_ptr<engine::IDSBase>* kept);
  bool KeptOrdersStillDefined() const;
  void OpenSteps();
  void FinishOpen();
  void BindFields();
  void ReadDisableParams();
  void ReleaseEngine();
  void WriteDataFile();

  // Engine status: success or raise the engine's own text.
  void Check(engine::DBResult status) const;

  // Record buffers.
  void CalcRow(Row* row);
  void ReadCurrentInto(Row* row);
  void LoadCurrent();   // read the engine's current record as the current one
  void ShowNoRecord();  // an empty view: nothing current, cursor before the first
  void ResyncAfterChange();
  void RestorePosition();
  void CheckActive() const;

  // Filter.
  void InstallFilter(const std::string& text, TFilterOptions options);
  void DropInstalledFilter();

  // Sort order: ask the engine, creating the order from the definitions.
  void UseOrder(const std::string& name);

  // Navigation and editing helpers.
  Variant RowValue(const Row& row, const TableField& field) const;
  void MoveToFirst();
  bool Step(bool forward);
  int EngineCount() const;
  int EngineRecNo() const;
  void StartInsert(bool append);
  void FinishEdit();

  // Notifications. RunThenNotify tells the links also when `body` throws,
  // since the view may have moved before the failure.
  enum Notice { kScrolled, kData, kStateAndData };
  template <typename Body>
  void RunThenNotify(Body body, Notice notice);
  template <typename Call>
  void ForEachLink(Call call);
  void NotifyDataSetChanged();
  void NotifyRecordChanged();
  void NotifyScrolled();
  void NotifyStateChanged();
  void SetState(TableState state);

  std::string name_;
  platform::IFileSystem& fs_;
  std::vector<std::unique_ptr<TableField>> fields_;
  std::vector<IndexDef> index_defs_;

  std::optional<std::vector<uint8_t>> held_;
  std::string file_name_;
  std::string index_name_ = "TitelX";
  engine::Collation collation_ = engine::Collation::kBinary;
  bool filtered_ = false;
  std::string filter_;
  TFilterOptions filter_options_{.foCaseInsensitive = true, .foNoPartialCompare = false};
  int filter_compile_count_ = 0;

  std::unique_ptr<engine::IDSBase> base_;
  // The file the open data was read from, when it came from one.
  std::optional<platform::FileIdentity> loaded_identity_;
  // Unchanged data kept by a close for an open of the same file (see Close).
  std::unique_ptr<engine::IDSBase> kept_base_;
  platform::FileIdentity kept_identity_;
  std::optional<platform::FileVersion> kept_version_;
  std::vector<IndexDef> kept_index_defs_;
  engine::Collation kept_collation_ = engine::Collation::kBinary;
  std::unique_ptr<engine::IDSCursor> cursor_;
  std::vector<uint16_t> engine_no_;  // per data field object: engine field number
  bool read_only_ = false;
  bool disable_edits_ = false;
  bool disable_inserts_ = false;
  bool disable_deletes_ = false;
  std::optional<engine::FilterHandle> installed_filter_;

  TableState state_ = TableState::kInactive;
  bool has_current_ = false;
  engine::Bookmark current_bookmark_ = 0;
  Row current_;
  Row edit_;            // the record being edited or inserted
  int insert_pos_ = 0;  // 1-based view position of a record being inserted
  bool modified_ = false;
  bool bof_ = true;
  bool eof_ = true;
  // The buffer fields read and write; null means "the state decides".
  Row* calc_row_ = nullptr;

  std::vector<DataLink*> links_;
  DataFileGuard file_guard_{fs_};
};

}  // namespace store
