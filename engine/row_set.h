// A set of table rows as one bit per row: what a filter lets through.
//
// A filtered view holds its rows this way rather than as a list in its order,
// so that evaluating a filter costs one pass of word operations however many
// rows pass, the count is a population count, and the view's rows in its
// order are found only as far as they are read (engine/cursor.h).
//
// Must stay true: no bit at or past size() is set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace engine {

class RowSet {
 public:
  RowSet() = default;
  // `size` rows, none in the set.
  explicit RowSet(size_t size) : size_(size), words_((size + 63) / 64, 0) {}

  size_t size() const { return size_; }
  bool empty() const {
    for (uint64_t w : words_)
      if (w != 0) return false;
    return true;
  }
  bool Test(size_t row) const { return row < size_ && ((words_[row >> 6] >> (row & 63)) & 1) != 0; }
  void Set(size_t row) { words_[row >> 6] |= uint64_t{1} << (row & 63); }
  void Clear(size_t row) { words_[row >> 6] &= ~(uint64_t{1} << (row & 63)); }
  // Grows to `size` rows; the new rows are not in the set.
  void Resize(size_t size) {
    size_ = size;
    words_.resize((size + 63) / 64, 0);
  }
  size_t Count() const {
    size_t n = 0;
    for (uint64_t w : words_) n += static_cast<size_t>(__builtin_popcountll(w));
    return n;
  }

  // Set operations with a set of the same size.
  void And(const RowSet& other) {
    for (size_t i = 0; i < words_.size(); ++i) words_[i] &= other.words_[i];
  }
  void AndNot(const RowSet& other) {
    for (size_t i = 0; i < words_.size(); ++i) words_[i] &= ~other.words_[i];
  }
  void Or(const RowSet& other) {
    for (size_t i = 0; i < words_.size(); ++i) words_[i] |= other.words_[i];
  }

  // The rows in ascending order.
  template <typename F>
  void ForEach(F&& f) const {
    for (size_t i = 0; i < words_.size(); ++i) {
      for (uint64_t w = words_[i]; w != 0; w &= w - 1)
        f(static_cast<uint32_t>(i * 64 + static_cast<size_t>(__builtin_ctzll(w))));
    }
  }
  std::vector<uint32_t> ToRows() const {
    std::vector<uint32_t> rows;
    rows.reserve(Count());
    ForEach([&](uint32_t r) { rows.push_back(r); });
    return rows;
  }
  // REQUIRES: every row of `rows` below size().
  void SetRows(const std::vector<uint32_t>& rows) {
    for (uint32_t r : rows) Set(r);
  }

  std::vector<uint64_t>& words() { return words_; }
  const std::vector<uint64_t>& words() const { return words_; }
  void swap(RowSet& other) noexcept {
    std::swap(size_, other.size_);
    words_.swap(other.words_);
  }

 private:
  size_t size_ = 0;
  std::vector<uint64_t> words_;
};

}  // namespace engine
