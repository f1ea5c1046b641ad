// Shared parts of the `vpacket` tool: the command registry and file access.
//
// Each command lives in its own tools/vpacket_<name>.cpp and registers itself
// with one VPACKET_COMMAND line, so adding a command means adding a file; the
// main program lists the registry in its usage text and dispatches on the
// first argument. Commands write results to stdout and errors to stderr, each
// error one line beginning "vpacket: ", and return the process exit code
// (0 success, 1 failure, 2 a command line the command cannot take).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "engine/table_data.h"
#include "platform/file_version.h"

namespace vpacket {

using Args = std::span<const std::string>;  // the arguments after the command name
using RunFn = int (*)(Args args);

struct Command {
  const char* name;
  const char* usage;  // argument synopsis, then its description on further lines
  RunFn run;
};

// The program's version, as the package carries it.
inline constexpr const char* kVersion = VR_VERSION;

// The registered commands, sorted by name.
std::vector<Command>& Registry();

struct Registrar {
  Registrar(const char* name, const char* usage, RunFn run);
};

#define VPACKET_COMMAND(name, usage, fn) \
  static const ::vpacket::Registrar vpacket_registrar_##name(#name, usage, fn)

// Prints "vpacket: <text>" to stderr and returns 1.
int Fail(const std::string& text);
// A command line the command cannot take: prints one line naming the command,
// `problem` (the arguments not matching the command's synopsis when empty)
// and where its help is, and returns 2.
int UsageError(const char* command, const std::string& problem = "");
// UsageError for an option the command does not know.
int UnknownOption(const char* command, const std::string& option);

// Whole-file access; false with a text naming the file on failure.
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error);
bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string* error);
// The same replace, unless `path` no longer holds `before`: the bytes then go
// to a conflict copy beside it and the error says where.
bool WriteWholeFileUnlessChanged(const std::string& path, const std::string& bytes,
                                 const platform::FileVersion& before, std::string* error);

// Reads a packet file of either form.
bool LoadPacket(const std::string& path, std::string* bytes, engine::TableData* table,
                std::string* error);

}  // namespace vpacket
