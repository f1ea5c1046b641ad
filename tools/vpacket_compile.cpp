// vpacket compile [--case-sensitive] [--no-partial] [--hex] TEXT: compiles a
// filter text against the article table's fields and shows the block.
//
// The field numbers and types come from the article table itself (a closed
// TArtikelData is the filter host), so messages carry its name exactly as
// the program shows them. A refused text prints the message on stderr.
#include <cstdio>
#include <iostream>

#include "platform/file_system.h"
#include "store/artikel_data.h"
#include "store/db_error.h"
#include "store/filter_compile.h"
#include "store/filter_listing.h"
#include "tools/vpacket.h"

namespace vpacket {
namespace {

int RunCompile(Args args) {
  store::TFilterOptions options{true, false};  // the article table's options
  bool hex_only = false;
  size_t i = 0;
  for (; i < args.size() && args[i].starts_with("--"); ++i) {
    if (args[i] == "--") {
      ++i;
      break;
    }
    if (args[i] == "--case-sensitive") {
      options.foCaseInsensitive = false;
    } else if (args[i] == "--no-partial") {
      options.foNoPartialCompare = true;
    } else if (args[i] == "--hex") {
      hex_only = true;
    } else {
      return UnknownOption("compile", args[i]);
    }
  }
  if (i + 1 != args.size()) return UsageError("compile");
  platform::PosixFileSystem fs;
  store::TArtikelData table(fs);
  std::vector<uint8_t> block;
  try {
    block = store::CompileFilterText(table, args[i], options);
  } catch (const store::Exception& e) {
    return Fail(e.what());
  }
  const std::string hex = store::FilterBlockHex(block);
  if (hex_only) {
    std::cout << hex << "\n";
    return std::cout.flush() ? 0 : 1;
  }
  std::cout << "block: " << block.size() << " bytes\n";
  for (size_t at = 0; at < block.size(); at += 16) {
    char offset[24];
    std::snprintf(offset, sizeof offset, "%04zx ", at);
    std::cout << offset;
    for (size_t b = at; b < at + 16 && b < block.size(); ++b)
      std::cout << ' ' << hex.substr(2 * b, 2);
    std::cout << "\n";
  }
  std::cout << "nodes (offset, class, operator, operands, literals):\n";
  for (const std::string& line : store::ListFilterBlock(block)) std::cout << "  " << line << "\n";
  return std::cout.flush() ? 0 : 1;
}

}  // namespace
}  // namespace vpacket

VPACKET_COMMAND(compile,
                "compile [--case-sensitive] [--no-partial] [--hex] TEXT\n"
                "    Compiles a filter text against the article table's fields with the\n"
                "    table's options (case-insensitive, partial compare on) and prints\n"
                "    the block in hex and as a node listing; --hex prints only the\n"
                "    block as one line of lowercase hex. A text the table refuses\n"
                "    prints its message on stderr and exits with 1.",
                vpacket::RunCompile);
