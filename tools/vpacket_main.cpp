// vpacket: inspect, dump and convert data packets. The commands live in
// tools/vpacket_<name>.cpp and register themselves (tools/vpacket.h).
#include <algorithm>
#include <cstring>
#include <exception>
#include <iostream>
#include <new>

#include "engine/data_object.h"
#include "engine/packet_codec.h"
#include "platform/file_read.h"
#include "platform/file_system.h"
#include "platform/file_version.h"
#include "tools/vpacket.h"

namespace vpacket {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

Registrar::Registrar(const char* name, const char* usage, RunFn run) {
  auto& r = Registry();
  r.push_back({name, usage, run});
  std::sort(r.begin(), r.end(),
            [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
}

int Fail(const std::string& text) {
  std::cerr << "vpacket: " << text << "\n";
  return 1;
}

int UsageError(const char* command) {
  for (const Command& c : Registry()) {
    if (std::strcmp(c.name, command) == 0) std::cerr << "usage: vpacket " << c.usage << "\n";
  }
  return 1;
}

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error) {
  const platform::ReadResult read = platform::ReadRegularFile(path, bytes);
  if (read.outcome != platform::ReadOutcome::kRead) {
    *error = "cannot read " + path + ": " + platform::ReadFailureText(read);
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string* error) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  std::string reason;
  if (!platform::DefaultFileSystem().WriteFileAtomic(path, std::span(data, bytes.size()),
                                                     &reason)) {
    *error = reason;
    return false;
  }
  return true;
}

bool WriteWholeFileUnlessChanged(const std::string& path, const std::string& bytes,
                                 const platform::FileVersion& before, std::string* error) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const platform::GuardedWriteResult result = platform::WriteUnlessChanged(
      platform::DefaultFileSystem(), path, std::span(data, bytes.size()), before, "conflict");
  if (result.outcome == platform::WriteOutcome::kReplaced) return true;
  if (result.change == platform::FileChange::kUnchanged) {
    *error = result.reason;
  } else if (result.outcome == platform::WriteOutcome::kCopied) {
    *error = path + " changed during the conversion and was not overwritten; the result is in " +
             result.written_to;
  } else {
    *error = path + " changed during the conversion and was not overwritten; the result could " +
             "not be written to " + result.written_to + ": " + result.reason;
  }
  return false;
}

bool LoadPacket(const std::string& path, std::string* bytes, engine::TableData* table,
                std::string* error) {
  if (!ReadWholeFile(path, bytes, error)) return false;
  std::string text;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes->data());
  std::vector<uint32_t> replaces;
  if (engine::ReadPacket(std::span(data, bytes->size()), table, &text) != engine::kDBOk ||
      engine::CheckTable(*table, &replaces, &text) != engine::kDBOk) {
    *error = path + ": " + text;
    return false;
  }
  return true;
}

}  // namespace vpacket

namespace {

int Usage() {
  std::cerr << "usage: vpacket COMMAND ARGS...\n\ncommands:\n";
  for (const vpacket::Command& c : vpacket::Registry())
    std::cerr << "  vpacket " << c.usage << "\n\n";
  return 1;
}

int Dispatch(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const vpacket::Command& c : vpacket::Registry()) {
    if (std::strcmp(c.name, argv[1]) == 0) return c.run(args);
  }
  std::cerr << "vpacket: unknown command '" << argv[1] << "'\n";
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  // A write past the file-size limit then fails with a message instead of
  // killing the process.
  platform::IgnoreFileSizeSignal();
  // Nothing escapes as an abort: every failure is a message and exit code 1.
  try {
    return Dispatch(argc, argv);
  } catch (const std::bad_alloc&) {
    return vpacket::Fail("not enough memory");
  } catch (const std::exception& e) {
    return vpacket::Fail(e.what());
  } catch (...) {
    return vpacket::Fail("unexpected failure");
  }
}
