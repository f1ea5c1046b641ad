// The helpers for the large buffers of an open: the hash of a data file's
// bytes, which large inputs take in two threads, must still tell every
// change apart, and faulting a buffer in ahead must leave its bytes alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <vector>

#include "platform/file_version.h"
#include "platform/memory_hint.h"

namespace {

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  uint32_t x = 2463534242u;
  for (uint8_t& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x);
  }
  return bytes;
}

TEST(LargeBuffers, HashTellsEveryChangeOnEitherSideOfTheSplit) {
  // Below and above the size hashed in two threads.
  for (const size_t size : {size_t{4096}, platform::kHashAsideBytes + 33}) {
    const std::vector<uint8_t> bytes = Pattern(size);
    const uint64_t hash = platform::HashBytes(bytes);
    EXPECT_EQ(platform::HashBytes(bytes), hash) << size;
    // A hash taken on one thread (beside a load) is the one a close compares.
    EXPECT_EQ(platform::HashBytes(bytes, platform::HashThreads::kOne), hash) << size;
    for (const size_t at : {size_t{0}, size / 2 - 1, size / 2, size / 2 + 1, size - 1}) {
      std::vector<uint8_t> changed = bytes;
      changed[at] ^= 0x20;
      EXPECT_NE(platform::HashBytes(changed), hash) << size << " at " << at;
    }
    // The halves swapped: the same bytes in another order.
    std::vector<uint8_t> swapped(bytes.begin() + static_cast<long>(size / 2), bytes.end());
    swapped.insert(swapped.end(), bytes.begin(), bytes.begin() + static_cast<long>(size / 2));
    EXPECT_NE(platform::HashBytes(swapped), hash) << size;
    // One byte shorter.
    EXPECT_NE(platform::HashBytes(std::span(bytes).first(size - 1)), hash) << size;
  }
}

TEST(LargeBuffers, PrefaultLeavesTheBytesAsTheyAre) {
  for (const size_t size :
       {size_t{100}, size_t{1} << 20, platform::kPrefaultTwoThreadsMinimum + 5}) {
    std::vector<uint8_t> written = Pattern(size);
    platform::PrefaultForWrite(written.data() + 1, size - 1);  // not page-aligned
    EXPECT_EQ(written, Pattern(size)) << size;
  }
  platform::PrefaultForWrite(nullptr, 0);
}

}  // namespace
