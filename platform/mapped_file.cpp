// The mapping of a data file with room after it, and the SIGBUS handler that
// keeps a file cut short under it from ending the process; see
// mapped_file.h.
#include "platform/mapped_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <limits>
#include <mutex>

namespace platform {

namespace {

// The mappings the handler knows, in a fixed table it can read without a
// lock. A slot is in use while `begin` is not zero; `end` is written before
// `begin` and cleared after it.
struct Slot {
  std::atomic<uintptr_t> begin{0};
  std::atomic<uintptr_t> end{0};
  std::atomic<bool> changed{false};
};
constexpr int kSlots = 64;
Slot g_slots[kSlots];
std::mutex g_slots_mutex;  // between threads that take and give back slots
struct sigaction g_previous;
size_t g_page = 0;

size_t PageSize() {
  static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return page;
}

constexpr size_t kDefaultRoom = std::numeric_limits<size_t>::max();

size_t RoundUp(size_t n, size_t page) { return (n + page - 1) / page * page; }

void PassOn(int signal, siginfo_t* info, void* context) {
  if ((g_previous.sa_flags & SA_SIGINFO) != 0) {
    g_previous.sa_sigaction(signal, info, context);
  } else if (g_previous.sa_handler == SIG_DFL || g_previous.sa_handler == SIG_IGN) {
    // The fault happens again on return, now with the old disposition (an
    // ignored SIGBUS from a fault ends the process all the same).
    struct sigaction fallback = g_previous;
    if (fallback.sa_handler == SIG_IGN) fallback.sa_handler = SIG_DFL;
    sigaction(SIGBUS, &fallback, nullptr);
  } else {
    g_previous.sa_handler(signal);
  }
}

// Only async-signal-safe steps: atomics, mmap.
void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
  for (Slot& slot : g_slots) {
    const uintptr_t begin = slot.begin.load(std::memory_order_acquire);
    if (begin == 0 || address < begin || address >= slot.end.load(std::memory_order_acquire)) {
      continue;
    }
    // The page goes on as zeros, readable and writable like the rest of the
    // range; the faulting read or write is then repeated on it.
    const uintptr_t page = address / g_page * g_page;
    const int saved_errno = errno;
    void* zeros = mmap(reinterpret_cast<void*>(page), g_page, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    errno = saved_errno;
    if (zeros == MAP_FAILED) break;
    slot.changed.store(true, std::memory_order_release);
    return;
  }
  PassOn(signal, info, context);
}

void InstallHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    g_page = PageSize();
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &g_previous);
  });
}

int TakeSlot(uintptr_t begin, uintptr_t end) {
  std::lock_guard<std::mutex> lock(g_slots_mutex);
  for (int i = 0; i < kSlots; ++i) {
    if (g_slots[i].begin.load(std::memory_order_relaxed) != 0) continue;
    g_slots[i].changed.store(false, std::memory_order_relaxed);
    g_slots[i].end.store(end, std::memory_order_release);
    g_slots[i].begin.store(begin, std::memory_order_release);
    return i;
  }
  return -1;
}

void GiveBackSlot(int i) {
  std::lock_guard<std::mutex> lock(g_slots_mutex);
  g_slots[i].begin.store(0, std::memory_order_release);
  g_slots[i].end.store(0, std::memory_order_release);
}

}  // namespace

MappedFile::~MappedFile() {
  // No thread reads the range any more, so no fault in it can be under way.
  if (slot_ >= 0) GiveBackSlot(slot_);
  if (base_ != nullptr) munmap(base_, reserved_);
}

bool MappedFile::Resize(size_t size) {
  if (size > capacity_) return false;
  size_ = size;
  return true;
}

bool MappedFile::FileChangedUnder() const {
  return slot_ >= 0 && g_slots[slot_].changed.load(std::memory_order_acquire);
}

ReadResult MapRegularFile(const std::string& native_path, std::unique_ptr<MappedFile>* mapping) {
  return MapRegularFile(native_path, mapping, kDefaultRoom);
}

ReadResult MapRegularFile(const std::string& native_path, std::unique_ptr<MappedFile>* mapping,
                          size_t room) {
  mapping->reset();
  ReadResult result;
  uint64_t size = 0;
  const int fd = OpenRegularFile(native_path, &result, &size);
  if (fd < 0) return result;
  result.outcome = ReadOutcome::kRead;
  const size_t page = PageSize();
  const size_t limit = std::numeric_limits<size_t>::max() / 4;
  if (size == 0 || size > limit || (room > limit && room != kDefaultRoom)) {
    ::close(fd);
    return result;
  }
  if (room == kDefaultRoom) room = std::max(static_cast<size_t>(size), size_t{256} << 20);
  InstallHandler();
  std::unique_ptr<MappedFile> m(new MappedFile());
  const size_t file_pages = RoundUp(static_cast<size_t>(size), page);
  m->reserved_ = file_pages + RoundUp(room, page);
  // The whole range first, as anonymous memory that costs nothing until
  // written; then the file over its start.
  void* base = mmap(nullptr, m->reserved_, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (base == MAP_FAILED) {
    ::close(fd);
    return result;
  }
  m->base_ = static_cast<uint8_t*>(base);
  m->slot_ =
      TakeSlot(reinterpret_cast<uintptr_t>(base), reinterpret_cast<uintptr_t>(base) + file_pages);
  bool mapped = m->slot_ >= 0 &&
                mmap(base, file_pages, PROT_READ, MAP_PRIVATE | MAP_FIXED, fd, 0) != MAP_FAILED;
  // The file's last page, when partly used, takes the first appended bytes:
  // written, it becomes a private copy.
  if (mapped && size % page != 0) {
    mapped = mprotect(m->base_ + file_pages - page, page, PROT_READ | PROT_WRITE) == 0;
  }
  ::close(fd);
  if (!mapped) return result;  // m gives the range back
  madvise(base, file_pages, MADV_WILLNEED);
  m->file_size_ = m->size_ = static_cast<size_t>(size);
  m->capacity_ = m->reserved_;
  *mapping = std::move(m);
  return result;
}

}  // namespace platform
