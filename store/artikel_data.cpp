// TArtikelData: the article table's lifecycle, record buffers, navigation,
// editing cycle, sort order and filter state (see artikel_data.h for the
// sections and what stays true).
#include "store/artikel_data.h"

#include <algorithm>
#include <cassert>
#include <exception>

#include "engine/packet_form.h"
#include "engine/text_fold.h"
#include "platform/run_both.h"
#include "store/article_schema.h"
#include "store/db_error.h"
#include "store/engine_field_type.h"
#include "store/message_format.h"
#include "store/store_messages.h"

namespace store {

namespace {

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

// A true boolean (or nonzero integer) table parameter.
bool ParamIsTrue(const engine::ParamValue& p) {
  uint16_t base = p.type & engine::kTypeBaseMask;
  if ((p.type & (engine::kTypeVarying | engine::kTypeArray)) != 0) return false;
  if (base != engine::kBaseBool && base != engine::kBaseInt && base != engine::kBaseUInt) {
    return false;
  }
  return std::any_of(p.raw.begin(), p.raw.end(), [](char c) { return c != 0; });
}

}  // namespace

std::vector<IndexDef> DefaultArtikelIndexDefs() {
  return {{"DEFAULT_ORDER", ""},   {"CHANGEINDEX", ""},  {"AargangX", "AARGANG"},
          {"NummerX", "NUMMER"},   {"TitelX", "TITEL"},  {"KategoriX", "KATEGORI"},
          {"StartX", "Startside"}, {"SlutX", "Slutside"}};
}

// ============================ fields and lookup ============================

TArtikelData::TArtikelData(platform::IFileSystem& fs, std::string name)
    : name_(std::move(name)), fs_(fs), index_defs_(DefaultArtikelIndexDefs()) {
  int index = 0;
  for (const ArticleFieldSpec& s : kArticleFields) {
    fields_.push_back(
        std::make_unique<TableField>(this, index++, s.name, s.type, s.kind, s.size, s.number));
  }
}

TArtikelData::~TArtikelData() {
  try {
    Close();
  } catch (...) {
    // Nobody is left to show a failed write-back to; the old file is intact.
  }
}

void TArtikelData::Error(const std::string& message) const {
  throw EDatabaseError(Format(messages::kTableMessage, name_, message));
}

void TArtikelData::Check(engine::DBResult status) const {
  if (status == engine::kDBOk) return;
  std::string text;
  if (base_ == nullptr || base_->GetErrorString(status, &text) != engine::kDBOk || text.empty()) {
    text = engine::DefaultErrorText(status);
  }
  throw EDatabaseError(text);
}

void TArtikelData::CheckActive() const {
  if (!Active()) Error(messages::kClosedDataset);
}

void TArtikelData::PrepareWordSearch(std::span<const std::string_view> field_names) {
  if (!Active()) return;
  for (std::string_view name : field_names) {
    const TableField* f = FindField(name);
    if (f != nullptr && f->Kind() == FieldKind::kData &&
        static_cast<size_t>(f->Index()) < engine_no_.size()) {
      base_->PrepareWordSearch(engine_no_[f->Index()]);
    }
  }
}

TableField* TArtikelData::FindField(std::string_view name) const {
  for (const auto& f : fields_) {
    if (engine::EqualsIgnoreAsciiCase(f->FieldName(), name)) return f.get();
  }
  return nullptr;
}

TableField& TArtikelData::FieldByName(std::string_view name) const {
  TableField* f = FindField(name);
  if (f == nullptr) Error(Format(messages::kFieldNotFound, name));
  return *f;
}

FilterFieldInfo TArtikelData::FieldByNameForFilter(std::string_view name) const {
  const TableField& f = FieldByName(name);
  FilterFieldInfo info;
  info.name = f.FieldName();
  info.number = f.FieldNo();
  if (f.Kind() == FieldKind::kData && !engine_no_.empty()) {
    info.number = engine_no_[f.Index()];
  }
  info.type = f.DataType();
  info.size = f.Size();
  info.kind = f.Kind();
  return info;
}

// ========================== opening and closing ============================

void TArtikelData::SetData(std::span<const uint8_t> packet) {
  held_.emplace(packet.begin(), packet.end());
}

void TArtikelData::Open() {
  if (Active()) return;
  // Data kept by the last close serves only an open of the same unchanged
  // file; otherwise it goes before anything new is read.
  std::unique_ptr<engine::IDSBase> kept = std::move(kept_base_);
  std::optional<platform::FileIdentity> source;
  std::optional<platform::FileVersion> version;  // what the data file held
  bool from_file = false;
  std::unique_ptr<platform::MappedFile> mapping;  // a binary data file, mapped
  // Step 1: the data file, when it exists and has content, replaces the held packet.
  // A path holding no regular file (a FIFO, a directory) reads as missing.
  platform::FileIdentity id;
  bool identified = false;
  if (!file_name_.empty()) {
    identified = fs_.Identify(file_name_, &id);
    if (kept && identified && id.size > 0 && id == kept_identity_ && KeptOrdersStillDefined() &&
        OpenOnKeptData(&kept)) {
      loaded_identity_ = id;
      file_guard_.Opened(file_name_, kept_version_);
      FinishOpen();
      return;
    }
    kept.reset();
    switch (ReadHeldFromFile(&mapping)) {
      case platform::ReadOutcome::kFailed:
        throw EDatabaseError(Format(messages::kCannotOpenFile, file_name_));
      case platform::ReadOutcome::kRead: {
        from_file = true;
        const std::span<const uint8_t> bytes =
            mapping ? std::span<const uint8_t>(mapping->data(), mapping->size())
                    : std::span<const uint8_t>(*held_);
        // Taken before the read: a file changed meanwhile no longer matches.
        if (identified && id.size == bytes.size()) source = id;
        // A mapped file's version is taken beside its load, below.
        if (!mapping) version = platform::VersionOfRead(identified ? &id : nullptr, bytes);
        break;
      }
      case platform::ReadOutcome::kMissing:
        // The close must not write over a file that someone makes meanwhile,
        // nor over an empty one that someone fills.
        version = identified && id.size == 0 ? platform::VersionOfRead(&id, {})
                                             : platform::AbsentVersion();
        break;
    }
  }
  kept.reset();
  if (!held_ && !mapping) Error(messages::kMissingPacket);
  try {
    base_ = engine::CreateDSBase();
    // Bytes just read from the file are the engine's to read where they
    // stand (a binary packet in its mapping, an XML packet parsed in place),
    // so that loading holds no second copy of them; should the open fail,
    // the file is read again to be held. A packet given by SetData exists
    // nowhere else: the engine may take its bytes as they are, and hands
    // them back when it refuses them.
    if (mapping) {
      // The hash of what the file held and the load only read the mapped
      // bytes, which stay mapped until both are done (a refused mapping
      // comes back into `mapping`): a large file is hashed on a thread of
      // its own while the engine decodes it.
      const std::span<const uint8_t> bytes(mapping->data(), mapping->size());
      const platform::FileIdentity* read_identity = identified ? &id : nullptr;
      platform::RunBoth(
          bytes.size() >= platform::kHashAsideBytes,
          [&] {
            version = platform::VersionOfRead(read_identity, bytes, platform::HashThreads::kOne);
          },
          [&] { Check(base_->AppendMappedData(&mapping)); });
    } else if (from_file) {
      Check(base_->AppendConsumedData(&*held_));
    } else {
      Check(base_->AppendOwnedData(&*held_));
    }
    OpenSteps();
  } catch (...) {
    if (from_file) {
      ReleaseEngine();
      mapping.reset();
      held_.reset();
      ReadHeldFromFile();
    } else {
      // A step after the load failed: the held packet goes back as it was.
      if (base_ && held_->empty()) base_->ReturnOwnedData(&*held_);
      ReleaseEngine();
    }
    throw;
  }
  loaded_identity_ = source;
  file_guard_.Opened(file_name_, version);
  FinishOpen();
}

platform::ReadOutcome TArtikelData::ReadHeldFromFile(
    std::unique_ptr<platform::MappedFile>* mapping) {
  std::vector<uint8_t> bytes;
  platform::ReadOutcome outcome =
      mapping ? fs_.MapFile(file_name_, mapping, &bytes) : fs_.ReadFile(file_name_, &bytes);
  // Only the binary form is read where it stands; an XML packet is parsed
  // in place, in memory of its own.
  if (outcome == platform::ReadOutcome::kRead && mapping && *mapping &&
      engine::PacketFormOfContent({(*mapping)->data(), (*mapping)->size()}) !=
          engine::PacketForm::kBinary) {
    mapping->reset();
    outcome = fs_.ReadFile(file_name_, &bytes);
  }
  if (outcome == platform::ReadOutcome::kRead && mapping && *mapping) {
    held_.reset();  // the mapped file replaces the held packet
    return outcome;
  }
  // An empty file leaves the held packet as it was.
  if (outcome == platform::ReadOutcome::kRead && bytes.empty()) {
    outcome = platform::ReadOutcome::kMissing;
  }
  if (outcome == platform::ReadOutcome::kRead) held_ = std::move(bytes);
  return outcome;
}

bool TArtikelData::OpenOnKeptData(std::unique_ptr<engine::IDSBase>* kept) {
  // The engine's data is what reading the file again would give. Should the
  // steps after the load fail on it, the caller opens the ordinary way, which
  // fails the same way and leaves the file's bytes held, as a failed open must.
  base_ = std::move(*kept);
  try {
    OpenSteps();
    return true;
  } catch (...) {
    ReleaseEngine();
    return false;
  }
}

bool TArtikelData::KeptOrdersStillDefined() const {
  // Orders the kept data holds were made from these definitions, in this
  // alphabet.
  if (kept_collation_ != collation_) return false;
  if (kept_index_defs_.size() != index_defs_.size()) return false;
  for (size_t i = 0; i < index_defs_.size(); ++i) {
    if (kept_index_defs_[i].name != index_defs_[i].name ||
        kept_index_defs_[i].fields != index_defs_[i].fields) {
      return false;
    }
  }
  return true;
}

void TArtikelData::FinishOpen() {
  held_.reset();
  SetState(TableState::kBrowse);
  // The first record's page count may fail; the table stays open and the
  // failure reaches the caller like any other aborted read.
  RunThenNotify([&] { MoveToFirst(); }, kData);
}

void TArtikelData::OpenSteps() {
  cursor_ = engine::CreateDSCursor();
  Check(cursor_->InitCursor(base_.get()));
  engine::CursorProps props;
  Check(cursor_->GetCursorProps(&props));
  read_only_ = props.read_only;
  BindFields();
  ReadDisableParams();
  if (!index_name_.empty()) UseOrder(index_name_);
  if (filtered_ && !filter_.empty()) InstallFilter(filter_, filter_options_);
  Check(cursor_->MoveToBOF());
}

void TArtikelData::BindFields() {
  std::vector<engine::FieldDesc> descs;
  Check(base_->GetFieldDescs(&descs));
  std::vector<uint16_t> numbers;
  for (int i = 0; i < kArticleDataFieldCount; ++i) {
    const TableField& f = *fields_[i];
    auto it = std::find_if(descs.begin(), descs.end(), [&](const engine::FieldDesc& d) {
      return engine::EqualsIgnoreAsciiCase(d.name, f.FieldName());
    });
    if (it == descs.end()) Error(Format(messages::kFieldNotFound, f.FieldName()));
    TFieldType actual = EngineFieldType(*it);
    if (actual != f.DataType()) {
      Error(Format(messages::kFieldTypeMismatch, f.FieldName(), FieldTypeName(f.DataType()),
                   FieldTypeName(actual)));
    }
    numbers.push_back(it->number);
  }
  engine_no_ = std::move(numbers);
}

void TArtikelData::ReadDisableParams() {
  auto flag = [&](const char* name) {
    engine::ParamValue p;
    engine::DBResult r = base_->GetParam(name, &p);
    if (r == engine::kDBNoSuchParam) return false;
    Check(r);
    return ParamIsTrue(p);
  };
  disable_edits_ = flag("DISABLE_EDITS");
  disable_inserts_ = flag("DISABLE_INSERTS");
  disable_deletes_ = flag("DISABLE_DELETES");
}

void TArtikelData::ReleaseEngine() {
  installed_filter_.reset();
  cursor_.reset();
  base_.reset();
  loaded_identity_.reset();
  engine_no_.clear();
  read_only_ = disable_edits_ = disable_inserts_ = disable_deletes_ = false;
  has_current_ = false;
  current_ = Row();
  edit_ = Row();
  insert_pos_ = 0;
  modified_ = false;
  bof_ = eof_ = true;
  calc_row_ = nullptr;
  state_ = TableState::kInactive;
}

void TArtikelData::Close() {
  if (!Active()) return;
  // An edit or insert in progress is dropped, not posted.
  edit_ = Row();
  insert_pos_ = 0;
  modified_ = false;
  state_ = TableState::kBrowse;
  std::exception_ptr failure;
  bool unchanged = false;
  try {
    bool changed = false;
    Check(base_->HasChanges(&changed));
    unchanged = !changed;
    if (changed && !file_name_.empty()) WriteDataFile();
  } catch (...) {
    failure = std::current_exception();
  }
  DropInstalledFilter();
  // Unchanged data read from a file is kept, with its orders and search
  // columns, for an open of that same file (the start-up's reopen on the
  // edition's file). It stays out of reach until then. Data written at this
  // close is never kept: a write in place (platform/file_system.h) has
  // rewritten the very file whose mapping holds its values.
  std::unique_ptr<engine::IDSBase> keep;
  if (unchanged && loaded_identity_) {
    cursor_.reset();
    keep = std::move(base_);
    kept_identity_ = *loaded_identity_;
    kept_index_defs_ = index_defs_;
    kept_collation_ = collation_;
    kept_version_ = file_guard_.Version();
  }
  file_guard_.Closed();
  ReleaseEngine();
  kept_base_ = std::move(keep);
  NotifyStateChanged();
  NotifyDataSetChanged();
  if (failure) std::rethrow_exception(failure);
}

void TArtikelData::WriteDataFile() {
  std::string packet;
  Check(base_->StreamData(engine::PacketFormOfFileName(file_name_), &packet));
  held_.emplace(packet.begin(), packet.end());
  packet.clear();
  packet.shrink_to_fit();
  file_guard_.Write(name_, file_name_, *held_);
}

// ============================= record buffers ==============================

void TArtikelData::CalcRow(Row* row) {
  row->calc = Variant();
  if (!OnCalcFields) return;
  TableState saved_state = state_;
  Row* saved_row = calc_row_;
  state_ = TableState::kCalcFields;
  calc_row_ = row;
  try {
    OnCalcFields(*this);
  } catch (...) {
    state_ = saved_state;
    calc_row_ = saved_row;
    throw;
  }
  state_ = saved_state;
  calc_row_ = saved_row;
}

void TArtikelData::ReadCurrentInto(Row* row) {
  row->calc = Variant();
  Check(cursor_->GetCurrentRecord(&row->data));
  CalcRow(row);
}

void TArtikelData::LoadCurrent() {
  Check(cursor_->GetCurrentBookmark(&current_bookmark_));
  has_current_ = true;
  ReadCurrentInto(&current_);
}

void TArtikelData::RestorePosition() {
  if (has_current_) {
    Check(cursor_->MoveToBookmark(current_bookmark_));
  } else {
    Check(cursor_->MoveToBOF());
  }
}

void TArtikelData::ResyncAfterChange() {
  // The engine leaves the cursor on the changed record, or after a delete on
  // its neighbour; when it is on no record (the record left the view), take
  // the next one, else the one before, else the view is empty.
  Row probe;
  engine::DBResult r = cursor_->GetCurrentRecord(&probe.data);
  if (r == engine::kDBOk) {
    bof_ = eof_ = false;
    LoadCurrent();
    return;
  }
  if (r != engine::kDBBof && r != engine::kDBEof && r != engine::kDBNoCurrentRecord) Check(r);
  r = cursor_->GetNextRecord(nullptr);
  if (r == engine::kDBEof) r = cursor_->GetPriorRecord(nullptr);
  if (r == engine::kDBBof || r == engine::kDBEof) {
    ShowNoRecord();
    return;
  }
  Check(r);
  bof_ = eof_ = false;
  LoadCurrent();
}

Variant TArtikelData::GetFieldData(const TableField& field) const {
  if (!Active()) return Variant();
  const Row* row = calc_row_;
  if (row == nullptr) {
    if (state_ == TableState::kEdit || state_ == TableState::kInsert) {
      row = &edit_;
    } else if (has_current_) {
      row = &current_;
    } else {
      return Variant();
    }
  }
  return RowValue(*row, field);
}

Variant TArtikelData::RowValue(const Row& row, const TableField& field) const {
  if (field.Kind() != FieldKind::kData) return row.calc;
  engine::FieldValue v;
  Check(cursor_->GetField(row.data, engine_no_[field.Index()], &v));
  switch (v.kind) {
    case engine::FieldValue::Kind::kNull:
      return Variant();
    case engine::FieldValue::Kind::kInt:
      return Variant::FromInt64(v.i);
    case engine::FieldValue::Kind::kFloat:
      return Variant::FromInt64(static_cast<int64_t>(v.f));
    case engine::FieldValue::Kind::kBytes:
      return Variant(std::move(v.bytes));
  }
  return Variant();
}

void TArtikelData::SetFieldData(const TableField& field, const Variant& value) {
  bool calculated = field.Kind() != FieldKind::kData;
  Row* row = nullptr;
  if (state_ == TableState::kCalcFields) {
    if (calculated) row = calc_row_;
  } else if (state_ == TableState::kEdit || state_ == TableState::kInsert) {
    row = &edit_;
  }
  if (row == nullptr) Error(messages::kNotInEditMode);
  Variant converted = field.Convert(value);
  if (calculated) {
    row->calc = std::move(converted);
  } else {
    engine::FieldValue v;
    if (converted.IsInteger()) {
      v.kind = engine::FieldValue::Kind::kInt;
      v.i = converted.AsInt64();
    } else if (converted.IsString()) {
      v.kind = engine::FieldValue::Kind::kBytes;
      v.bytes = converted.AsString();
    }
    uint16_t no = engine_no_[field.Index()];
    Check(cursor_->VerifyField(no, v));
    Check(cursor_->PutField(&row->data, no, v));
  }
  if (state_ == TableState::kEdit || state_ == TableState::kInsert) {
    modified_ = true;
    NotifyRecordChanged();
  }
}

// =============================== navigation ================================

// The view is empty: no current record, and the engine cursor before the
// first record, where the next read starts.
void TArtikelData::ShowNoRecord() {
  has_current_ = false;
  current_ = Row();
  bof_ = eof_ = true;
  Check(cursor_->MoveToBOF());
}

void TArtikelData::MoveToFirst() {
  Check(cursor_->MoveToBOF());
  engine::DBResult r = cursor_->GetNextRecord(nullptr);
  if (r == engine::kDBEof) {
    ShowNoRecord();
    return;
  }
  Check(r);
  bof_ = true;
  eof_ = false;
  LoadCurrent();
}

void TArtikelData::First() {
  CheckActive();
  CheckBrowseMode();
  RunThenNotify([&] { MoveToFirst(); }, kScrolled);
}

void TArtikelData::Last() {
  CheckActive();
  CheckBrowseMode();
  RunThenNotify(
      [&] {
        Check(cursor_->MoveToEOF());
        engine::DBResult r = cursor_->GetPriorRecord(nullptr);
        if (r == engine::kDBBof) {
          ShowNoRecord();
          return;
        }
        Check(r);
        bof_ = false;
        eof_ = true;
        LoadCurrent();
      },
      kScrolled);
}

bool TArtikelData::Step(bool forward) {
  if (!has_current_ || (forward ? eof_ : bof_)) return false;
  engine::DBResult r = forward ? cursor_->GetNextRecord(nullptr) : cursor_->GetPriorRecord(nullptr);
  if (r == (forward ? engine::kDBEof : engine::kDBBof)) {
    (forward ? eof_ : bof_) = true;
    RestorePosition();
    return false;
  }
  Check(r);
  bof_ = eof_ = false;
  LoadCurrent();
  return true;
}

void TArtikelData::Next() { MoveBy(1); }
void TArtikelData::Prior() { MoveBy(-1); }

int TArtikelData::MoveBy(int distance) {
  CheckActive();
  CheckBrowseMode();
  int moved = 0;
  bool forward = distance > 0;
  RunThenNotify(
      [&] {
        while (moved != distance && Step(forward)) moved += forward ? 1 : -1;
      },
      kScrolled);
  return moved;
}

bool TArtikelData::Eof() const { return !Active() || eof_; }
bool TArtikelData::Bof() const { return !Active() || bof_; }

bool TArtikelData::IsEmpty() const { return RecordCount() == 0; }

int TArtikelData::EngineCount() const {
  uint32_t count = 0;
  Check(cursor_->GetRecordCount(&count));
  return static_cast<int>(count);
}

int TArtikelData::RecordCount() const {
  if (!Active()) return 0;
  return EngineCount() + (state_ == TableState::kInsert ? 1 : 0);
}

int TArtikelData::EngineRecNo() const {
  if (!has_current_) return 0;
  uint32_t seq = 0;
  engine::DBResult r = cursor_->GetSequenceNumber(&seq);
  if (r == engine::kDBBof || r == engine::kDBEof) return 0;
  Check(r);
  return static_cast<int>(seq);
}

int TArtikelData::RecNo() const {
  if (!Active()) return 0;
  if (state_ == TableState::kInsert) return insert_pos_;
  return EngineRecNo();
}

void TArtikelData::SetRecNo(int n) {
  CheckActive();
  CheckBrowseMode();
  if (n < 1 || n > EngineCount() || n == EngineRecNo()) return;
  RunThenNotify(
      [&] {
        Check(cursor_->MoveToSeqNo(static_cast<uint32_t>(n)));
        bof_ = eof_ = false;
        LoadCurrent();
      },
      kScrolled);
}

void TArtikelData::ReadRow(int pos, std::vector<Variant>* values) {
  assert(Active() && pos >= 0 && pos < RecordCount());
  CheckActive();
  values->clear();
  int seq = pos + 1;
  const Row* shown = nullptr;
  if (state_ == TableState::kInsert) {
    if (seq == insert_pos_) shown = &edit_;
    if (seq > insert_pos_) --seq;
  } else if (state_ == TableState::kEdit && seq == EngineRecNo()) {
    shown = &edit_;
  }
  Row scratch;
  if (shown == nullptr) {
    engine::DBResult r = cursor_->MoveToSeqNo(static_cast<uint32_t>(seq));
    if (r == engine::kDBOk) r = cursor_->GetCurrentRecord(&scratch.data);
    RestorePosition();
    Check(r);
    CalcRow(&scratch);
    shown = &scratch;
  }
  values->reserve(fields_.size());
  for (const auto& f : fields_) {
    Variant v = RowValue(*shown, *f);
    if (v.IsNull() && IsMemoType(f->DataType())) v = Variant(std::string());
    values->push_back(std::move(v));
  }
}

// ============================== editing cycle ==============================

bool TArtikelData::CanModify() const { return Active() && !read_only_; }

void TArtikelData::CheckBrowseMode() {
  CheckActive();
  if (state_ != TableState::kEdit && state_ != TableState::kInsert) return;
  if (modified_) {
    Post();
  } else {
    Cancel();
  }
}

void TArtikelData::Insert() { StartInsert(false); }
void TArtikelData::Append() { StartInsert(true); }

void TArtikelData::StartInsert(bool append) {
  CheckActive();
  CheckBrowseMode();
  if (!CanModify()) Error(messages::kReadOnlyDataset);
  if (disable_inserts_) Error(messages::kInsertsNotAllowed);
  Row fresh;
  Check(cursor_->InitRecord(&fresh.data));
  int count = EngineCount();
  int pos = append ? count + 1 : (has_current_ ? EngineRecNo() : 1);
  edit_ = std::move(fresh);
  insert_pos_ = pos;
  modified_ = false;
  state_ = TableState::kInsert;
  if (OnNewRecord) {
    try {
      OnNewRecord(*this);
    } catch (...) {
      edit_ = Row();
      insert_pos_ = 0;
      modified_ = false;
      state_ = TableState::kBrowse;
      RestorePosition();
      throw;
    }
  }
  // Defaults set by the hook are not a change of the reader's.
  modified_ = false;
  NotifyStateChanged();
  NotifyDataSetChanged();
}

void TArtikelData::Edit() {
  CheckActive();
  if (state_ == TableState::kEdit || state_ == TableState::kInsert) return;
  if (!has_current_) {
    Insert();
    return;
  }
  CheckBrowseMode();
  if (!CanModify()) Error(messages::kReadOnlyDataset);
  if (disable_edits_) Error(messages::kModificationsNotAllowed);
  Row row = current_;
  CalcRow(&row);
  edit_ = std::move(row);
  modified_ = false;
  SetState(TableState::kEdit);
}

void TArtikelData::Post() {
  CheckActive();
  if (state_ == TableState::kEdit) {
    Check(cursor_->ModifyRecord(edit_.data));
  } else if (state_ == TableState::kInsert) {
    Check(cursor_->InsertRecord(edit_.data));
  } else {
    return;
  }
  FinishEdit();
}

void TArtikelData::Cancel() {
  CheckActive();
  if (state_ != TableState::kEdit && state_ != TableState::kInsert) return;
  RestorePosition();
  FinishEdit();
}

void TArtikelData::FinishEdit() {
  edit_ = Row();
  insert_pos_ = 0;
  modified_ = false;
  state_ = TableState::kBrowse;
  RunThenNotify([&] { ResyncAfterChange(); }, kStateAndData);
}

void TArtikelData::Delete() {
  CheckActive();
  if (state_ == TableState::kInsert) {
    Cancel();
    return;
  }
  if (!has_current_ || EngineCount() == 0) {
    Error(messages::kEmptyDataset);
  }
  if (!CanModify()) Error(messages::kReadOnlyDataset);
  if (disable_deletes_) Error(messages::kDeletesNotAllowed);
  Check(cursor_->DeleteRecord());
  FinishEdit();
}

// =============================== sort order ================================

void TArtikelData::UseOrder(const std::string& name) {
  // An empty name asks for the order without keys.
  const std::string order = name.empty() ? std::string("DEFAULT_ORDER") : name;
  engine::DBResult r = cursor_->UseIndexOrder(order);
  if (r != engine::kDBNoSuchIndex) {
    Check(r);
    return;
  }
  auto def = std::find_if(index_defs_.begin(), index_defs_.end(), [&](const IndexDef& d) {
    return engine::EqualsIgnoreAsciiCase(d.name, order);
  });
  if (def == index_defs_.end()) Error(Format(messages::kIndexNotFound, name));

  std::vector<engine::FieldDesc> descs;
  Check(base_->GetFieldDescs(&descs));
  engine::IndexDesc desc;
  desc.name = def->name;
  desc.collation = collation_;
  std::string_view keys = def->fields;
  while (!keys.empty()) {
    size_t semi = keys.find(';');
    std::string key = Trim(keys.substr(0, semi));
    keys = semi == std::string_view::npos ? std::string_view() : keys.substr(semi + 1);
    if (key.empty()) continue;
    auto it = std::find_if(descs.begin(), descs.end(), [&](const engine::FieldDesc& d) {
      return engine::EqualsIgnoreAsciiCase(d.name, key);
    });
    if (it == descs.end()) Error(Format(messages::kFieldNotFound, key));
    desc.fields.push_back(it->number);
  }
  r = base_->CreateIndex(desc);
  if (r != engine::kDBDuplicateIndex) Check(r);
  r = cursor_->UseIndexOrder(order);
  // The definition's own spelling, should the engine match names exactly.
  if (r == engine::kDBNoSuchIndex) r = cursor_->UseIndexOrder(def->name);
  if (r == engine::kDBNoSuchIndex) Error(Format(messages::kIndexNotFound, name));
  Check(r);
}

void TArtikelData::SetIndexName(const std::string& name) {
  if (!Active()) {
    index_name_ = name;
    return;
  }
  CheckBrowseMode();
  if (name == index_name_) return;
  UseOrder(name);
  index_name_ = name;
  RunThenNotify(
      [&] {
        if (has_current_) {
          bof_ = eof_ = false;
          LoadCurrent();
        }
      },
      kData);
}

// ============================== filter state ===============================

void TArtikelData::InstallFilter(const std::string& text, TFilterOptions options) {
  if (text.empty()) {
    DropInstalledFilter();
    return;
  }
  ++filter_compile_count_;
  std::vector<uint8_t> block = CompileFilterText(*this, text, options);
  engine::FilterHandle handle = 0;
  // The new filter takes the old one's place in one step: the view is
  // evaluated once, and a refused block leaves the old filter in force.
  if (installed_filter_) {
    Check(cursor_->ReplaceFilter(*installed_filter_, block, &handle));
  } else {
    Check(cursor_->AddFilter(block, &handle));
  }
  installed_filter_ = handle;
}

void TArtikelData::DropInstalledFilter() {
  if (installed_filter_ && cursor_) cursor_->DropFilter(*installed_filter_);
  installed_filter_.reset();
}

void TArtikelData::SetFiltered(bool on) {
  if (!Active()) {
    filtered_ = on;
    return;
  }
  CheckBrowseMode();
  std::exception_ptr failure;
  if (on != filtered_) {
    Check(cursor_->MoveToBOF());
    has_current_ = false;
    if (on) {
      try {
        InstallFilter(filter_, filter_options_);
      } catch (...) {
        failure = std::current_exception();
      }
    } else {
      DropInstalledFilter();
    }
    if (!failure) filtered_ = on;
  }
  try {
    RunThenNotify([&] { MoveToFirst(); }, kData);
  } catch (...) {
    if (!failure) throw;
  }
  if (failure) std::rethrow_exception(failure);
}

void TArtikelData::SetFilter(const std::string& text) {
  if (!Active() || !filtered_) {
    filter_ = text;
    return;
  }
  CheckBrowseMode();
  if (text != filter_) InstallFilter(text, filter_options_);
  // Stored before moving so that the text always names the installed filter,
  // even when reading the first record fails.
  filter_ = text;
  RunThenNotify([&] { MoveToFirst(); }, kData);
}

void TArtikelData::SetFilterOptions(TFilterOptions options) {
  if (!Active() || !filtered_) {
    filter_options_ = options;
    return;
  }
  CheckBrowseMode();
  if (!(options == filter_options_)) InstallFilter(filter_, options);
  filter_options_ = options;
  RunThenNotify([&] { MoveToFirst(); }, kData);
}

// =============================== data links ================================

void TArtikelData::AddDataLink(DataLink* link) {
  assert(link != nullptr);
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TArtikelData::RemoveDataLink(DataLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

template <typename Call>
void TArtikelData::ForEachLink(Call call) {
  // A link may remove itself (or another) while being told; skip removed ones.
  std::vector<DataLink*> copy = links_;
  for (DataLink* link : copy) {
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) call(link);
  }
}

void TArtikelData::NotifyDataSetChanged() {
  ForEachLink([](DataLink* l) { l->DataSetChanged(); });
}
void TArtikelData::NotifyRecordChanged() {
  ForEachLink([](DataLink* l) { l->RecordChanged(); });
}
void TArtikelData::NotifyScrolled() {
  ForEachLink([](DataLink* l) { l->DataSetScrolled(); });
}
void TArtikelData::NotifyStateChanged() {
  ForEachLink([](DataLink* l) { l->StateChanged(); });
}

void TArtikelData::SetState(TableState state) {
  if (state_ == state) return;
  state_ = state;
  NotifyStateChanged();
}

template <typename Body>
void TArtikelData::RunThenNotify(Body body, Notice notice) {
  auto tell = [&] {
    if (notice == kStateAndData) NotifyStateChanged();
    if (notice == kScrolled) {
      NotifyScrolled();
    } else {
      NotifyDataSetChanged();
    }
  };
  try {
    body();
  } catch (...) {
    // The view may have moved before the failure; listeners re-read it.
    tell();
    throw;
  }
  tell();
}

}  // namespace store
