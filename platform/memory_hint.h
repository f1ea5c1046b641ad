// Memory hints for the large buffers a packet is read into. Reading a packet
// of a hundred megabytes touches every page of several fresh buffers once;
// backing them with huge pages cuts the number of page faults about 500-fold,
// which is most of the difference between reading at 300 and at 500 MB/s.
// A hint only: where the system offers no huge pages nothing happens.
// Also: fresh buffers faulted in ahead of their first write.
#pragma once

#include <cstddef>

namespace platform {

// Buffers smaller than this are left alone.
inline constexpr size_t kHugePageHintMinimum = size_t{2} << 20;

// REQUIRES: [data, data + bytes) is memory of this process not yet touched,
// or touching it again is cheap.
void AdviseHugePages(void* data, size_t bytes);

// Buffers smaller than this are faulted in on one thread.
inline constexpr size_t kPrefaultTwoThreadsMinimum = size_t{16} << 20;

// Makes the pages of [data, data + bytes) present and writable ahead of
// their first write, in the system's own loop rather than one fault at a
// time, and a large range in two threads: a buffer of a hundred megabytes
// about to be filled row by row otherwise spends most of its filling in
// page faults. Their content is left as it is (fresh pages read as zeros).
// A hint only: where the system cannot do it nothing happens.
// REQUIRES: [data, data + bytes) is memory of this process.
void PrefaultForWrite(void* data, size_t bytes);

}  // namespace platform
