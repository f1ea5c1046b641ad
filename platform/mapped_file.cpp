// The mapping of a data file with room after it, and the SIGBUS handler that
// keeps a file cut short under it from ending the process; see
// mapped_file.h.
#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
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
  std::atomic<int> fd{-1};  // the descriptor holding the read lease, or -1
  std::atomic<bool> changed{false};
};
constexpr int kSlots = 64;
Slot g_slots[kSlots];
std::mutex g_slots_mutex;  // between threads that take and give back slots
struct sigaction g_previous_bus;
struct sigaction g_previous_lease;
size_t g_page = 0;

size_t PageSize() {
  static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return page;
}

constexpr size_t kDefaultRoom = std::numeric_limits<size_t>::max();

// A real-time signal: a break of each lease is queued on its own, where two
// SIGIO at once would arrive as one.
int LeaseSignal() { return SIGRTMIN; }

size_t RoundUp(size_t n, size_t page) { return (n + page - 1) / page * page; }

void PassOn(const struct sigaction& previous, int signal, siginfo_t* info, void* context) {
  if ((previous.sa_flags & SA_SIGINFO) != 0) {
    previous.sa_sigaction(signal, info, context);
  } else if (previous.sa_handler == SIG_DFL) {
    // The old disposition acts: a fault happens again on return, a sent
    // signal is sent again.
    sigaction(signal, &previous, nullptr);
    raise(signal);
  } else if (previous.sa_handler != SIG_IGN) {
    previous.sa_handler(signal);
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
  PassOn(g_previous_bus, signal, info, context);
}

// A writer opens or cuts short a mapped file (a lease break): the file's
// pages are copied into anonymous memory that takes their place at the same
// addresses, then the lease is given up and the writer goes on. The kernel
// holds the writer back until then, so the copy is of the file as read.
void OnLeaseBreak(int signal, siginfo_t* info, void* context) {
  for (Slot& slot : g_slots) {
    const int fd = slot.fd.load(std::memory_order_acquire);
    if (fd < 0 || fd != info->si_fd) continue;
    const uintptr_t begin = slot.begin.load(std::memory_order_acquire);
    const uintptr_t end = slot.end.load(std::memory_order_acquire);
    const int saved_errno = errno;
    if (begin != 0 && end > begin) {
      void* copy = mmap(nullptr, end - begin, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
      if (copy != MAP_FAILED) {
        std::memcpy(copy, reinterpret_cast<const void*>(begin), end - begin);
        if (mremap(copy, end - begin, end - begin, MREMAP_MAYMOVE | MREMAP_FIXED,
                   reinterpret_cast<void*>(begin)) == MAP_FAILED) {
          munmap(copy, end - begin);
        }
      }
    }
    fcntl(fd, F_SETLEASE, F_UNLCK);
    slot.fd.store(-1, std::memory_order_release);
    errno = saved_errno;
    return;
  }
  PassOn(g_previous_lease, signal, info, context);
}

void InstallHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    g_page = PageSize();
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &g_previous_bus);
    // A writer waiting for the lease repeats its open once this returns.
    action.sa_sigaction = OnLeaseBreak;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigaction(LeaseSignal(), &action, &g_previous_lease);
  });
}

int TakeSlot(uintptr_t begin, uintptr_t end, int fd) {
  std::lock_guard<std::mutex> lock(g_slots_mutex);
  for (int i = 0; i < kSlots; ++i) {
    if (g_slots[i].begin.load(std::memory_order_relaxed) != 0) continue;
    g_slots[i].changed.store(false, std::memory_order_relaxed);
    g_slots[i].end.store(end, std::memory_order_release);
    g_slots[i].fd.store(fd, std::memory_order_release);
    g_slots[i].begin.store(begin, std::memory_order_release);
    return i;
  }
  return -1;
}

void GiveBackSlot(int i) {
  std::lock_guard<std::mutex> lock(g_slots_mutex);
  g_slots[i].fd.store(-1, std::memory_order_release);
  g_slots[i].begin.store(0, std::memory_order_release);
  g_slots[i].end.store(0, std::memory_order_release);
}

// A read lease on `fd`, broken by LeaseSignal() to this process when anyone opens
// the file for writing or cuts it short. False where leases are not to be
// had (a file of another owner, a network file system, a writer already).
bool TakeLease(int fd) {
  return fcntl(fd, F_SETSIG, LeaseSignal()) == 0 && fcntl(fd, F_SETOWN, getpid()) == 0 &&
         fcntl(fd, F_SETLEASE, F_RDLCK) == 0;
}

}  // namespace

MappedFile::~MappedFile() {
  // No thread reads the range any more, so no fault in it can be under way.
  if (slot_ >= 0) GiveBackSlot(slot_);
  if (fd_ >= 0) ::close(fd_);  // gives the lease up
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
  // The lease first: it is refused while anyone has the file open for
  // writing, and from now on a writer has to wait for the copy.
  if (!TakeLease(fd)) {
    ::close(fd);
    return result;
  }
  std::unique_ptr<MappedFile> m(new MappedFile());
  m->fd_ = fd;
  const size_t whole = static_cast<size_t>(size) / page * page;  // the file's whole pages
  m->reserved_ = RoundUp(static_cast<size_t>(size), page) + RoundUp(room, page);
  // The whole range first, as anonymous memory that costs nothing until
  // written; then the file's whole pages over its start. Its last part page
  // is read into the anonymous page after them, which takes the first
  // appended bytes: the file's own pages are never written.
  void* base = mmap(nullptr, m->reserved_, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (base == MAP_FAILED) return result;  // m closes the file
  m->base_ = static_cast<uint8_t*>(base);
  m->slot_ =
      TakeSlot(reinterpret_cast<uintptr_t>(base), reinterpret_cast<uintptr_t>(base) + whole, fd);
  bool mapped = m->slot_ >= 0 && (whole == 0 || mmap(base, whole, PROT_READ,
                                                     MAP_PRIVATE | MAP_FIXED, fd, 0) != MAP_FAILED);
  const size_t tail = static_cast<size_t>(size) - whole;
  if (mapped && tail != 0) {
    mapped = ::pread(fd, m->base_ + whole, tail, static_cast<off_t>(whole)) ==
             static_cast<ssize_t>(tail);
  }
  if (!mapped) return result;  // m gives the range back
  if (whole != 0) madvise(base, whole, MADV_WILLNEED);
  m->file_size_ = m->size_ = static_cast<size_t>(size);
  m->capacity_ = m->reserved_;
  *mapping = std::move(m);
  return result;
}

}  // namespace platform
