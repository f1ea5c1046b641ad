// vpacket: inspect, dump and convert data packets. The commands live in
// tools/vpacket_<name>.cpp and register themselves (tools/vpacket.h).
#include <algorithm>
#include <cstring>
#include <exception>
#include <iostream>
#include <new>
#include <string_view>

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

int UsageError(const char* command, const std::string& problem) {
  std::string line = "vpacket: ";
  line += command;
  line += ": ";
  if (problem.empty()) {
    line += "usage: vpacket ";
    for (const Command& c : Registry()) {
      if (std::strcmp(c.name, command) == 0) {
        const std::string_view usage = c.usage;
        line += usage.substr(0, usage.find('\n'));
      }
    }
  } else {
    line += problem;
  }
  std::cerr << line << " (see 'vpacket " << command << " --help')\n";
  return 2;
}

int UnknownOption(const char* command, const std::string& option) {
  return UsageError(command, "unknown option '" + option + "'");
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

const vpacket::Command* FindCommand(std::string_view name) {
  for (const vpacket::Command& c : vpacket::Registry()) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

bool IsHelp(std::string_view arg) { return arg == "--help" || arg == "-h"; }

int Help() {
  std::cout << "usage: vpacket COMMAND ARGS...\n"
               "       vpacket COMMAND --help | --help | --version\n\n"
               "Inspects, dumps, filters and converts the data packets of vregister\n"
               "(either form, binary or XML) and compiles filter texts. Exit status: 0\n"
               "success, 1 failure, 2 a command line the command cannot take.\n\n"
               "commands:\n";
  for (const vpacket::Command& c : vpacket::Registry())
    std::cout << "  vpacket " << c.usage << "\n\n";
  return std::cout.flush() ? 0 : 1;
}

int CommandHelp(const vpacket::Command& c) {
  std::cout << "usage: vpacket " << c.usage << "\n";
  return std::cout.flush() ? 0 : 1;
}

int Dispatch(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "vpacket: no command given (see 'vpacket --help')\n";
    return 2;
  }
  const std::string_view first = argv[1];
  if (IsHelp(first)) return Help();
  if (first == "--version") {
    std::cout << "vpacket " << vpacket::kVersion << "\n";
    return std::cout.flush() ? 0 : 1;
  }
  if (first == "help") {
    if (argc == 2) return Help();
    const vpacket::Command* c = FindCommand(argv[2]);
    if (c != nullptr && argc == 3) return CommandHelp(*c);
    std::cerr << "vpacket: help: "
              << (c == nullptr ? "unknown command '" + std::string(argv[2]) + "'"
                               : std::string("one command at a time"))
              << " (see 'vpacket --help')\n";
    return 2;
  }
  const vpacket::Command* c = FindCommand(first);
  if (c == nullptr) {
    std::cerr << "vpacket: unknown " << (first.starts_with("-") ? "option '" : "command '") << first
              << "' (see 'vpacket --help')\n";
    return 2;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  // Help is asked for with an option anywhere before a "--".
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (IsHelp(arg)) return CommandHelp(*c);
  }
  return c->run(args);
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
