// Huge-page advice through madvise where the system has it.
#include "platform/memory_hint.h"

#include <cstdint>

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

}  // namespace platform
