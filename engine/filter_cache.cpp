// Column caches for filtering (see filter_cache.h).
#include "engine/filter_cache.h"

namespace engine::filter {

namespace {
bool SameCell(const Cell& a, const Cell& b) {
  return a.data == b.data && a.len == b.len && a.blank == b.blank;
}
// String and memo fields have word indexes.
bool HasWordIndex(const FieldDef& def) {
  return def.varying() && !(def.type & kTypeArray) &&
         (def.base() == kBaseString || def.base() == kBaseBytes);
}
}  // namespace

bool ColumnCache::StillValid(const TableData& data) const {
  if (columns_.size() != data.field_count() || data.heap.size() < heap_size_) return false;
  for (size_t f = 0; f < columns_.size(); ++f) {
    const Column& c = columns_[f];
    if (c.rows > 0 && (c.rows > data.row_count() || !SameCell(c.tail, data.cell(c.rows - 1, f))))
      return false;
    const size_t w = c.words ? c.words->rows() : 0;
    if (w > 0 && (w > data.row_count() || !SameCell(c.words_tail, data.cell(w - 1, f))))
      return false;
  }
  return true;
}

ColumnCache& ColumnCache::Follow(const TableData& data) {
  if (!StillValid(data)) {
    Reset();
    columns_.resize(data.field_count());
  }
  heap_size_ = data.heap.size();
  return *this;
}

void ColumnCache::Reset() {
  builder_.Stop();
  columns_.clear();
  heap_size_ = 0;
}

const IntColumn* ColumnCache::Ints(const TableData& data, int field) {
  Column& c = Slot(field);
  const FieldDef& def = data.fields[static_cast<size_t>(field)];
  const uint16_t base = def.base();
  if (c.dead || def.varying() || (def.type & kTypeArray) ||
      (base != kBaseInt && base != kBaseUInt && base != kBaseDate && base != kBaseTime)) {
    c.dead = true;
    return nullptr;
  }
  const size_t rows = data.row_count();
  c.ints.value.resize(rows);
  c.ints.state.resize(rows);
  for (size_t r = c.rows; r < rows; ++r) {
    const Cell& cell = data.cell(r, static_cast<size_t>(field));
    c.ints.value[r] = static_cast<int64_t>(cell.data);
    c.ints.state[r] = cell.blank == kValue       ? kColValue
                      : cell.blank == kUnchanged ? kColUnchanged
                                                 : kColNull;
  }
  c.rows = rows;
  if (rows > 0) c.tail = data.cell(rows - 1, static_cast<size_t>(field));
  return &c.ints;
}

const DictColumn* ColumnCache::Dict(const TableData& data, int field) {
  Column& c = Slot(field);
  const FieldDef& def = data.fields[static_cast<size_t>(field)];
  if (c.dead || !def.varying() || def.base() != kBaseString || (def.type & kTypeArray)) {
    c.dead = true;
    return nullptr;
  }
  const size_t rows = data.row_count();
  DictColumn& d = c.dict;
  // Grown as the rows are read rather than sized for all of them at once: a
  // field of free text (a title) shows too many values within its first few
  // thousand rows, and a code for every row would be fresh memory touched
  // for nothing.
  d.code.resize(c.rows);
  for (size_t r = c.rows; r < rows; ++r) {
    const Cell& cell = data.cell(r, static_cast<size_t>(field));
    if (cell.blank != kValue) {
      d.code.push_back(cell.blank == kUnchanged ? 1 : 0);
      continue;
    }
    if (cell.data > data.heap.size() || data.heap.size() - cell.data < cell.len) {
      c.dead = true;  // a cell outside the heap: leave it to the row-by-row path
      break;
    }
    const std::string_view text(data.heap.data() + cell.data, cell.len);
    auto it = d.index.find(text);
    if (it == d.index.end()) {
      if (d.words.size() >= kMaxWords) {
        c.dead = true;
        break;
      }
      d.words.emplace_back(text);
      it = d.index
               .emplace(std::string_view(d.words.back()), static_cast<uint32_t>(d.words.size() + 1))
               .first;
    }
    d.code.push_back(it->second);
  }
  if (c.dead) {
    c.dict = DictColumn();
    return nullptr;
  }
  c.rows = rows;
  if (rows > 0) c.tail = data.cell(rows - 1, static_cast<size_t>(field));
  return &c.dict;
}

void ColumnCache::PrepareWords(const TableData& data, int field) {
  if (!background_ || !HasWordIndex(data.fields[static_cast<size_t>(field)])) return;
  TakeBuilt(data);
  const Column& c = Slot(field);
  if (c.words || c.words_over_budget) return;
  builder_.Request(data, static_cast<size_t>(field), WordBudget(data));
}

const WordIndex* ColumnCache::Words(const TableData& data, int field) {
  if (!HasWordIndex(data.fields[static_cast<size_t>(field)])) return nullptr;
  TakeBuilt(data);
  Column& c = Slot(field);
  if (c.words) {
    const size_t rows = data.row_count();
    if (c.words->rows() < rows) {
      c.words->Extend(data, static_cast<size_t>(field));
      c.words_tail = data.cell(rows - 1, static_cast<size_t>(field));
    }
    return c.words.get();
  }
  if (c.words_over_budget) return nullptr;
  if (background_) {
    builder_.Request(data, static_cast<size_t>(field), WordBudget(data));
    return nullptr;
  }
  auto index = std::make_unique<WordIndex>();
  if (index->ExtendTo(data, static_cast<size_t>(field), data.row_count(), nullptr,
                      WordBudget(data)) != WordIndex::Progress::kDone) {
    c.words_over_budget = true;
    return nullptr;
  }
  c.words = std::move(index);
  if (data.row_count() > 0)
    c.words_tail = data.cell(data.row_count() - 1, static_cast<size_t>(field));
  return c.words.get();
}

void ColumnCache::TakeBuilt(const TableData& data) {
  for (WordIndexBuilder::Built& b : builder_.Collect()) {
    Column& c = Slot(static_cast<int>(b.field));
    if (!b.index) {
      c.words_over_budget = true;
      continue;
    }
    // Built over the rows present at its start; nothing changed since (a
    // change stops the build), so it is taken as an index of those rows.
    const size_t rows = b.index->rows();
    if (rows > data.row_count()) continue;
    c.words = std::move(b.index);
    if (rows > 0) c.words_tail = data.cell(rows - 1, b.field);
  }
}

}  // namespace engine::filter
