// Huge-page advice and prefaulting through madvise where the system has them.
#include "platform/memory_hint.h"

#include <cstdint>

#include "platform/run_both.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace platform {

void AdviseHugePages(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (data == nullptr || bytes < kHugePageHintMinimum) return;
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  uintptr_t begin = reinterpret_cast<uintptr_t>(data);
  uintptr_t end = begin + bytes;
  begin = (begin + page - 1) / page * page;  // madvise wants page-aligned ranges
  end = end / page * page;
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

void PrefaultForWrite(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  if (data == nullptr || bytes == 0) return;
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  uintptr_t begin = reinterpret_cast<uintptr_t>(data);
  uintptr_t end = begin + bytes;
  begin = (begin + page - 1) / page * page;
  end = end / page * page;
  if (end <= begin) return;
  // An older kernel refuses the advice (EINVAL): the pages then fault in
  // as they are written, as without it.
  auto populate = [](uintptr_t from, uintptr_t to) {
    madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
  };
  const uintptr_t middle = begin + (end - begin) / 2 / page * page;
  RunBoth(
      end - begin >= kPrefaultTwoThreadsMinimum, [&] { populate(begin, middle); },
      [&] { populate(middle, end); });
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace platform
