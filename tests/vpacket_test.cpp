// The vpacket tool, run as a program: convert round trips (the shipped
// initial packet included), info counts, dump output against a plain
// reference walk of the rows, and error exits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/packet_codec.h"
#include "tests/packet_samples.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const std::string kTool = std::string(VR_BINARY_DIR) + "/tools/vpacket";

struct ToolRun {
  int exit_code = -1;
  std::string out, err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spit(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Temp(const std::string& name) { return testing::TempDir() + "vpacket_test_" + name; }

// Runs vpacket with `args`; `setup` is shell text run before it (a limit).
// A timeout guards against a hang.
ToolRun Vpacket(const std::string& args, const std::string& setup = "") {
  const std::string err_path = Temp("stderr");
  const std::string cmd =
      setup + "LC_ALL=C timeout 20 '" + kTool + "' " + args + " 2>'" + err_path + "'";
  ToolRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = pclose(p);
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = Slurp(err_path);
  return r;
}

std::string WriteSample(const std::string& name, const engine::TableData& t,
                        engine::PacketForm form) {
  std::string bytes, error;
  EXPECT_EQ(engine::WritePacket(t, form, &bytes, &error), engine::kDBOk) << error;
  const std::string path = Temp(name);
  Spit(path, bytes);
  return path;
}

class VpacketTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kTool)) GTEST_SKIP() << "vpacket is not built at " << kTool;
  }
};

// The reference dump: current rows in packet order, "unchanged" cells
// resolved by walking the change log's chain of replaced rows.
std::string ReferenceDump(const engine::TableData& t) {
  std::vector<uint32_t> replaces(t.row_count(), 0);
  for (size_t i = 0; i + 2 < t.change_log.size(); i += 3) {
    if (t.change_log[i + 1] != 0) replaces[t.change_log[i] - 1] = t.change_log[i + 1];
  }
  auto escape = [](std::string_view s) {
    std::string o;
    for (char c : s) {
      if (c == '\t')
        o += "\\t";
      else if (c == '\r')
        o += "\\r";
      else if (c == '\n')
        o += "\\n";
      else if (c == '\\')
        o += "\\\\";
      else
        o += c;
    }
    return o;
  };
  std::string out;
  for (size_t f = 0; f < t.field_count(); ++f) out += (f ? "\t" : "") + t.fields[f].name;
  out += "\n";
  for (size_t r = 0; r < t.row_count(); ++r) {
    if (t.status[r] & (engine::kRowReplaced | engine::kRowDeleted)) continue;
    for (size_t f = 0; f < t.field_count(); ++f) {
      if (f) out += "\t";
      size_t row = r;
      while (t.cell(row, f).blank == engine::kUnchanged) row = replaces[row] - 1;
      const engine::Cell& c = t.cell(row, f);
      if (c.blank != engine::kValue) continue;
      out +=
          t.fields[f].varying() ? escape(t.bytes(c)) : std::to_string(static_cast<int64_t>(c.data));
    }
    out += "\n";
  }
  return out;
}

TEST_F(VpacketTest, ConvertBinaryToXmlAndBackIsByteIdentical) {
  const std::string bin =
      WriteSample("h.packet", packet_samples::ArticlesWithHistory(), engine::PacketForm::kBinary);
  const std::string xml = Temp("h.XML");  // the extension in capitals still means XML
  const std::string back = Temp("h2.packet");
  ASSERT_EQ(Vpacket("convert '" + bin + "' '" + xml + "'").exit_code, 0);
  EXPECT_EQ(Slurp(xml).rfind("<?xml", 0), 0u);
  ASSERT_EQ(Vpacket("convert '" + xml + "' '" + back + "'").exit_code, 0);
  EXPECT_EQ(Slurp(back), Slurp(bin));
}

TEST_F(VpacketTest, InitialPacketSurvivesXmlByteForByte) {
  const std::string initial = std::string(VR_SOURCE_DIR) + "/resources/initial.packet";
  if (!fs::exists(initial)) GTEST_SKIP() << "no resources/initial.packet";
  const std::string xml = Temp("initial.xml"), back = Temp("initial.bin");
  ASSERT_EQ(Vpacket("convert '" + initial + "' '" + xml + "'").exit_code, 0);
  ASSERT_EQ(Vpacket("convert '" + xml + "' '" + back + "'").exit_code, 0);
  EXPECT_EQ(Slurp(back), Slurp(initial));
}

TEST_F(VpacketTest, EditionFilesSurviveBinaryAndBack) {
  for (const char* name : {"Base.xml", "BaseNo.xml", "BaseSv.xml", "BaseFi.xml"}) {
    const std::string file = std::string(VR_SOURCE_DIR) + "/data/" + name;
    if (!fs::exists(file)) continue;
    const std::string bin = Temp("edition.bin"), xml = Temp("edition.xml");
    const ToolRun to_binary = Vpacket("convert '" + file + "' '" + bin + "'");
    if (to_binary.exit_code != 0 && to_binary.err.find("16-bit offset") != std::string::npos) {
      continue;  // a change log too long for the binary header; refused by design
    }
    ASSERT_EQ(to_binary.exit_code, 0) << name << ": " << to_binary.err;
    ASSERT_EQ(Vpacket("convert '" + bin + "' '" + xml + "'").exit_code, 0) << name;
    engine::TableData a, b;
    std::string e1, e2, diff, x1 = Slurp(file), x2 = Slurp(xml);
    ASSERT_EQ(engine::ReadPacket(std::span(reinterpret_cast<const uint8_t*>(x1.data()), x1.size()),
                                 &a, &e1),
              0);
    ASSERT_EQ(engine::ReadPacket(std::span(reinterpret_cast<const uint8_t*>(x2.data()), x2.size()),
                                 &b, &e2),
              0);
    EXPECT_TRUE(packet_samples::SameTable(a, b, &diff)) << name << ": " << diff;
  }
}

TEST_F(VpacketTest, InfoCountsRowsByStatusAndCurrentRecords) {
  const std::string bin =
      WriteSample("i.packet", packet_samples::ArticlesWithHistory(), engine::PacketForm::kBinary);
  const ToolRun r = Vpacket("info '" + bin + "'");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("form: binary"));
  EXPECT_THAT(r.out, HasSubstr("3. Titel: string, type 0x0049, size 1, attributes 0x0010"));
  EXPECT_THAT(r.out, HasSubstr("WIDTH = 80  (type 0x0002, size 2)"));
  EXPECT_THAT(r.out, HasSubstr("SUBTYPE = \"Text\""));
  EXPECT_THAT(r.out, HasSubstr("CHANGE_LOG = 18 numbers, 6 changes"));
  EXPECT_THAT(r.out, HasSubstr("status 4 (inserted): 2"));
  EXPECT_THAT(r.out, HasSubstr("status 5 (replaced inserted): 1"));
  EXPECT_THAT(r.out, HasSubstr("status 6 (deleted inserted): 1"));
  EXPECT_THAT(r.out, HasSubstr("status 12 (inserted modified): 1"));
  EXPECT_THAT(r.out, HasSubstr("current records: 3"));
}

TEST_F(VpacketTest, DumpMatchesAReferenceWalkInBothForms) {
  const engine::TableData t = packet_samples::ArticlesWithHistory();
  for (auto form : {engine::PacketForm::kBinary, engine::PacketForm::kXml}) {
    const std::string path = WriteSample("d.packet", t, form);
    const ToolRun r = Vpacket("dump '" + path + "'");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, ReferenceDump(t));
  }
}

TEST_F(VpacketTest, DumpAllListsEveryRowWithStatusAndBlankCodes) {
  const engine::TableData t = packet_samples::ArticlesWithHistory();
  const std::string path = WriteSample("a.packet", t, engine::PacketForm::kBinary);
  const ToolRun r = Vpacket("dump --all '" + path + "'");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("row\tstatus\tblanks\tAargang\tNummer\t", 0), 0u);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), static_cast<long>(t.row_count() + 1));
  EXPECT_THAT(r.out, HasSubstr("\n5\t12\t00020102\t"));
}

TEST_F(VpacketTest, FilterAllFollowsTheReplacedRowsAsALoadDoes) {
  // Row 5 replaces row 2 and is deleted after: its unchanged memo is still
  // row 2's, whichever order the change log lists the two changes in.
  engine::TableData t = packet_samples::ArticlesWithHistory();
  t.status[4] |= engine::kRowDeleted;
  t.change_log.insert(t.change_log.end(), {5, 0, 2});
  const std::string path = WriteSample("f.packet", t, engine::PacketForm::kBinary);
  const ToolRun r = Vpacket("filter --all '" + path + "' \"Tekst IS NOT NULL\"");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("\n5\t14\t00020102\t"));
}

TEST_F(VpacketTest, ErrorsGoToStderrWithExitCodeOne) {
  const ToolRun missing = Vpacket("info '" + Temp("does-not-exist") + "'");
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_THAT(missing.err,
              HasSubstr("cannot read " + Temp("does-not-exist") + ": No such file or directory"));
  EXPECT_TRUE(missing.out.empty());

  std::string bin, error;
  engine::WritePacket(packet_samples::Articles(3), engine::PacketForm::kBinary, &bin, &error);
  Spit(Temp("cut.packet"), bin.substr(0, bin.size() - 5));
  const ToolRun cut = Vpacket("dump '" + Temp("cut.packet") + "'");
  EXPECT_EQ(cut.exit_code, 1);
  EXPECT_THAT(cut.err, HasSubstr("row 3"));

  Spit(Temp("keep.bin"), "untouched");
  const ToolRun refused =
      Vpacket("convert '" + Temp("cut.packet") + "' '" + Temp("keep.bin") + "'");
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_EQ(Slurp(Temp("keep.bin")), "untouched");

  engine::TableData zero = packet_samples::Articles(1);
  zero.cell(0, 2) = zero.AddBytes(std::string("a\0", 2));
  engine::WritePacket(zero, engine::PacketForm::kBinary, &bin, &error);
  Spit(Temp("zero.packet"), bin);
  const ToolRun no_xml =
      Vpacket("convert '" + Temp("zero.packet") + "' '" + Temp("keep.bin.xml") + "'");
  EXPECT_EQ(no_xml.exit_code, 1);
  EXPECT_THAT(no_xml.err, HasSubstr("zero byte"));
  EXPECT_FALSE(fs::exists(Temp("keep.bin.xml")));
}

// Help and version on stdout with status 0; a command line a command cannot
// take is one line on stderr, beginning "vpacket:", with status 2.
TEST_F(VpacketTest, CommandLineManners) {
  const struct {
    std::string args;
    int exit_code;
    std::string out_begins;  // stdout begins with this
    std::string err;         // stderr exactly
  } cases[] = {
      {"--help", 0, "usage: vpacket COMMAND ARGS...\n", ""},
      {"-h", 0, "usage: vpacket COMMAND ARGS...\n", ""},
      {"help", 0, "usage: vpacket COMMAND ARGS...\n", ""},
      {"help dump", 0, "usage: vpacket dump [--all] [--encoding=windows-1252|utf-8] FILE\n", ""},
      {"dump --help", 0, "usage: vpacket dump [--all] [--encoding=windows-1252|utf-8] FILE\n", ""},
      {"compile -h", 0, "usage: vpacket compile ", ""},
      {"--version", 0, "vpacket " VR_VERSION "\n", ""},
      {"", 2, "", "vpacket: no command given (see 'vpacket --help')\n"},
      {"frobnicate", 2, "", "vpacket: unknown command 'frobnicate' (see 'vpacket --help')\n"},
      {"--bogus", 2, "", "vpacket: unknown option '--bogus' (see 'vpacket --help')\n"},
      {"help frobnicate", 2, "",
       "vpacket: help: unknown command 'frobnicate' (see 'vpacket --help')\n"},
      {"dump --bogus x", 2, "",
       "vpacket: dump: unknown option '--bogus' (see 'vpacket dump --help')\n"},
      {"dump --encoding=latin1 x", 2, "",
       "vpacket: dump: unknown encoding 'latin1' (windows-1252 or utf-8) (see 'vpacket dump "
       "--help')\n"},
      {"dump", 2, "",
       "vpacket: dump: usage: vpacket dump [--all] [--encoding=windows-1252|utf-8] FILE (see "
       "'vpacket dump --help')\n"},
      {"filter --bogus x y", 2, "",
       "vpacket: filter: unknown option '--bogus' (see 'vpacket filter --help')\n"},
      {"compile --bogus x", 2, "",
       "vpacket: compile: unknown option '--bogus' (see 'vpacket compile --help')\n"},
      {"info --bogus", 2, "",
       "vpacket: info: unknown option '--bogus' (see 'vpacket info --help')\n"},
      {"convert x", 2, "",
       "vpacket: convert: usage: vpacket convert IN OUT (see 'vpacket convert --help')\n"},
      // The table's refusal of a filter text is the tool's error too.
      {"compile \"Titel LIKE\"", 1, "", "vpacket: Expression expected but nothing found\n"},
      {"filter '" VR_SOURCE_DIR "/data/Base.xml' \"Nix = 1\"", 1, "",
       "vpacket: ArtikelData: Field 'Nix' not found\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Vpacket(c.args);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.args;
    EXPECT_TRUE(run.out.starts_with(c.out_begins)) << c.args << ": " << run.out;
    EXPECT_EQ(run.err, c.err) << c.args;
  }
}

// Text comes out as the packet's Windows-1252 bytes, or as UTF-8 when asked.
// The shipped Danish text's letters outside ASCII are all in the code page's
// Latin-1 half, where a byte is its character's number.
TEST_F(VpacketTest, DumpAndFilterWriteUtf8WhenAsked) {
  const std::string data = "'" VR_SOURCE_DIR "/data/Base.xml'";
  for (const std::string command : {"dump ", "dump --all ", "filter ", "filter --all "}) {
    const std::string filter = command.starts_with("filter") ? " \"Aargang = 2001\"" : "";
    const ToolRun cp1252 = Vpacket(command + data + filter);
    const ToolRun named = Vpacket(command + "--encoding=windows-1252 " + data + filter);
    const ToolRun utf8 = Vpacket(command + "--encoding=utf-8 " + data + filter);
    ASSERT_EQ(cp1252.exit_code, 0) << command << cp1252.err;
    ASSERT_EQ(utf8.exit_code, 0) << command << utf8.err;
    EXPECT_EQ(named.out, cp1252.out) << command;
    ASSERT_NE(cp1252.out.find("\xE5"), std::string::npos) << command;  // an "å"
    std::string expected;
    for (char c : cp1252.out) {
      const auto byte = static_cast<unsigned char>(c);
      ASSERT_TRUE(byte < 0x80 || byte >= 0xA0) << command << ": byte " << int{byte};
      if (byte < 0x80) {
        expected += c;
      } else {
        expected += static_cast<char>(0xC0 | (byte >> 6));
        expected += static_cast<char>(0x80 | (byte & 0x3F));
      }
    }
    EXPECT_TRUE(utf8.out == expected) << command;
  }
}

// A FIFO, a directory or a link loop as input, and a FIFO as output: a
// message and exit code 1 at once, never a wait for a writer or an abort.
TEST_F(VpacketTest, OddPathsGiveAMessageAndNeverBlock) {
  const std::string dir = Temp("odd");
  fs::remove_all(dir);
  fs::create_directories(dir + "/sub");
  ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0644), 0);
  fs::create_symlink("loop2", dir + "/loop1");
  fs::create_symlink("loop1", dir + "/loop2");
  const struct {
    std::string args, message;
  } cases[] = {
      {"info " + dir + "/fifo", "cannot read " + dir + "/fifo: not a regular file"},
      {"dump " + dir + "/sub", "cannot read " + dir + "/sub: a directory, not a regular file"},
      {"info " + dir + "/loop1",
       "cannot read " + dir + "/loop1: Too many levels of symbolic links"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Vpacket(c.args);
    EXPECT_EQ(run.exit_code, 1) << c.args;
    EXPECT_EQ(run.err, "vpacket: " + c.message + "\n") << c.args;
  }
  const std::string in =
      WriteSample("odd_in.packet", packet_samples::Articles(2), engine::PacketForm::kBinary);
  const ToolRun onto_fifo = Vpacket("convert " + in + " " + dir + "/fifo");
  EXPECT_EQ(onto_fifo.exit_code, 1);
  EXPECT_EQ(onto_fifo.err, "vpacket: " + dir + "/fifo is not a regular file\n");
  fs::remove_all(dir);
}

// A file-size limit makes the write fail with its reason; the old output
// and its directory are as they were.
TEST_F(VpacketTest, ConvertUnderAFileSizeLimitKeepsTheOldFile) {
  const std::string dir = Temp("limit");
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string in =
      WriteSample("limit_in.packet", packet_samples::Articles(200), engine::PacketForm::kBinary);
  Spit(dir + "/out.xml", "old");
  // ulimit -f counts 512-byte blocks in the POSIX shell.
  const ToolRun run = Vpacket("convert " + in + " " + dir + "/out.xml", "ulimit -f 8; ");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "vpacket: cannot write " + dir + "/out.xml: File too large\n");
  EXPECT_EQ(Slurp(dir + "/out.xml"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  fs::remove_all(dir);
}

// info and convert refuse what the engine's load refuses, not only what the
// packet reader does.
TEST_F(VpacketTest, InfoAndConvertRunTheLoadsChecks) {
  engine::TableData t = packet_samples::Articles(2);
  t.status = {5, 4};  // row 1 marked replaced, but no change replaces it
  t.change_log = {1, 0, 4, 2, 0, 4};
  const std::string in = WriteSample("unreplaced.packet", t, engine::PacketForm::kBinary);
  for (const std::string command : {"info", "convert"}) {
    const ToolRun run =
        Vpacket(command + " " + in + (command == "convert" ? " " + in + ".xml" : ""));
    EXPECT_EQ(run.exit_code, 1) << command;
    EXPECT_THAT(run.err, HasSubstr("row 1 is marked replaced but no change replaces it"))
        << command;
  }
  EXPECT_FALSE(fs::exists(in + ".xml"));
}

// A file larger than the memory the process may have is refused with a
// message, not an abort. The file is sparse, so the test costs no disk.
TEST_F(VpacketTest, FileLargerThanMemoryIsAMessage) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "an address-space limit and the address sanitizer's shadow do not mix";
#endif
  const std::string big = Temp("sparse.packet");
  { std::ofstream out(big, std::ios::binary); }
  fs::resize_file(big, uint64_t{3} << 30);
  const ToolRun run = Vpacket("info " + big, "ulimit -v 1000000; ");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "vpacket: cannot read " + big + ": Cannot allocate memory\n");
  fs::remove(big);
}

}  // namespace
