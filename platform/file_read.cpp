// The non-blocking whole-file read; see file_read.h.
#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

namespace platform {

namespace {

// Reads exactly `size` bytes, then makes sure the file ends there.
bool ReadExactly(int fd, uint8_t* data, size_t size, int* error) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = errno;
      return false;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  uint8_t extra = 0;
  ssize_t more;
  do {
    more = ::read(fd, &extra, 1);
  } while (more < 0 && errno == EINTR);
  if (done != size || more != 0) {
    *error = more < 0 ? errno : EIO;  // the file changed its size while being read
    return false;
  }
  return true;
}

template <class Buffer>
ReadResult ReadWhole(const std::string& native_path, Buffer* bytes) {
  bytes->clear();
  ReadResult result;
  uint64_t size = 0;
  const int fd = OpenRegularFile(native_path, &result, &size);
  if (fd < 0) return result;
  if (size > std::numeric_limits<size_t>::max() / 2) {
    result.error = EFBIG;
  } else {
    try {
      bytes->resize(static_cast<size_t>(size));
      if (ReadExactly(fd, reinterpret_cast<uint8_t*>(bytes->data()), bytes->size(),
                      &result.error)) {
        result.outcome = ReadOutcome::kRead;
      }
    } catch (const std::bad_alloc&) {
      result.error = ENOMEM;
    }
  }
  ::close(fd);
  if (result.outcome != ReadOutcome::kRead) {
    bytes->clear();
    bytes->shrink_to_fit();
  }
  return result;
}

}  // namespace

int OpenRegularFile(const std::string& native_path, ReadResult* result, uint64_t* size) {
  *result = ReadResult();
  // O_NONBLOCK: opening a FIFO without a writer returns at once instead of
  // waiting for one; the descriptor is discarded below without a read.
  int fd = ::open(native_path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    result->error = errno;
    result->outcome =
        (errno == ENOENT || errno == ENOTDIR) ? ReadOutcome::kMissing : ReadOutcome::kFailed;
    return -1;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    result->error = errno;
  } else if (!S_ISREG(st.st_mode)) {
    result->outcome = ReadOutcome::kMissing;
    result->not_a_file = true;
    result->error = S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
  } else {
    *size = static_cast<uint64_t>(st.st_size);
    return fd;
  }
  ::close(fd);
  return -1;
}

ReadResult ReadRegularFile(const std::string& native_path, std::vector<uint8_t>* bytes) {
  return ReadWhole(native_path, bytes);
}

ReadResult ReadRegularFile(const std::string& native_path, std::string* bytes) {
  return ReadWhole(native_path, bytes);
}

std::string ReadFailureText(const ReadResult& result) {
  if (result.not_a_file) {
    return result.error == EISDIR ? "a directory, not a regular file" : "not a regular file";
  }
  return std::strerror(result.error);
}

}  // namespace platform
