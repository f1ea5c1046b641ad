// Little-endian coding of fixed-width numbers and length-prefixed bytes.
//
// Every little-endian read and write of the engine goes through this unit.
// Writers append to a std::string or store into memory the caller has sized;
// ByteReader never reads past the end of its span: each Get returns false and
// leaves the position unchanged when the bytes are not there.
// Used by the binary packet reader and writer and the XML parameter coding.
#pragma once

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace engine::coding {

// Stores the low `size` bytes of `value` at `dst`, least significant first.
// REQUIRES: size <= 8.
inline void EncodeUInt(char* dst, uint64_t value, size_t size) {
  assert(size <= 8);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(dst, &value, size);
  } else {
    for (size_t i = 0; i < size; ++i) dst[i] = static_cast<char>(value >> (8 * i));
  }
}

// Copies `n` bytes. An empty buffer's data() may be null, and memcpy from or
// to null is undefined even for zero bytes, so a zero-length copy touches
// neither pointer.
inline void CopyBytes(void* dst, const void* src, size_t n) {
  if (n != 0) std::memcpy(dst, src, n);
}

// Reads `size` little-endian bytes as an unsigned number.
// REQUIRES: size <= 8, src holds size bytes.
inline uint64_t DecodeUInt(const uint8_t* src, size_t size) {
  assert(size <= 8);
  uint64_t value = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&value, src, size);
  } else {
    for (size_t i = 0; i < size; ++i) value |= uint64_t{src[i]} << (8 * i);
  }
  return value;
}

// Sign-extends the low `size` bytes of `value`.
// REQUIRES: 1 <= size <= 8.
inline int64_t SignExtend(uint64_t value, size_t size) {
  assert(size >= 1 && size <= 8);
  if (size == 8) return static_cast<int64_t>(value);
  const unsigned shift = 64 - 8 * static_cast<unsigned>(size);
  return static_cast<int64_t>(value << shift) >> shift;
}

inline void PutUInt(std::string* dst, uint64_t value, size_t size) {
  char buf[8];
  EncodeUInt(buf, value, size);
  dst->append(buf, size);
}
inline void PutFixed8(std::string* dst, uint8_t v) { dst->push_back(static_cast<char>(v)); }
inline void PutFixed16(std::string* dst, uint16_t v) { PutUInt(dst, v, 2); }
inline void PutFixed32(std::string* dst, uint32_t v) { PutUInt(dst, v, 4); }
inline void PutFixed64(std::string* dst, uint64_t v) { PutUInt(dst, v, 8); }

// Appends a length prefix of `prefix_size` bytes and the bytes.
// REQUIRES: bytes.size() fits in prefix_size bytes.
inline void PutLengthPrefixed(std::string* dst, std::string_view bytes, size_t prefix_size) {
  assert(prefix_size >= 8 || bytes.size() < (uint64_t{1} << (8 * prefix_size)));
  PutUInt(dst, bytes.size(), prefix_size);
  dst->append(bytes);
}

// The largest length a prefix of `prefix_size` bytes can hold.
inline uint64_t MaxPrefixedLength(size_t prefix_size) {
  return prefix_size >= 8 ? UINT64_MAX : (uint64_t{1} << (8 * prefix_size)) - 1;
}

// A bounds-checked cursor over a byte span.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

  size_t pos() const { return pos_; }
  size_t size() const { return data_.size(); }
  size_t remaining() const { return data_.size() - pos_; }
  bool at_end() const { return pos_ == data_.size(); }
  const uint8_t* here() const { return data_.data() + pos_; }

  // Moves to an absolute position; false when it lies past the end.
  [[nodiscard]] bool Seek(size_t pos) {
    if (pos > data_.size()) return false;
    pos_ = pos;
    return true;
  }
  [[nodiscard]] bool Skip(size_t n) {
    if (n > remaining()) return false;
    pos_ += n;
    return true;
  }

  // An unsigned little-endian number of `size` bytes (1..8).
  [[nodiscard]] bool GetUInt(size_t size, uint64_t* value) {
    assert(size <= 8);
    if (size > remaining()) return false;
    *value = DecodeUInt(here(), size);
    pos_ += size;
    return true;
  }
  [[nodiscard]] bool GetFixed8(uint8_t* v) {
    if (remaining() < 1) return false;
    *v = data_[pos_++];
    return true;
  }
  [[nodiscard]] bool GetFixed16(uint16_t* v) { return GetTyped(v); }
  [[nodiscard]] bool GetFixed32(uint32_t* v) { return GetTyped(v); }
  [[nodiscard]] bool GetFixed64(uint64_t* v) { return GetTyped(v); }

  // `n` raw bytes, viewed in place.
  [[nodiscard]] bool GetBytes(size_t n, std::string_view* out) {
    if (n > remaining()) return false;
    *out = std::string_view(reinterpret_cast<const char*>(here()), n);
    pos_ += n;
    return true;
  }

  // A length prefix of `prefix_size` bytes and that many bytes. On failure
  // the position is unchanged.
  [[nodiscard]] bool GetLengthPrefixed(size_t prefix_size, std::string_view* out) {
    const size_t start = pos_;
    uint64_t len = 0;
    if (!GetUInt(prefix_size, &len)) return false;
    if (len > remaining()) {
      pos_ = start;
      return false;
    }
    return GetBytes(static_cast<size_t>(len), out);
  }

 private:
  template <typename T>
  [[nodiscard]] bool GetTyped(T* v) {
    uint64_t x = 0;
    if (!GetUInt(sizeof(T), &x)) return false;
    *v = static_cast<T>(x);
    return true;
  }

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

}  // namespace engine::coding
