// Reading a data file: the one way the program and vpacket read one.
//
// The file is opened without blocking, examined with fstat before anything is
// read, and read whole: st_size bytes into one buffer, checked against the
// size (a file that shrinks or grows meanwhile is an error, not a partial
// read). A FIFO, a directory or a device is never read: opening such a path
// must not block start-up, and none of them can hold a packet. Decoding the
// bytes is the caller's business.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class ReadOutcome {
  kRead,     // `bytes` holds the whole file
  kMissing,  // nothing there, or something that is not a regular file
  kFailed,   // a file is there but cannot be opened or read
};

struct ReadResult {
  ReadOutcome outcome = ReadOutcome::kFailed;
  int error = 0;            // errno of the failure (kFailed) or of the miss (kMissing)
  bool not_a_file = false;  // kMissing: a FIFO, directory or device is there
};

// Opens the file at `native_path` for reading the way ReadRegularFile does
// (without blocking, a regular file only) and gives its size; -1 with the
// outcome in `result` when there is none to read. The caller closes it.
int OpenRegularFile(const std::string& native_path, ReadResult* result, uint64_t* size);

// Reads the file at `native_path` (an operating-system path) into `bytes`,
// which is empty unless the outcome is kRead.
ReadResult ReadRegularFile(const std::string& native_path, std::vector<uint8_t>* bytes);
ReadResult ReadRegularFile(const std::string& native_path, std::string* bytes);

// Why a read did not give the file's bytes, for messages ("No such file or
// directory", "not a regular file", "Too many levels of symbolic links").
std::string ReadFailureText(const ReadResult& result);

}  // namespace platform
