// Word index of a text field (see word_index.h).
#include "engine/word_index.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

#include "engine/simd.h"
#include "engine/text_fold.h"

namespace engine::filter {

namespace {

constexpr std::array<bool, 256> MakeWordBytes() {
  std::array<bool, 256> t{};
  for (int b = 0; b < 256; ++b) t[b] = IsWordByte(static_cast<uint8_t>(b));
  return t;
}
[[maybe_unused]] constexpr std::array<bool, 256> kWordByte = MakeWordBytes();

// Folds n bytes of `s` into `out`; 16 bytes at a time while they are ASCII.
void FoldInto(const uint8_t* s, size_t n, uint8_t* out) {
  const auto& fold = FoldTable();
  size_t i = 0;
#if VR_USE_SSE2
  const __m128i a = _mm_set1_epi8('A'), flip = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i limit = _mm_set1_epi8(static_cast<char>(0x80 + 26)), bit = _mm_set1_epi8(0x20);
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    if (_mm_movemask_epi8(x) != 0) {
      for (size_t j = i; j < i + 16; ++j) out[j] = fold[s[j]];
      continue;
    }
    // x - 'A' < 26, unsigned, as a signed compare with the top bit flipped.
    const __m128i upper = _mm_cmplt_epi8(_mm_xor_si128(_mm_sub_epi8(x, a), flip), limit);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_or_si128(x, _mm_and_si128(upper, bit)));
  }
#endif
  for (; i < n; ++i) out[i] = fold[s[i]];
}

// One bit per byte of `s` (n a multiple of 64), set for word bytes.
void MarkWordBytes(const uint8_t* s, size_t n, uint64_t* bits) {
  for (size_t w = 0; w * 64 < n; ++w) {
    const uint8_t* p = s + w * 64;
#if VR_USE_SSE2
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i zero = _mm_set1_epi8('0'), ten = _mm_set1_epi8(static_cast<char>(0x80 + 10));
    const __m128i a = _mm_set1_epi8('a'), az = _mm_set1_epi8(static_cast<char>(0x80 + 26));
    const __m128i bit = _mm_set1_epi8(0x20);
    uint64_t m = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
      const __m128i digit = _mm_cmplt_epi8(_mm_xor_si128(_mm_sub_epi8(x, zero), flip), ten);
      const __m128i letter =
          _mm_cmplt_epi8(_mm_xor_si128(_mm_sub_epi8(_mm_or_si128(x, bit), a), flip), az);
      const auto word = static_cast<uint32_t>(_mm_movemask_epi8(x)) |
                        static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(digit, letter)));
      m |= static_cast<uint64_t>(word) << (16 * k);
    }
    bits[w] = m;
#else
    uint64_t m = 0;
    for (int k = 0; k < 64; ++k) m |= static_cast<uint64_t>(kWordByte[p[k]]) << k;
    bits[w] = m;
#endif
  }
}

// The first bit at or after `i` that is set (`want` true) or clear in
// `bits`, or n. REQUIRES: the bit array reaches past n by one word.
size_t NextBit(const uint64_t* bits, size_t i, size_t n, bool want) {
  size_t w = i >> 6;
  uint64_t m = (want ? bits[w] : ~bits[w]) & (~uint64_t{0} << (i & 63));
  while (m == 0) {
    if (++w * 64 >= n) return n;
    m = want ? bits[w] : ~bits[w];
  }
  return std::min(n, w * 64 + static_cast<size_t>(__builtin_ctzll(m)));
}

// The first (up to) eight bytes of a word as one number, and a hash of the
// whole word, 8 bytes per step. REQUIRES: 8 readable bytes past the word
// (the bytes beyond it are masked off).
uint64_t WordHead(const uint8_t* p, size_t len) {
  uint64_t x;
  std::memcpy(&x, p, 8);
  return len >= 8 ? x : x & ~(~uint64_t{0} << (8 * len));
}

uint64_t HashWord(const uint8_t* p, size_t len, uint64_t head) {
  auto mix = [](uint64_t x) {
    x *= 0x9E3779B97F4A7C15ull;
    return x ^ (x >> 29);
  };
  uint64_t h = mix(mix(len + 1) ^ head);
  size_t i = 8;
  for (; i + 8 <= len; i += 8) {
    uint64_t x;
    std::memcpy(&x, p + i, 8);
    h = mix(h ^ x);
  }
  if (i < len) h = mix(h ^ WordHead(p + i, len - i));
  return h;
}

}  // namespace

void WordIndex::Extend(const TableData& data, size_t field) {
  ExtendTo(data, field, data.row_count(), nullptr, SIZE_MAX);
}

WordIndex::Progress WordIndex::ExtendTo(const TableData& data, size_t field, size_t end,
                                        const std::atomic<bool>* stop, size_t memory_budget,
                                        Pause* pause) {
  const size_t rows = std::min(end, data.row_count());
  const auto* heap = reinterpret_cast<const uint8_t*>(data.heap.data());
  const size_t heap_size = data.heap.size();
  // The value folded, zero bytes (no word bytes) up to a multiple of 64 and
  // 8 more for the hash's reads; and its word bytes, one word of bits more.
  std::vector<uint8_t> folded;
  std::vector<uint64_t> bits;
  state_.reserve(rows);
  const size_t first_row = state_.size();
  for (size_t r = state_.size(); r < rows; ++r) {
    if (r % kPauseRows == 0 && r > 0) {
      if (first_row == 0 && r == kEstimateRows) ReserveForRows(rows);
      if (pause != nullptr) pause->Between(*this);
      if (stop != nullptr && stop->load(std::memory_order_relaxed)) return Progress::kStopped;
      if ((r & 4095) == 0 && memory_budget != SIZE_MAX && MemoryBytes() > memory_budget)
        return Progress::kOverBudget;
    }
    // Values lie far apart in the heap (the other fields' bytes between
    // them): the cell and the first bytes of a value some rows ahead are
    // fetched early so the loop does not wait for memory at every row.
    if (r + 16 < rows) __builtin_prefetch(&data.cell(r + 16, field));
    if (r + 8 < rows) {
      const Cell& ahead = data.cell(r + 8, field);
      if (ahead.blank == kValue && ahead.data < heap_size) {
        __builtin_prefetch(heap + ahead.data);
        if (ahead.len > 64 && heap_size - ahead.data > 64)
          __builtin_prefetch(heap + ahead.data + 64);
      }
    }
    assert(recent_ids_.size() < UINT32_MAX);
    recent_start_.push_back(static_cast<uint32_t>(recent_ids_.size()));
    const Cell& c = data.cell(r, field);
    if (c.blank != kValue) {
      state_.push_back(c.blank == kUnchanged ? kAskRow : kNoValue);
      if (c.blank == kUnchanged) ask_rows_.push_back(static_cast<uint32_t>(r));
      continue;
    }
    if (c.data > heap_size || heap_size - c.data < c.len) {
      state_.push_back(kAskRow);  // the row-by-row path reports it as no value
      ask_rows_.push_back(static_cast<uint32_t>(r));
      continue;
    }
    state_.push_back(kIndexed);
    const size_t n = c.len;
    const size_t padded = (n + 63) / 64 * 64;
    if (folded.size() < padded + 8) folded.resize(padded + 8);
    FoldInto(heap + c.data, n, folded.data());
    std::memset(folded.data() + n, 0, padded + 8 - n);
    if (bits.size() < padded / 64 + 1) bits.resize(padded / 64 + 1);
    MarkWordBytes(folded.data(), padded, bits.data());
    bits[padded / 64] = 0;
    for (size_t i = NextBit(bits.data(), 0, n, true); i < n;) {
      const size_t e = NextBit(bits.data(), i, n, false);
      const std::string_view word(reinterpret_cast<const char*>(folded.data() + i), e - i);
      const uint64_t head = WordHead(folded.data() + i, e - i);
      const uint32_t id = WordId(word, HashWord(folded.data() + i, e - i, head), head);
      // Rows arrive in order, so a word already seen in this row was last
      // seen in this row.
      if (last_row_[id] != r + 1) {
        last_row_[id] = static_cast<uint32_t>(r + 1);
        recent_ids_.push_back(id);
        ++recent_count_[id];
      }
      i = e < n ? NextBit(bits.data(), e, n, true) : n;
    }
  }
  // Folding costs a pass over the bulk: done when the recent rows have grown
  // to an eighth of it (at once after the first build).
  if (recent_ids_.size() > listed_.size() / 8 + 4096) {
    // The fold has no place to stop: a search waiting for the build takes
    // the rows as they stand before it.
    if (pause != nullptr) pause->Between(*this);
    Fold();
  }
  return memory_budget != SIZE_MAX && MemoryBytes() > memory_budget ? Progress::kOverBudget
                                                                    : Progress::kDone;
}

void WordIndex::ReserveForRows(size_t rows) {
  const size_t seen = state_.size();  // kEstimateRows, more than none
  recent_ids_.reserve(recent_ids_.size() * rows / seen / 8 * 9 + 4096);
  recent_start_.reserve(rows);
}

void WordIndex::Fold() {
  const size_t words = start_.size();
  const size_t rows_after = rows();
  dense_of_.resize(words, 0);
  // Words that become dense now: their bulk list turns into bits.
  for (size_t w = 0; w < words; ++w) {
    if (dense_of_[w] != 0 || rows_after < 4096 ||
        (Listed(w) + recent_count_[w]) * kDenseShare <= rows_after)
      continue;
    std::vector<uint64_t> bits((rows_after + 63) / 64, 0);
    for (size_t j = Listed(w) > 0 ? first_[w] : 0, end = j + Listed(w); j < end; ++j)
      bits[listed_[j] >> 6] |= uint64_t{1} << (listed_[j] & 63);
    dense_.push_back(std::move(bits));
    dense_of_[w] = static_cast<uint32_t>(dense_.size());
  }
  for (std::vector<uint64_t>& bits : dense_) bits.resize((rows_after + 63) / 64, 0);
  auto listed_count = [&](size_t w) { return dense_of_[w] != 0 ? size_t{0} : Listed(w); };
  std::vector<uint32_t> first(words + 1, 0);
  for (size_t w = 0; w < words; ++w) {
    first[w + 1] = static_cast<uint32_t>(listed_count(w));
    if (dense_of_[w] == 0) first[w + 1] += recent_count_[w];
  }
  for (size_t w = 0; w < words; ++w) first[w + 1] += first[w];
  std::vector<uint32_t> listed(first[words]);
  std::vector<uint32_t> next(first.begin(), first.end() - 1);
  for (size_t w = 0; w + 1 < first_.size(); ++w) {
    if (dense_of_[w] != 0) continue;
    std::copy(listed_.begin() + first_[w], listed_.begin() + first_[w + 1],
              listed.begin() + next[w]);
    next[w] += first_[w + 1] - first_[w];
  }
  for (size_t k = 0; k < recent_start_.size(); ++k) {
    const size_t end = k + 1 < recent_start_.size() ? recent_start_[k + 1] : recent_ids_.size();
    const auto row = static_cast<uint32_t>(listed_rows_ + k);
    for (size_t j = recent_start_[k]; j < end; ++j) {
      const uint32_t id = recent_ids_[j];
      if (dense_of_[id] != 0) {
        dense_[dense_of_[id] - 1][row >> 6] |= uint64_t{1} << (row & 63);
      } else {
        listed[next[id]++] = row;
      }
    }
  }
  first_.swap(first);
  listed_.swap(listed);
  listed_rows_ = rows_after;
  std::vector<uint32_t>().swap(recent_ids_);  // gives the memory back
  std::vector<uint32_t>().swap(recent_start_);
  std::fill(recent_count_.begin(), recent_count_.end(), 0);
}

uint32_t WordIndex::WordId(std::string_view word, uint64_t hash, uint64_t head) {
  if ((start_.size() + 1) * 2 > slots_.size()) Grow();
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& s = slots_[i];
    if (s.id == 0) {
      assert(words_.size() + word.size() < UINT32_MAX);
      const auto id = static_cast<uint32_t>(start_.size());
      start_.push_back(static_cast<uint32_t>(words_.size()));
      words_.append(word);
      words_.push_back('\0');
      last_row_.push_back(0);
      recent_count_.push_back(0);
      s = {hash, head, id + 1, static_cast<uint32_t>(word.size())};
      return id;
    }
    if (s.hash == hash && s.head == head && s.len == word.size() &&
        (word.size() <= 8 ||
         std::memcmp(words_.data() + start_[s.id - 1] + 8, word.data() + 8, word.size() - 8) == 0))
      return s.id - 1;
  }
}

void WordIndex::Grow() {
  const size_t size = std::max<size_t>(1024, slots_.size() * 2);
  std::vector<Slot> slots(size);
  for (const Slot& s : slots_) {
    if (s.id == 0) continue;
    size_t j = s.hash & (size - 1);
    while (slots[j].id != 0) j = (j + 1) & (size - 1);
    slots[j] = s;
  }
  slots_.swap(slots);
}

bool WordIndex::MarkRowsHolding(std::string_view term, size_t budget,
                                std::vector<uint64_t>* bits) const {
  assert(!term.empty() && bits->size() * 64 >= rows());
  const std::string_view all(words_);
  const size_t size = all.size();
  std::vector<uint32_t> found;
  size_t listed = 0;
  size_t pos = 0;
  while (pos < size) {
    const size_t at = all.find(term, pos);
    if (at == std::string_view::npos) break;
    // The word holding the hit: the last one starting at or before it.
    const size_t id =
        static_cast<size_t>(std::upper_bound(start_.begin(), start_.end(), at) - start_.begin()) -
        1;
    // A dense word costs a word operation per 64 rows of the bulk.
    listed += (IsDense(id) ? listed_rows_ / 64 : Listed(id)) + recent_count_[id];
    if (listed > budget) return false;
    found.push_back(static_cast<uint32_t>(id));
    pos = id + 1 < start_.size() ? start_[id + 1] : size;
  }
  uint64_t* b = bits->data();
  for (const uint32_t id : found) {
    if (IsDense(id)) {
      const std::vector<uint64_t>& d = dense_[dense_of_[id] - 1];
      for (size_t i = 0; i < d.size(); ++i) b[i] |= d[i];
      continue;
    }
    const size_t n = Listed(id);  // 0 for words met after the bulk
    for (size_t j = n > 0 ? first_[id] : 0, end = j + n; j < end; ++j)
      b[listed_[j] >> 6] |= uint64_t{1} << (listed_[j] & 63);
  }
  if (!recent_start_.empty() && !found.empty()) {
    std::vector<uint8_t> wanted(start_.size(), 0);
    for (const uint32_t id : found) wanted[id] = 1;
    for (size_t k = 0; k < recent_start_.size(); ++k) {
      const size_t end = k + 1 < recent_start_.size() ? recent_start_[k + 1] : recent_ids_.size();
      for (size_t j = recent_start_[k]; j < end; ++j) {
        if (wanted[recent_ids_[j]]) {
          const size_t row = listed_rows_ + k;
          b[row >> 6] |= uint64_t{1} << (row & 63);
          break;
        }
      }
    }
  }
  return true;
}

size_t WordIndex::MemoryBytes() const {
  size_t bytes =
      sizeof(*this) + words_.capacity() + start_.capacity() * sizeof(uint32_t) +
      slots_.capacity() * sizeof(Slot) + state_.capacity() +
      (last_row_.capacity() + recent_count_.capacity()) * sizeof(uint32_t) +
      (first_.capacity() + listed_.capacity() + recent_ids_.capacity() + recent_start_.capacity()) *
          sizeof(uint32_t) +
      (dense_of_.capacity() + ask_rows_.capacity()) * sizeof(uint32_t);
  for (const std::vector<uint64_t>& d : dense_) bytes += d.capacity() * sizeof(uint64_t);
  return bytes;
}

}  // namespace engine::filter
