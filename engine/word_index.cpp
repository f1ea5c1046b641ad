// Word index of a text field (see word_index.h).
#include "engine/word_index.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

#include "engine/text_fold.h"

namespace engine::filter {

namespace {

constexpr std::array<bool, 256> MakeWordBytes() {
  std::array<bool, 256> t{};
  for (int b = 0; b < 256; ++b) t[b] = IsWordByte(static_cast<uint8_t>(b));
  return t;
}
constexpr std::array<bool, 256> kWordByte = MakeWordBytes();

constexpr uint64_t kFnvBasis = 1469598103934665603ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

}  // namespace

void WordIndex::Extend(const TableData& data, size_t field) {
  const size_t rows = data.row_count();
  const auto& fold = FoldTable();
  const auto* heap = reinterpret_cast<const uint8_t*>(data.heap.data());
  const size_t heap_size = data.heap.size();
  std::string word;
  state_.reserve(rows);
  for (size_t r = state_.size(); r < rows; ++r) {
    const Cell& c = data.cell(r, field);
    if (c.blank != kValue) {
      state_.push_back(c.blank == kUnchanged ? kAskRow : kNoValue);
      continue;
    }
    if (c.data > heap_size || heap_size - c.data < c.len) {
      state_.push_back(kAskRow);  // the row-by-row path reports it as no value
      continue;
    }
    state_.push_back(kIndexed);
    const uint8_t* s = heap + c.data;
    const size_t n = c.len;
    size_t i = 0;
    while (i < n) {
      while (i < n && !kWordByte[s[i]]) ++i;
      if (i == n) break;
      word.clear();
      uint64_t h = kFnvBasis;
      for (; i < n && kWordByte[s[i]]; ++i) {
        const uint8_t f = fold[s[i]];
        word.push_back(static_cast<char>(f));
        h = (h ^ f) * kFnvPrime;
      }
      std::vector<uint32_t>& list = rows_of_[WordId(word, h)];
      // Rows arrive in order, so a row already listed is the last one.
      if (list.empty() || list.back() != r) list.push_back(static_cast<uint32_t>(r));
    }
  }
}

uint32_t WordIndex::WordId(std::string_view word, uint64_t hash) {
  if ((start_.size() + 1) * 2 > slots_.size()) Grow();
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const uint32_t s = slots_[i];
    if (s == 0) {
      assert(words_.size() + word.size() < UINT32_MAX);
      const auto id = static_cast<uint32_t>(start_.size());
      start_.push_back(static_cast<uint32_t>(words_.size()));
      words_.append(word);
      words_.push_back('\0');
      rows_of_.emplace_back();
      slots_[i] = id + 1;
      slot_hash_[i] = hash;
      return id;
    }
    if (slot_hash_[i] == hash) {
      const uint32_t id = s - 1;
      const size_t begin = start_[id];
      const size_t end = id + 1 < start_.size() ? start_[id + 1] - 1 : words_.size() - 1;
      if (std::string_view(words_).substr(begin, end - begin) == word) return id;
    }
  }
}

void WordIndex::Grow() {
  const size_t size = std::max<size_t>(1024, slots_.size() * 2);
  std::vector<uint32_t> slots(size, 0);
  std::vector<uint64_t> hashes(size, 0);
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i] == 0) continue;
    size_t j = slot_hash_[i] & (size - 1);
    while (slots[j] != 0) j = (j + 1) & (size - 1);
    slots[j] = slots_[i];
    hashes[j] = slot_hash_[i];
  }
  slots_.swap(slots);
  slot_hash_.swap(hashes);
}

void WordIndex::MarkRowsHolding(std::string_view term, std::vector<uint64_t>* bits) const {
  assert(!term.empty() && bits->size() * 64 >= rows());
  const char* base = words_.data();
  const size_t size = words_.size();
  size_t pos = 0;
  while (pos < size) {
    const void* hit = memmem(base + pos, size - pos, term.data(), term.size());
    if (!hit) break;
    const auto at = static_cast<size_t>(static_cast<const char*>(hit) - base);
    // The word holding the hit: the last one starting at or before it.
    const size_t id =
        static_cast<size_t>(std::upper_bound(start_.begin(), start_.end(), at) - start_.begin()) - 1;
    uint64_t* b = bits->data();
    for (const uint32_t r : rows_of_[id]) b[r >> 6] |= uint64_t{1} << (r & 63);
    pos = id + 1 < start_.size() ? start_[id + 1] : size;
  }
}

size_t WordIndex::MemoryBytes() const {
  size_t bytes = sizeof(*this) + words_.capacity() + start_.capacity() * sizeof(uint32_t) +
                 slots_.capacity() * sizeof(uint32_t) + slot_hash_.capacity() * sizeof(uint64_t) +
                 state_.capacity() + rows_of_.capacity() * sizeof(std::vector<uint32_t>);
  for (const auto& list : rows_of_) bytes += list.capacity() * sizeof(uint32_t);
  return bytes;
}

}  // namespace engine::filter
