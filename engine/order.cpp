// Orders and key comparison; see order.h.
#include "engine/order.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>
#include <chrono>
#include <cstring>
#include <span>
#include <thread>
#include <tuple>
#include <utility>

#include "engine/record_values.h"
#include "engine/text_fold.h"
#include "platform/run_both.h"

namespace engine {
namespace {

enum PartKind : uint8_t { kSigned, kUnsigned, kDouble, kBytesKey };

int CompareBytes(std::string_view a, std::string_view b, bool fold) {
  size_t n = std::min(a.size(), b.size());
  if (!fold) {
    int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
    if (c != 0) return c;
  } else {
    const auto& fold = FoldTable();
    for (size_t i = 0; i < n; ++i) {
      uint8_t x = fold[uint8_t(a[i])], y = fold[uint8_t(b[i])];
      if (x != y) return x < y ? -1 : 1;
    }
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int CompareWeighted(std::string_view a, std::string_view b, const uint8_t* weights) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    uint8_t x = weights[uint8_t(a[i])], y = weights[uint8_t(b[i])];
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

template <typename T>
int Compare3(T a, T b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

}  // namespace

uint8_t FoldCase(uint8_t c) { return FoldTable()[c]; }

DBResult Order::CheckIndexDesc(const IndexDesc& desc, const TableData& data, std::string* error) {
  auto refuse = [&](const std::string& why) {
    if (error) *error = "Cannot create index '" + desc.name + "': " + why;
    return kDBBadArgument;
  };
  if (desc.name.empty()) return refuse("the index has no name");
  for (size_t i = 0; i < desc.fields.size(); ++i) {
    uint16_t no = desc.fields[i];
    if (no == 0 || no > data.field_count())
      return refuse("key field " + std::to_string(i + 1) + " is field number " +
                    std::to_string(no) + ", the table has " + std::to_string(data.field_count()) +
                    " fields");
    const FieldDef& f = data.fields[no - 1];
    bool bytes = f.base() == kBaseString || f.base() == kBaseBytes;
    if ((f.type & kTypeArray) || (bytes && !f.varying()))
      return refuse("field '" + f.name + "' cannot be a key");
  }
  return kDBOk;
}

Order::Order(const IndexDesc& desc, const TableData& data) : desc_(desc) {
  for (size_t i = 0; i < desc.fields.size(); ++i) {
    const FieldDef& f = data.fields[desc.fields[i] - 1];
    Part p;
    p.field = uint16_t(desc.fields[i] - 1);
    if (f.varying()) {
      p.kind = kBytesKey;
    } else if (f.base() == kBaseFloat || f.base() == kBaseDateTime) {
      p.kind = kDouble;
    } else if (f.base() == kBaseUInt) {
      p.kind = kUnsigned;
    } else {
      p.kind = kSigned;
    }
    p.descending = i < desc.descending.size() && desc.descending[i];
    p.case_insensitive = i < desc.case_insensitive.size() && desc.case_insensitive[i];
    if (desc.collation != Collation::kBinary && f.base() == kBaseString) {
      const CollationTables& tables = TablesOf(desc.collation);
      p.weights = tables.letter.data();
      parts_.push_back(p);
      p.weights = p.case_insensitive ? tables.tie_ignore_case.data() : tables.tie.data();
    }
    parts_.push_back(p);
  }
}

int Order::CompareKeys(const RowSource& src, uint32_t a, uint32_t b) const {
  const TableData& data = *src.data;
  for (const Part& p : parts_) {
    const Cell& x = ResolvedCell(data, *src.replaces, a, p.field);
    const Cell& y = ResolvedCell(data, *src.replaces, b, p.field);
    int c;
    bool xnull = x.blank != kValue, ynull = y.blank != kValue;
    if (xnull || ynull) {
      c = xnull == ynull ? 0 : xnull ? -1 : 1;
    } else {
      switch (p.kind) {
        case kSigned:
          c = Compare3(int64_t(x.data), int64_t(y.data));
          break;
        case kUnsigned:
          c = Compare3(x.data, y.data);
          break;
        case kDouble: {
          double dx, dy;
          std::memcpy(&dx, &x.data, sizeof dx);
          std::memcpy(&dy, &y.data, sizeof dy);
          c = Compare3(dx, dy);
          break;
        }
        default:
          c = p.weights ? CompareWeighted(data.bytes(x), data.bytes(y), p.weights)
                        : CompareBytes(data.bytes(x), data.bytes(y), p.case_insensitive);
          break;
      }
    }
    if (c != 0) return p.descending ? -c : c;
  }
  return 0;
}

namespace {

// A row with an order-preserving image of 8 bytes of one key part. Sorting
// these compact items touches the table once per row and level instead of
// once per comparison, which keeps a sort of a million rows from chasing a
// cache miss per comparison.
struct SortItem {
  uint64_t image;
  uint32_t row;
  uint8_t rank;  // null apart from values
  uint8_t tail;  // bytes keys: how many bytes remain from the imaged offset, at most 9
};

bool ItemLess(const SortItem& a, const SortItem& b) {
  if (a.rank != b.rank) return a.rank < b.rank;
  if (a.image != b.image) return a.image < b.image;
  if (a.tail != b.tail) return a.tail < b.tail;
  return a.row < b.row;
}

bool SameImage(const SortItem& a, const SortItem& b) {
  return a.rank == b.rank && a.image == b.image && a.tail == b.tail;
}

// Maps a double to bits that sort as the numbers do (-0 and +0 alike).
uint64_t DoubleImage(double d) {
  if (d == 0) d = 0;
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return (bits & (uint64_t{1} << 63)) ? ~bits : bits | (uint64_t{1} << 63);
}

// Sets the image, rank and tail of `it` from cell `c` of key part `p` at byte
// `offset` of its value.
template <typename KeyPart>
void ImageOf(const KeyPart& p, const TableData& data, const Cell& c, size_t offset, SortItem* it) {
  it->image = 0;
  it->rank = c.blank == kValue;
  it->tail = 0;
  if (it->rank) {
    switch (p.kind) {
      case kSigned:
        it->image = c.data ^ (uint64_t{1} << 63);
        break;
      case kUnsigned:
        it->image = c.data;
        break;
      case kDouble: {
        double d;
        std::memcpy(&d, &c.data, sizeof d);
        it->image = DoubleImage(d);
        break;
      }
      default: {
        // Zero padding orders as the bytes do: a shorter string sorts
        // first, and tail tells a padded end from real zero bytes.
        std::string_view b = data.bytes(c);
        b = offset < b.size() ? b.substr(offset) : std::string_view();
        const uint8_t* map = p.weights            ? p.weights
                             : p.case_insensitive ? FoldTable().data()
                                                  : nullptr;
        for (size_t k = 0; k < 8; ++k) {
          uint8_t ch = k < b.size() ? uint8_t(b[k]) : 0;
          it->image = (it->image << 8) | (map ? map[ch] : ch);  // every map keeps 0 at 0
        }
        it->tail = uint8_t(std::min<size_t>(b.size(), 9));
        break;
      }
    }
  }
  if (p.descending) {
    it->image = ~it->image;
    it->rank = uint8_t(1 - it->rank);
    it->tail = uint8_t(9 - it->tail);
  }
}

// ItemLess reads an item as 14 digits of one byte, most significant first:
// rank, the 8 image bytes, tail, the 4 bytes of the row.
constexpr int kDigits = 14;

uint8_t DigitOf(const SortItem& it, int d) {
  if (d == 0) return it.rank;
  if (d <= 8) return uint8_t(it.image >> (8 * (8 - d)));
  if (d == 9) return it.tail;
  return uint8_t(it.row >> (8 * (13 - d)));
}

// The first digit from `d` on where the items of [lo, hi) differ; kDigits
// when they are all alike.
int FirstVaryingDigit(const SortItem* lo, const SortItem* hi, int d) {
  uint64_t image = 0;
  uint32_t row = 0;
  uint8_t rank = 0, tail = 0;
  for (const SortItem* it = lo + 1; it < hi; ++it) {
    rank |= it->rank ^ lo->rank;
    image |= it->image ^ lo->image;
    tail |= it->tail ^ lo->tail;
    row |= it->row ^ lo->row;
  }
  for (; d < kDigits; ++d) {
    bool varies = d == 0   ? rank != 0
                  : d <= 8 ? uint8_t(image >> (8 * (8 - d))) != 0
                  : d == 9 ? tail != 0
                           : uint8_t(row >> (8 * (13 - d))) != 0;
    if (varies) return d;
  }
  return kDigits;
}

// Moves every item of [lo, lo + sum of count) into the bucket of its digit
// `d` by following cycles; count[b] is bucket b's size, *start receives
// where each bucket begins.
void PermuteOnDigit(SortItem* lo, int d, const std::array<size_t, 256>& count,
                    std::array<size_t, 256>* start) {
  std::array<size_t, 256> next;
  size_t sum = 0;
  for (int b = 0; b < 256; ++b) {
    (*start)[b] = next[b] = sum;
    sum += count[b];
  }
  for (int b = 0; b < 256; ++b) {
    const size_t end = (*start)[b] + count[b];
    while (next[b] < end) {
      SortItem moving = lo[next[b]];
      uint8_t to = DigitOf(moving, d);
      while (to != b) {
        std::swap(moving, lo[next[to]++]);
        to = DigitOf(moving, d);
      }
      lo[next[b]++] = moving;
    }
  }
}

std::array<size_t, 256> CountDigits(const SortItem* lo, const SortItem* hi, int d) {
  std::array<size_t, 256> count{};
  for (const SortItem* it = lo; it < hi; ++it) ++count[DigitOf(*it, d)];
  return count;
}

// Sorts [lo, hi) by ItemLess with an in-place most-significant-digit radix
// sort: each pass counts one digit, moves every item into its digit's bucket,
// and sorts each bucket on the next digit. Digits alike throughout a bucket
// cost one pass to skip, and small buckets go to std::sort, where a pass per
// digit would cost more than the comparisons. The row digits make the order
// total, so the result is the one std::sort with ItemLess gives.
void RadixSort(SortItem* lo, SortItem* hi, int d) {
  constexpr ptrdiff_t kSmall = 48;
  while (hi - lo > kSmall) {
    const std::array<size_t, 256> count = CountDigits(lo, hi, d);
    if (count[DigitOf(*lo, d)] == size_t(hi - lo)) {
      d = FirstVaryingDigit(lo, hi, d + 1);
      if (d == kDigits) return;  // not reached while rows are distinct
      continue;
    }
    std::array<size_t, 256> start;
    PermuteOnDigit(lo, d, count, &start);
    if (d + 1 == kDigits) return;
    for (int b = 0; b < 256; ++b) {
      if (count[b] > 1) RadixSort(lo + start[b], lo + start[b] + count[b], d + 1);
    }
    return;
  }
  std::sort(lo, hi, ItemLess);
}

// Waits while a search holds the sorts aside (Order::Hold): a sort gives way
// between its steps, so that a search on a machine with few cores has them.
void GiveWay(const std::atomic<int>& holds) {
  while (holds.load(std::memory_order_acquire) > 0) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

// Below this many items a second thread costs more than it saves.
constexpr size_t kParallelItems = size_t{1} << 16;

// RadixSort on two threads: one pass on the first varying digit, then the
// buckets in two groups of about equal size, one group per thread. A bucket
// holding most items is sorted the same way in turn.
void SortItems(SortItem* lo, SortItem* hi, int d, const std::atomic<int>& holds) {
  const size_t n = size_t(hi - lo);
  if (n < kParallelItems) return RadixSort(lo, hi, d);
  d = FirstVaryingDigit(lo, hi, d);
  if (d == kDigits) return;
  const std::array<size_t, 256> count = CountDigits(lo, hi, d);
  std::array<size_t, 256> start;
  PermuteOnDigit(lo, d, count, &start);
  if (d + 1 == kDigits) return;
  auto sort_buckets = [&](int from, int to) {
    for (int b = from; b < to; ++b) {
      GiveWay(holds);
      if (count[b] > 1) RadixSort(lo + start[b], lo + start[b] + count[b], d + 1);
    }
  };
  const int largest = int(std::max_element(count.begin(), count.end()) - count.begin());
  if (count[largest] > n / 2) {
    sort_buckets(0, largest);
    sort_buckets(largest + 1, 256);
    return SortItems(lo + start[largest], lo + start[largest] + count[largest], d + 1, holds);
  }
  int split = 0;
  for (size_t half = 0; split < 256 && half + count[split] <= n / 2; ++split) half += count[split];
  platform::RunBoth(
      true, [&] { sort_buckets(0, split); }, [&] { sort_buckets(split, 256); });
}

}  // namespace

// A key-prefix sort: items are radix-sorted (RadixSort above) on an 8-byte
// image of one key part at one byte offset; every run of equal images that
// does not yet decide the order is sorted again on the next 8 bytes of the
// same part, or on the next part. Rows break the remaining ties, so the
// result equals sorting with Less(). A large sort runs on two threads: the
// images of the first level are made in two halves, its radix sort splits
// its buckets, and the runs of equal images are shared out.
void Order::Build(const RowSource& src, std::vector<uint32_t> current_rows) {
  rows_ = std::move(current_rows);
  if (parts_.empty() || rows_.size() < 2) return;
  const TableData& data = *src.data;
  // Fresh memory is slow to touch the first time: the items are filled in
  // steps, so that a sort aside gives way to a search meanwhile too.
  std::vector<SortItem> items;
  items.reserve(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (i % 4096 == 0) GiveWay(holds_);
    items.push_back(SortItem{0, rows_[i], 0, 0});
  }

  struct Task {
    size_t lo, hi, part, offset;
  };
  // Makes the images of items [lo, hi) for one part at one byte offset.
  auto make_images = [&](size_t lo, size_t hi, const Part& p, size_t offset) {
    constexpr size_t kAhead = 8;
    const bool bytes_key = p.kind == kBytesKey;
    for (size_t i = lo; i < hi; ++i) {
      if (i % 4096 == 0) GiveWay(holds_);
      // After the first level the rows of a run are scattered over the table,
      // so each cell and each key's bytes is a cache miss; asking for them a
      // few items ahead lets those misses overlap instead of queueing.
      if (i + 2 * kAhead < hi) {
        __builtin_prefetch(&data.cell(items[i + 2 * kAhead].row, p.field));
      }
      if (bytes_key && i + kAhead < hi) {
        const Cell& c = ResolvedCell(data, *src.replaces, items[i + kAhead].row, p.field);
        if (c.blank == kValue) {
          std::string_view b = data.bytes(c);
          if (offset < b.size()) __builtin_prefetch(b.data() + offset);
        }
      }
      ImageOf(p, data, ResolvedCell(data, *src.replaces, items[i].row, p.field), offset, &items[i]);
    }
  };
  // Adds the runs of equal images in sorted [t.lo, t.hi) that the next
  // bytes or the next part must still order.
  auto push_ties = [&](const Task& t, std::vector<Task>* tasks) {
    const Part& p = parts_[t.part];
    for (size_t lo = t.lo; lo < t.hi;) {
      size_t hi = lo + 1;
      while (hi < t.hi && SameImage(items[lo], items[hi])) ++hi;
      if (hi - lo >= 2) {
        const bool is_null = items[lo].rank == (p.descending ? 1 : 0);
        const uint8_t more_tail = p.descending ? 0 : 9;
        if (p.kind == kBytesKey && !is_null && items[lo].tail == more_tail) {
          tasks->push_back({lo, hi, t.part, t.offset + 8});
        } else if (t.part + 1 < parts_.size()) {
          tasks->push_back({lo, hi, t.part + 1, 0});
        }
      }
      lo = hi;
    }
  };
  auto run_tasks = [&](std::vector<Task> tasks) {
    while (!tasks.empty()) {
      const Task t = tasks.back();
      tasks.pop_back();
      GiveWay(holds_);
      make_images(t.lo, t.hi, parts_[t.part], t.offset);
      RadixSort(items.data() + t.lo, items.data() + t.hi, 0);
      push_ties(t, &tasks);
    }
  };

  const size_t n = items.size();
  const bool parallel = n >= kParallelItems;
  platform::RunBoth(
      parallel, [&] { make_images(0, n / 2, parts_[0], 0); },
      [&] { make_images(n / 2, n, parts_[0], 0); });
  GiveWay(holds_);
  SortItems(items.data(), items.data() + n, 0, holds_);
  std::vector<Task> ties, other;
  push_ties({0, n, 0, 0}, &ties);
  // Runs go to the two threads in turns of about equal size.
  size_t mine = 0, theirs = 0;
  std::vector<Task> own;
  for (const Task& t : ties) {
    (mine <= theirs ? own : other).push_back(t);
    (mine <= theirs ? mine : theirs) += t.hi - t.lo;
  }
  platform::RunBoth(
      parallel && !other.empty(), [&] { run_tasks(std::move(other)); },
      [&] { run_tasks(std::move(own)); });
  for (size_t i = 0; i < n; ++i) rows_[i] = items[i].row;
}

Order::~Order() {
  try {
    Settle();
  } catch (...) {
    // The order is going: a sort that failed has nothing left to give.
  }
}

void Order::BuildAside(const RowSource& src, const std::vector<uint32_t>& current_rows,
                       size_t least_rows) {
  Settle();
  if (parts_.empty() || current_rows.size() < std::max(least_rows, kHeadRows)) {
    return Build(src, current_rows);
  }
  aside_source_ = src;
  aside_rows_ = &current_rows;
  aside_size_ = current_rows.size();
  rows_.clear();
  holds_.store(0, std::memory_order_relaxed);
  // The head first, while both cores are free for it: the pass reads the
  // rows' cells and first bytes, and a sort beside it would share them.
  head_ = HeadOf(src, current_rows);
  try {
    aside_ = std::thread([this, src, &current_rows] {
      try {
        Build(src, current_rows);
      } catch (...) {
        aside_failed_ = true;
      }
    });
  } catch (...) {
    return Build(src, current_rows);  // no thread to be had
  }
  sorting_aside_ = true;
}

void Order::Hold() const {
  if (sorting_aside_) holds_.fetch_add(1, std::memory_order_acq_rel);
}

void Order::Release() const {
  if (sorting_aside_) holds_.fetch_sub(1, std::memory_order_acq_rel);
}

void Order::Settle() const {
  if (!sorting_aside_) return;
  // Whoever waits for the sort lets it go on, held or not.
  holds_.store(kSettling, std::memory_order_release);
  aside_.join();
  sorting_aside_ = false;
  if (aside_failed_) {
    // The sort ran out of memory (or of threads) on the way. A sort in
    // place needs no more than the rows, and keeps the order whole, or
    // this throws as the sort did.
    aside_failed_ = false;
    rows_ = *aside_rows_;
    std::sort(rows_.begin(), rows_.end(),
              [this](uint32_t a, uint32_t b) { return Less(aside_source_, a, b); });
  }
}

std::vector<uint32_t> Order::HeadOf(const RowSource& src, const std::vector<uint32_t>& rows) const {
  // The two halves of the rows on two threads, each to a head of its own;
  // the head is the first places of both.
  auto less = [&](uint32_t a, uint32_t b) { return Less(src, a, b); };
  const size_t half = rows.size() / 2;
  std::vector<uint32_t> front, back;
  platform::RunBoth(
      true, [&] { front = HeadOfSpan(src, std::span(rows).first(half)); },
      [&] { back = HeadOfSpan(src, std::span(rows).subspan(half)); });
  std::vector<uint32_t> head(front.size() + back.size());
  std::merge(front.begin(), front.end(), back.begin(), back.end(), head.begin(), less);
  head.resize(std::min(head.size(), kHeadRows));
  return head;
}

std::vector<uint32_t> Order::HeadOfSpan(const RowSource& src,
                                        std::span<const uint32_t> rows) const {
  // A max-heap of the smallest rows seen so far. A row whose first key part
  // images above the largest one's cannot enter, and most rows are turned
  // away by that one comparison of images.
  const TableData& data = *src.data;
  const Part& first = parts_.front();
  auto image = [&](uint32_t row) {
    SortItem it{};
    ImageOf(first, data, ResolvedCell(data, *src.replaces, row, first.field), 0, &it);
    return std::tuple(it.rank, it.image, it.tail);
  };
  auto less = [&](uint32_t a, uint32_t b) { return Less(src, a, b); };
  std::vector<uint32_t> heap;
  heap.reserve(kHeadRows);
  auto largest = image(rows.front());
  constexpr size_t kAhead = 8;
  for (size_t i = 0; i < rows.size(); ++i) {
    // The cells lie a row's width apart, the keys' bytes among the other
    // fields' values: asking for both ahead lets the misses overlap.
    if (i + 2 * kAhead < rows.size()) {
      __builtin_prefetch(&data.cell(rows[i + 2 * kAhead], first.field));
    }
    if (first.kind == kBytesKey && i + kAhead < rows.size()) {
      const Cell& c = ResolvedCell(data, *src.replaces, rows[i + kAhead], first.field);
      if (c.blank == kValue) __builtin_prefetch(data.bytes(c).data());
    }
    const uint32_t row = rows[i];
    if (heap.size() < kHeadRows) {
      heap.push_back(row);
      std::push_heap(heap.begin(), heap.end(), less);
      if (heap.size() == kHeadRows) largest = image(heap.front());
      continue;
    }
    if (image(row) > largest || !Less(src, row, heap.front())) continue;
    std::pop_heap(heap.begin(), heap.end(), less);
    heap.back() = row;
    std::push_heap(heap.begin(), heap.end(), less);
    largest = image(heap.front());
  }
  std::sort_heap(heap.begin(), heap.end(), less);
  return heap;
}

size_t Order::LowerBound(const RowSource& src, const std::vector<uint32_t>& rows,
                         uint32_t row) const {
  if (parts_.empty()) return std::lower_bound(rows.begin(), rows.end(), row) - rows.begin();
  return std::lower_bound(rows.begin(), rows.end(), row,
                          [&](uint32_t a, uint32_t b) { return Less(src, a, b); }) -
         rows.begin();
}

size_t Order::LowerPlace(const RowSource& src, uint32_t row) const {
  if (sorting_aside_) {
    // The head is the order's first places: a bound inside it is the bound.
    const size_t i = LowerBound(src, head_, row);
    if (i < head_.size()) return i;
  }
  return LowerBound(src, rows(), row);
}

size_t Order::PlaceOf(const RowSource& src, uint32_t row) const {
  const size_t i = LowerPlace(src, row);
  return i < size() && RowAt(i) == row ? i : kNotFound;
}

size_t Order::Find(const RowSource& src, const std::vector<uint32_t>& rows, uint32_t row) const {
  size_t i = LowerBound(src, rows, row);
  return i < rows.size() && rows[i] == row ? i : kNotFound;
}

size_t Order::Insert(const RowSource& src, uint32_t row) {
  Settle();
  size_t i = LowerBound(src, rows_, row);
  assert(i == rows_.size() || rows_[i] != row);
  rows_.insert(rows_.begin() + i, row);
  return i;
}

size_t Order::Erase(const RowSource& src, uint32_t row) {
  Settle();
  size_t i = Find(src, rows_, row);
  if (i != kNotFound) rows_.erase(rows_.begin() + i);
  return i;
}

void Order::Replace(const RowSource& src, uint32_t removed, uint32_t added, size_t* erased,
                    size_t* inserted) {
  Settle();
  const size_t i = Find(src, rows_, removed);
  *erased = i;
  if (i == kNotFound) {
    *inserted = Insert(src, added);
    return;
  }
  // `added` goes before the row at j of the vector that still holds `removed`.
  const size_t j = LowerBound(src, rows_, added);
  if (j > i) {
    std::move(rows_.begin() + i + 1, rows_.begin() + j, rows_.begin() + i);
    rows_[j - 1] = added;
    *inserted = j - 1;
  } else {
    std::move_backward(rows_.begin() + j, rows_.begin() + i, rows_.begin() + i + 1);
    rows_[j] = added;
    *inserted = j;
  }
}

size_t Order::FindEqualKey(const RowSource& src, uint32_t row, uint32_t except) const {
  Settle();
  // Rows with an equal key sit next to each other, ordered by row number, so
  // the place `row` would take has any equal key right before or after it,
  // skipping at most the one excepted row.
  size_t i = LowerBound(src, rows_, row);
  for (size_t j = i >= 2 ? i - 2 : 0; j < std::min(rows_.size(), i + 2); ++j) {
    if (rows_[j] != except && rows_[j] != row && CompareKeys(src, rows_[j], row) == 0) return j;
  }
  return kNotFound;
}

}  // namespace engine
