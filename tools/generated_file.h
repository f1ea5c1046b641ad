// The generators' one way to write what they make (genpackets, genpictures):
// the folders made as needed, the file replaced atomically through the
// platform's file system, and its size printed, so that a regeneration run
// lists what it wrote. A failure throws with the file and the reason; the
// generators' main turns that into a message and a failing status.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>

#include "platform/file_system.h"

namespace tools {

inline void WriteGeneratedFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::string reason;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (!platform::DefaultFileSystem().WriteFileAtomic(path.string(), std::span(data, bytes.size()),
                                                     &reason)) {
    throw std::runtime_error("cannot write " + path.string() + ": " + reason);
  }
  std::printf("%s: %zu bytes\n", path.string().c_str(), bytes.size());
}

}  // namespace tools
