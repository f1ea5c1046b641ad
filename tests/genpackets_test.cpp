// Tests of the shipped packets (resources/initial.packet, data/Base*.xml) and
// of the generator that makes them: a fresh run of `genpackets` reproduces the
// committed files byte for byte, and each file has the shape the program
// relies on (fields, row statuses, history, categories, years and issues,
// pages, Windows-1252 text with CR LF lines).
//
// The checks read the packets with the engine's reader and resolve "unchanged"
// values through the change log with a plain loop of their own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/cp1252.h"
#include "engine/ds_interfaces.h"
#include "engine/packet_codec.h"
#include "engine/table_data.h"
#include "platform/locale.h"
#include "store/edition_registry.h"

namespace {

namespace fs = std::filesystem;
using engine::TableData;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path Source(const std::string& rel) { return fs::path(VR_SOURCE_DIR) / rel; }

TableData Load(const std::string& bytes) {
  TableData t;
  std::string error;
  const auto code = engine::ReadPacket(
      {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, &t, &error);
  EXPECT_EQ(code, engine::kDBOk) << error;
  return t;
}

// A current record with every value resolved.
struct Record {
  size_t row = 0;
  std::optional<int64_t> aargang, nummer, start, slut;
  std::optional<std::string> titel, tekst, kategori, vprogrammer;
};

enum Field { kAargang, kNummer, kTitel, kTekst, kKategori, kStartSide, kSlutSide, kVProgrammer };

bool IsCurrent(uint8_t status) {
  return (status & (engine::kRowReplaced | engine::kRowDeleted)) == 0;
}

std::vector<Record> CurrentRecords(const TableData& t) {
  // Which older row each modification replaces, from the change log.
  std::vector<std::optional<size_t>> replaces(t.row_count());
  for (size_t i = 0; i + 2 < t.change_log.size(); i += 3) {
    if (t.change_log[i + 2] == engine::kChangeModified) {
      replaces[t.change_log[i] - 1] = t.change_log[i + 1] - 1;
    }
  }
  auto cell = [&](size_t row, size_t field) -> const engine::Cell& {
    size_t r = row;
    for (size_t hops = 0; t.cell(r, field).blank == engine::kUnchanged; ++hops) {
      if (!replaces[r] || hops > t.row_count()) ADD_FAILURE() << "unresolvable row " << row;
      if (!replaces[r] || hops > t.row_count()) break;
      r = *replaces[r];
    }
    return t.cell(r, field);
  };
  auto int_at = [&](size_t row, size_t f) -> std::optional<int64_t> {
    const auto& c = cell(row, f);
    if (c.blank != engine::kValue) return std::nullopt;
    return static_cast<int64_t>(c.data);
  };
  auto text_at = [&](size_t row, size_t f) -> std::optional<std::string> {
    const auto& c = cell(row, f);
    if (c.blank != engine::kValue) return std::nullopt;
    return std::string(t.bytes(c));
  };
  std::vector<Record> out;
  for (size_t row = 0; row < t.row_count(); ++row) {
    if (!IsCurrent(t.status[row])) continue;
    Record r;
    r.row = row;
    r.aargang = int_at(row, kAargang);
    r.nummer = int_at(row, kNummer);
    r.start = int_at(row, kStartSide);
    r.slut = int_at(row, kSlutSide);
    r.titel = text_at(row, kTitel);
    r.tekst = text_at(row, kTekst);
    r.kategori = text_at(row, kKategori);
    r.vprogrammer = text_at(row, kVProgrammer);
    out.push_back(std::move(r));
  }
  return out;
}

// True when the bytes hold a well-formed UTF-8 sequence of two or more bytes,
// the trace of text that was not converted to Windows-1252.
bool HasUtf8Sequence(const std::string& s) {
  for (size_t i = 0; i + 1 < s.size(); ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    const auto n = static_cast<unsigned char>(s[i + 1]);
    if (b >= 0xC2 && b <= 0xF4 && n >= 0x80 && n <= 0xBF) return true;
  }
  return false;
}

// Every line break is CR LF.
bool CrLfOnly(const std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) return false;
    if (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')) return false;
  }
  return true;
}

void ExpectArticleFields(const TableData& t) {
  struct Expected {
    const char* name;
    uint16_t size;
    uint16_t type;
    const char* param;  // name of the one parameter, or null
    std::string raw;
  };
  const std::string text_subtype("\x05\x00Text\x00", 7);
  const Expected expected[] = {
      {"Aargang", 4, 0x0001, nullptr, ""},
      {"Nummer", 4, 0x0001, nullptr, ""},
      {"Titel", 1, 0x0049, "WIDTH", std::string("\x50\x00", 2)},
      {"Tekst", 4, 0x004B, "SUBTYPE", text_subtype},
      {"Kategori", 1, 0x0049, "WIDTH", std::string("\x14\x00", 2)},
      {"StartSide", 4, 0x0001, nullptr, ""},
      {"SlutSide", 4, 0x0001, nullptr, ""},
      {"VProgrammer", 4, 0x004B, "SUBTYPE", text_subtype},
  };
  ASSERT_EQ(t.field_count(), 8u);
  for (size_t f = 0; f < 8; ++f) {
    SCOPED_TRACE(expected[f].name);
    const auto& field = t.fields[f];
    EXPECT_EQ(field.name, expected[f].name);
    EXPECT_EQ(field.size, expected[f].size);
    EXPECT_EQ(field.type, expected[f].type);
    EXPECT_EQ(field.attrs, 0x10);
    if (expected[f].param == nullptr) {
      EXPECT_TRUE(field.params.empty());
    } else {
      ASSERT_EQ(field.params.size(), 1u);
      EXPECT_EQ(field.params[0].name, expected[f].param);
      EXPECT_EQ(field.params[0].raw, expected[f].raw);
    }
  }
  // CHANGE_LOG is the only table parameter.
  EXPECT_TRUE(t.params.empty());
  EXPECT_EQ(t.change_log_param_pos, 0);
  EXPECT_EQ(t.change_log.size() % 3, 0u);
}

// Statuses, blank codes and the change log agree with the engine's encoding.
void ExpectHistoryShape(const TableData& t) {
  std::map<uint8_t, int> by_status;
  for (size_t row = 0; row < t.row_count(); ++row) {
    const uint8_t s = t.status[row];
    ++by_status[s];
    for (size_t f = 0; f < t.field_count(); ++f) {
      if (t.cell(row, f).blank != engine::kUnchanged) continue;
      EXPECT_TRUE(f == kTekst || f == kVProgrammer) << "row " << row << " field " << f;
      EXPECT_TRUE(s & engine::kRowModified) << "row " << row;
    }
  }
  for (const auto& [status, count] : by_status) {
    EXPECT_TRUE(status == 4 || status == 5 || status == 6 || status == 12 || status == 13 ||
                status == 14)
        << "status " << int(status);
  }
  // One log entry per insert and modification (one per row) plus one per delete.
  int deleted = 0;
  for (size_t row = 0; row < t.row_count(); ++row)
    deleted += (t.status[row] & engine::kRowDeleted) ? 1 : 0;
  EXPECT_EQ(t.change_log.size() / 3, t.row_count() + deleted);
}

// --- Regeneration ------------------------------------------------------------

TEST(GenPackets, FreshRunReproducesTheCommittedFiles) {
  const fs::path tool = fs::path(VR_BINARY_DIR) / "tools" / "genpackets";
  ASSERT_TRUE(fs::exists(tool)) << "build the genpackets tool first: " << tool;
  std::string dir_template = (fs::temp_directory_path() / "genpackets_XXXXXX").string();
  ASSERT_NE(mkdtemp(dir_template.data()), nullptr);
  const fs::path out = dir_template;
  const std::string command = "'" + tool.string() + "' '" + out.string() + "' > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::vector<std::string> files = {"resources/initial.packet"};
  for (const store::Edition* e : store::Editions()) {
    files.push_back("data/" + std::string(store::DataFileName(*e)));
  }
  for (const std::string& rel : files) {
    SCOPED_TRACE(rel);
    const std::string fresh = ReadFile(out / rel);
    const std::string committed = ReadFile(Source(rel));
    EXPECT_FALSE(fresh.empty());
    EXPECT_TRUE(fresh == committed) << "regenerate with: genpackets " << VR_SOURCE_DIR;
  }
  fs::remove_all(out);
}

TEST(GenPackets, UsageWithoutOutputDirectory) {
  const fs::path tool = fs::path(VR_BINARY_DIR) / "tools" / "genpackets";
  ASSERT_TRUE(fs::exists(tool));
  const std::string command = "'" + tool.string() + "' 2> /dev/null";
  EXPECT_NE(std::system(command.c_str()), 0);
}

TEST(GenPackets, RefusesAnOutputDirectoryItCannotCreate) {
  const fs::path tool = fs::path(VR_BINARY_DIR) / "tools" / "genpackets";
  ASSERT_TRUE(fs::exists(tool));
  std::string dir_template = (fs::temp_directory_path() / "genpackets_XXXXXX").string();
  ASSERT_NE(mkdtemp(dir_template.data()), nullptr);
  // A plain file where the output directory should be.
  const fs::path blocker = fs::path(dir_template) / "not_a_directory";
  std::ofstream(blocker) << "x";
  const std::string command = "'" + tool.string() + "' '" + blocker.string() + "' > /dev/null 2>&1";
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
  EXPECT_EQ(ReadFile(blocker), "x");
  fs::remove_all(dir_template);
}

// --- Initial packet ----------------------------------------------------------

TEST(InitialPacket, HeaderAndFields) {
  const std::string bytes = ReadFile(Source("resources/initial.packet"));
  ASSERT_GE(bytes.size(), 24u);
  // The header read by hand: signature, field count, row count.
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x96\x19\xE0\xBD", 4));
  auto le = [&](size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
  };
  EXPECT_EQ(le(8, 4), 24u);
  EXPECT_EQ(le(12, 2), 8u);
  EXPECT_EQ(le(14, 4), 1604u);
  const TableData t = Load(bytes);
  ExpectArticleFields(t);
}

TEST(InitialPacket, RowsStatusesAndHistory) {
  const TableData t = Load(ReadFile(Source("resources/initial.packet")));
  ASSERT_EQ(t.row_count(), 1604u);
  std::map<uint8_t, int> by_status;
  int current = 0;
  for (uint8_t s : t.status) {
    ++by_status[s];
    current += IsCurrent(s) ? 1 : 0;
  }
  EXPECT_EQ(current, 584);
  for (uint8_t s : {4, 5, 6, 12, 13, 14}) EXPECT_GT(by_status[s], 0) << int(s);
  ExpectHistoryShape(t);
  // Blank code 2 appears, and only for memo fields (checked above).
  bool any_unchanged = false;
  for (const auto& c : t.cells) any_unchanged |= c.blank == engine::kUnchanged;
  EXPECT_TRUE(any_unchanged);
}

TEST(InitialPacket, DanishArticles) {
  const TableData t = Load(ReadFile(Source("resources/initial.packet")));
  const auto records = CurrentRecords(t);
  ASSERT_EQ(records.size(), 584u);
  std::set<std::string> categories;
  for (const auto& r : records) categories.insert(r.kategori.value_or(""));
  EXPECT_EQ(categories, (std::set<std::string>{"Anmeldelse", "Artikel", "Galleriet", "V-CD", "Test",
                                               "Nyhed", "Nyt p\xE5 nettet", "Skole", "Sp\xF8rg os",
                                               "S\xE5"
                                               "dan virker..."}));
}

TEST(InitialPacket, EngineWritesTheSameBytesBack) {
  const std::string bytes = ReadFile(Source("resources/initial.packet"));
  auto base = engine::CreateDSBase();
  ASSERT_EQ(base->AppendData({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}),
            engine::kDBOk);
  bool changed = true;
  ASSERT_EQ(base->HasChanges(&changed), engine::kDBOk);
  EXPECT_FALSE(changed);
  std::string again;
  ASSERT_EQ(base->StreamData(engine::PacketForm::kBinary, &again), engine::kDBOk);
  EXPECT_TRUE(again == bytes);
}

// --- Edition data files -------------------------------------------------------

// An edition's facts as its data file holds them (Windows-1252), taken from
// the registry, and the letters of its language that its texts must use.
struct Edition {
  std::string file;  // "data/Base.xml"
  std::vector<std::string> categories;
  std::string heading1, heading2;
  std::string letters;
};

std::ostream& operator<<(std::ostream& os, const Edition& e) { return os << e.file; }

std::string Cp1252(const char* utf8) {
  std::string bytes;
  engine::AppendUtf8AsCp1252(utf8, &bytes);
  return bytes;
}

Edition Registered(int32_t sprog, std::string letters) {
  const store::Edition& e = *store::FindEdition(sprog);
  Edition out{"data/" + std::string(store::DataFileName(e)),
              {},
              Cp1252(e.cover_disc.programs),
              Cp1252(e.cover_disc.also),
              std::move(letters)};
  for (const char* category : e.categories) out.categories.push_back(Cp1252(category));
  return out;
}

const Edition kEditions[] = {
    Registered(platform::kLangDanish, "\xE6\xF8\xE5"),
    Registered(platform::kLangNorwegian, "\xE6\xF8\xE5"),
    Registered(platform::kLangSwedish, "\xE4\xF6\xE5"),
    Registered(platform::kLangFinnish, "\xE4\xF6"),
};

class EditionFile : public ::testing::TestWithParam<Edition> {
 protected:
  void SetUp() override {
    bytes_ = ReadFile(Source(GetParam().file));
    ASSERT_FALSE(bytes_.empty());
    table_ = Load(bytes_);
    records_ = CurrentRecords(table_);
  }
  std::string bytes_;
  TableData table_;
  std::vector<Record> records_;
};

TEST_P(EditionFile, XmlFormWithTheArticleFields) {
  EXPECT_EQ(bytes_.rfind("<?xml version=\"1.0\" encoding=\"windows-1252\"", 0), 0u);
  ExpectArticleFields(table_);
  ExpectHistoryShape(table_);
}

TEST_P(EditionFile, ShortHistoryOfEditsAndDeletes) {
  int modified = 0, deleted = 0;
  for (uint8_t s : table_.status) {
    modified += (s & engine::kRowModified) ? 1 : 0;
    deleted += (s & engine::kRowDeleted) ? 1 : 0;
  }
  EXPECT_GT(modified, 0);
  EXPECT_GT(deleted, 0);
  EXPECT_LT(modified + deleted, static_cast<int>(records_.size() / 10));
}

TEST_P(EditionFile, YearsIssuesAndCategories) {
  const Edition& e = GetParam();
  std::map<std::pair<int64_t, int64_t>, int> per_issue;
  std::set<std::string> seen;
  const std::set<std::string> allowed(e.categories.begin(), e.categories.end());
  for (const auto& r : records_) {
    ASSERT_TRUE(r.aargang && r.nummer && r.kategori && r.titel && r.tekst) << "row " << r.row;
    EXPECT_TRUE(*r.aargang == 2001 || *r.aargang == 2002) << *r.aargang;
    EXPECT_TRUE(*r.nummer >= 1 && *r.nummer <= 12) << *r.nummer;
    EXPECT_TRUE(allowed.count(*r.kategori)) << *r.kategori;
    EXPECT_LE(r.titel->size(), 80u);
    EXPECT_LE(r.kategori->size(), 20u);
    ++per_issue[{*r.aargang, *r.nummer}];
    seen.insert(*r.kategori);
  }
  EXPECT_EQ(per_issue.size(), 24u);
  for (const auto& [issue, count] : per_issue) {
    EXPECT_GE(count, 15) << issue.first << "-" << issue.second;
    EXPECT_LE(count, 32) << issue.first << "-" << issue.second;
  }
  EXPECT_EQ(seen, allowed);
}

TEST_P(EditionFile, PagesRiseThroughEachIssue) {
  std::map<std::pair<int64_t, int64_t>, std::vector<std::pair<int64_t, int64_t>>> pages;
  for (const auto& r : records_) {
    if (*r.kategori == "V-CD") continue;
    ASSERT_TRUE(r.start && r.slut) << "row " << r.row << " has no pages";
    EXPECT_GE(*r.slut, *r.start) << "row " << r.row;
    pages[{*r.aargang, *r.nummer}].emplace_back(*r.start, *r.slut);
  }
  for (auto& [issue, list] : pages) {
    std::sort(list.begin(), list.end());
    for (size_t i = 1; i < list.size(); ++i) {
      EXPECT_GT(list[i].first, list[i - 1].second) << issue.first << "-" << issue.second;
    }
  }
}

TEST_P(EditionFile, CoverDiscRecordPerIssue) {
  const Edition& e = GetParam();
  std::set<std::string> titles;
  for (const auto& r : records_) {
    if (*r.kategori != "V-CD") continue;
    const std::string when = std::to_string(*r.nummer) + "-" + std::to_string(*r.aargang);
    EXPECT_EQ(*r.titel, "V-CD  " + when);
    EXPECT_EQ(r.start.value_or(-1), 0);
    EXPECT_EQ(r.slut.value_or(-1), 0);
    EXPECT_EQ(r.tekst->rfind(e.heading1 + when + ":\r\n", 0), 0u) << *r.tekst;
    EXPECT_NE(r.tekst->find("\r\n\r\n" + e.heading2 + when + ":\r\n"), std::string::npos);
    EXPECT_TRUE(r.vprogrammer.has_value());
    titles.insert(*r.titel);
  }
  EXPECT_EQ(titles.size(), 24u);
}

TEST_P(EditionFile, TextsAreWindows1252WithCrLfLines) {
  const Edition& e = GetParam();
  EXPECT_FALSE(HasUtf8Sequence(bytes_));
  int multi_line = 0, with_programs = 0;
  std::set<char> letters;
  for (const auto& r : records_) {
    for (const auto* s : {&r.titel, &r.tekst, &r.kategori, &r.vprogrammer}) {
      if (!*s) continue;
      EXPECT_FALSE(HasUtf8Sequence(**s)) << **s;
      EXPECT_TRUE(CrLfOnly(**s)) << **s;
      for (char c : **s) {
        if (e.letters.find(c) != std::string::npos) letters.insert(c);
      }
    }
    multi_line += r.tekst->find("\r\n") != std::string::npos ? 1 : 0;
    with_programs += (r.vprogrammer && *r.kategori != "V-CD") ? 1 : 0;
  }
  EXPECT_GT(multi_line, static_cast<int>(records_.size() / 2));
  EXPECT_GT(with_programs, 10);
  EXPECT_EQ(letters.size(), e.letters.size()) << "the language's own letters are missing";
}

TEST_P(EditionFile, TitlesAreMostlyDistinct) {
  std::set<std::string> titles;
  for (const auto& r : records_) titles.insert(*r.titel);
  EXPECT_GT(titles.size(), records_.size() * 95 / 100);
}

TEST_P(EditionFile, EngineWritesTheSameBytesBack) {
  auto base = engine::CreateDSBase();
  ASSERT_EQ(base->AppendData({reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size()}),
            engine::kDBOk);
  std::string again;
  ASSERT_EQ(base->StreamData(engine::PacketForm::kXml, &again), engine::kDBOk);
  EXPECT_TRUE(again == bytes_);
}

INSTANTIATE_TEST_SUITE_P(Editions, EditionFile, ::testing::ValuesIn(kEditions));

}  // namespace
