// vpacket: inspect, dump and convert data packets. The commands live in
// tools/vpacket_<name>.cpp and register themselves (tools/vpacket.h).
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "engine/packet_codec.h"
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
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open " + path;
    return false;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *error = "cannot read " + path;
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out || !out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) ||
      !out.flush()) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

bool LoadPacket(const std::string& path, std::string* bytes, engine::TableData* table,
                std::string* error) {
  if (!ReadWholeFile(path, bytes, error)) return false;
  std::string text;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes->data());
  if (engine::ReadPacket(std::span(data, bytes->size()), table, &text) != engine::kDBOk) {
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const vpacket::Command& c : vpacket::Registry()) {
    if (std::strcmp(c.name, argv[1]) == 0) return c.run(args);
  }
  std::cerr << "vpacket: unknown command '" << argv[1] << "'\n";
  return Usage();
}
