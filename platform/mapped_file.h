// MappedFile: a data file read where it stands, with room to grow after it.
//
// Copying a packet of several hundred megabytes into fresh memory is most of
// a start-up on machines where first touch of new memory is slow; a private
// mapping lets the page cache's pages serve instead. The file is mapped
// read-only and private (nothing ever goes back to it) at the start of one
// reserved address range, and anonymous writable pages follow it, so that
// the bytes stay one contiguous range: offsets below the file's size read the
// file, bytes appended after it (the engine's edits) go to the anonymous part.
// When the room runs out the owner copies the bytes into an ordinary buffer
// (engine::ByteHeap does); the offsets stay the same.
//
// Another writer must not change the bytes under the table. While the file
// is mapped, it holds a read lease on it: a writer that opens the file for
// writing or cuts it short (this process's own write in place included)
// breaks the lease, and the kernel holds that writer back while a handler
// of the lease's signal (SIGRTMIN) copies the file's pages into anonymous memory at the same
// addresses and gives the lease up; the reader keeps the bytes it opened,
// and nothing mapped from the file is used after a write to it. Where no
// lease can be had (a file of another owner, a network file system, a file
// open for writing), nothing is mapped and the caller reads the file. A
// file replaced by a rename (the atomic replace) leaves the old inode and
// its mapping intact.
//
// Should a writer get past the lease all the same (the kernel breaks it
// after /proc/sys/fs/lease-break-time should the handler never run), a file
// cut short under the mapping would end the process with SIGBUS at the
// first read past its new end. A process-wide
// SIGBUS handler (installed by the first mapping) catches a fault inside any
// registered mapping instead: it puts a page of zeros over the faulting page
// and notes that the file changed under the mapping (FileChangedUnder). The
// reader then sees, for the pages it had not read before the cut, zeros where
// the file no longer has bytes; pages of the file that another writer
// rewrote in place may show the new bytes (a private mapping shares the page
// cache until written). Nothing reaches the reader as a signal. A fault
// outside every mapping goes to the handler that was there before, or ends
// the process as it would have.
// Made by IFileSystem::MapFile (platform/file_system.h), held by
// engine::ByteHeap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_read.h"

namespace platform {

class MappedFile {
 public:
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const uint8_t* data() const { return base_; }
  uint8_t* data() { return base_; }
  // The bytes in use: the file's, then those appended.
  size_t size() const { return size_; }
  size_t file_size() const { return file_size_; }
  // How far size() may grow without a copy.
  size_t capacity() const { return capacity_; }
  // Sets size(); false (and nothing changes) beyond capacity(). Bytes
  // between the old and a larger new size are unspecified.
  bool Resize(size_t size);
  // True once a read past the end of a file cut short found zeros instead.
  bool FileChangedUnder() const;

 private:
  friend ReadResult MapRegularFile(const std::string&, std::unique_ptr<MappedFile>*, size_t);
  MappedFile() = default;

  uint8_t* base_ = nullptr;
  size_t size_ = 0;
  size_t file_size_ = 0;
  size_t capacity_ = 0;
  size_t reserved_ = 0;  // bytes of address space held, a whole number of pages
  int slot_ = -1;        // the handlers' record of this mapping
  int fd_ = -1;          // the file, open while it holds the read lease
};

// Maps the regular file at `native_path` (opened as ReadRegularFile opens
// it) with `room` bytes of room after it; by default as much again as the
// file, at least 256 MB (address space only: pages cost memory once
// written). kRead with *mapping null when the file is empty or cannot be
// mapped here (the caller reads it instead); kMissing and kFailed as for
// ReadRegularFile.
ReadResult MapRegularFile(const std::string& native_path, std::unique_ptr<MappedFile>* mapping);
ReadResult MapRegularFile(const std::string& native_path, std::unique_ptr<MappedFile>* mapping,
                          size_t room);

}  // namespace platform
