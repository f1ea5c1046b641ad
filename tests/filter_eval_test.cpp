// Filter evaluation in the engine against a plain reference loop: random
// article rows (Nordic letters, "_" and "%" in the text, nulls) and random
// search words, compiled by the real compiler and selected by the engine;
// plus null semantics, "unchanged" cells, and refusal of malformed blocks.
#include "engine/filter_eval.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/filter_cache.h"
#include "engine/filter_program.h"
#include "engine/table_data.h"
#include "engine/text_fold.h"
#include "filter_test_host.h"
#include "store/filter_compile.h"

namespace {

using engine::FilterProgram;
using engine::TableData;
using engine::filter::ColumnCache;

struct Article {
  std::optional<int> aargang, nummer;
  std::optional<std::string> titel, tekst, kategori;
};

TableData MakeTable(const std::vector<Article>& rows) {
  TableData t;
  auto field = [&](const char* name, uint16_t type, uint16_t size) {
    engine::FieldDef f;
    f.name = name;
    f.type = type;
    f.size = size;
    t.fields.push_back(f);
  };
  field("Aargang", engine::kBaseInt, 4);
  field("Nummer", engine::kBaseInt, 4);
  field("Titel", engine::kBaseString | engine::kTypeVarying, 1);
  field("Tekst", engine::kBaseBytes | engine::kTypeVarying, 4);
  field("Kategori", engine::kBaseString | engine::kTypeVarying, 1);
  field("StartSide", engine::kBaseInt, 4);
  field("SlutSide", engine::kBaseInt, 4);
  field("VProgrammer", engine::kBaseBytes | engine::kTypeVarying, 4);
  for (const Article& a : rows) {
    t.status.push_back(0);
    auto num = [&](std::optional<int> v) {
      engine::Cell c;
      if (v) {
        c.blank = engine::kValue;
        c.data = static_cast<uint64_t>(static_cast<int64_t>(*v));
      }
      t.cells.push_back(c);
    };
    auto str = [&](const std::optional<std::string>& v) {
      t.cells.push_back(v ? t.AddBytes(*v) : engine::Cell{});
    };
    num(a.aargang);
    num(a.nummer);
    str(a.titel);
    str(a.tekst);
    str(a.kategori);
    num(1);
    num(2);
    str(std::nullopt);
  }
  return t;
}

std::vector<uint32_t> AllRows(size_t n) {
  std::vector<uint32_t> rows(n);
  for (size_t i = 0; i < n; ++i) rows[i] = static_cast<uint32_t>(i);
  return rows;
}

// Filters `t` through `cache`, the columns kept for `t` between filters, or
// through a cache of its own when none is given.
std::vector<uint32_t> Filtered(const std::string& text, const TableData& t,
                               store::TFilterOptions options = {true, false},
                               const std::vector<uint32_t>& replaces = {},
                               ColumnCache* cache = nullptr) {
  ColumnCache own;
  if (cache == nullptr) cache = &own;
  filter_test::ArticleHost host;
  const auto block = store::CompileFilterText(host, text, options);
  std::unique_ptr<FilterProgram> program;
  std::string error;
  EXPECT_EQ(FilterProgram::Decode(block, t, &program, &error), engine::kDBOk) << error;
  std::vector<uint32_t> out;
  if (!program) return out;
  program->Select(t, replaces, *cache, AllRows(t.row_count()), &out);
  // The view's own order is kept: rows given backwards come out backwards.
  std::vector<uint32_t> backwards = AllRows(t.row_count()), back_out;
  std::reverse(backwards.begin(), backwards.end());
  program->Select(t, replaces, *cache, backwards, &back_out);
  EXPECT_EQ(back_out, std::vector<uint32_t>(out.rbegin(), out.rend())) << text;
  // The set form, which the cursor's views use, gives the same rows.
  engine::RowSet all(t.row_count()), set_out;
  for (uint32_t r = 0; r < t.row_count(); ++r) all.Set(r);
  program->SelectSet(t, replaces, *cache, all, &set_out);
  EXPECT_EQ(set_out.ToRows(), out) << text;
  // Matches agrees with Select row by row.
  std::vector<uint32_t> one_by_one;
  for (uint32_t r = 0; r < t.row_count(); ++r)
    if (program->Matches(t, replaces, r)) one_by_one.push_back(r);
  EXPECT_EQ(out, one_by_one) << text;
  return out;
}

// Reference LIKE: plain recursion over pattern and text.
char RefFold(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
  if (u == 0x8A || u == 0x8C || u == 0x8E) return static_cast<char>(u + 16);
  if (u == 0x9F) return static_cast<char>(0xFF);
  return c;
}

bool RefLike(const std::string& p, size_t i, const std::string& s, size_t j, bool fold) {
  if (i == p.size()) return j == s.size();
  if (p[i] == '%') {
    for (size_t k = j; k <= s.size(); ++k)
      if (RefLike(p, i + 1, s, k, fold)) return true;
    return false;
  }
  if (j == s.size()) return false;
  const bool same = p[i] == '_' || (fold ? RefFold(p[i]) == RefFold(s[j]) : p[i] == s[j]);
  return same && RefLike(p, i + 1, s, j + 1, fold);
}

const char kAlphabet[] =
    "abcdeABCDE _%\xe6\xc6\xf8\xd8\xe5\xc5\xe4\xc4\xf6\xd6\xe9\xc9\xfc\xdc\x8a\x9a\x9f\xff\xd7\xf7";

std::string RandomText(std::mt19937& rng, size_t max_len) {
  std::uniform_int_distribution<size_t> len(0, max_len);
  std::uniform_int_distribution<size_t> pick(0, sizeof(kAlphabet) - 2);
  std::string s;
  const size_t n = len(rng);
  for (size_t i = 0; i < n; ++i) s.push_back(kAlphabet[pick(rng)]);
  return s;
}

std::vector<Article> RandomArticles(std::mt19937& rng, size_t count) {
  std::vector<Article> rows;
  std::uniform_int_distribution<int> coin(0, 9);
  const char* cats[] = {"Test", "test", "V-CD", "Nyt", "Ny", "N\xe6t"};
  for (size_t i = 0; i < count; ++i) {
    Article a;
    if (coin(rng)) a.aargang = 2000 + coin(rng) % 3;
    if (coin(rng)) a.nummer = 1 + coin(rng);
    if (coin(rng)) a.titel = RandomText(rng, 12);
    if (coin(rng)) a.tekst = RandomText(rng, 60);
    if (coin(rng)) a.kategori = cats[coin(rng) % 6];
    rows.push_back(a);
  }
  return rows;
}

TEST(FilterEval, SearchWordAgainstReference) {
  std::mt19937 rng(1234);
  const auto rows = RandomArticles(rng, 400);
  const TableData t = MakeTable(rows);
  ColumnCache cache;
  for (int round = 0; round < 150; ++round) {
    std::string word = RandomText(rng, 3);
    if (word.find('\'') != std::string::npos) continue;
    for (bool ci : {true, false}) {
      const std::string text = "(Tekst LIKE '%" + word + "%' or Titel LIKE '%" + word + "%')";
      const std::string pattern = "%" + word + "%";
      std::vector<uint32_t> expected;
      for (uint32_t r = 0; r < rows.size(); ++r) {
        const Article& a = rows[r];
        if ((a.tekst && RefLike(pattern, 0, *a.tekst, 0, ci)) ||
            (a.titel && RefLike(pattern, 0, *a.titel, 0, ci)))
          expected.push_back(r);
      }
      EXPECT_EQ(Filtered(text, t, {ci, false}, {}, &cache), expected)
          << "word '" << word << "' ci " << ci;
    }
  }
}

TEST(FilterEval, AnchoredPatternsAgainstReference) {
  std::mt19937 rng(99);
  const auto rows = RandomArticles(rng, 300);
  const TableData t = MakeTable(rows);
  for (int round = 0; round < 200; ++round) {
    const std::string pattern = RandomText(rng, 5);
    if (pattern.empty()) continue;
    std::vector<uint32_t> expected;
    for (uint32_t r = 0; r < rows.size(); ++r)
      if (rows[r].tekst && RefLike(pattern, 0, *rows[r].tekst, 0, true)) expected.push_back(r);
    EXPECT_EQ(Filtered("Tekst LIKE '" + pattern + "'", t), expected) << pattern;
  }
}

TEST(FilterEval, SearchShapeAgainstReference) {
  std::mt19937 rng(7);
  const auto rows = RandomArticles(rng, 500);
  const TableData t = MakeTable(rows);
  for (const char* cat : {"test", "V-CD", "Ny*", "n\xc6t"}) {
    for (int year : {2000, 2001, 2002}) {
      const std::string word = "a";
      const std::string text = "(Tekst LIKE '%" + word + "%' or Titel LIKE '%" + word +
                               "%') and Aargang = '" + std::to_string(year) + "' and KATEGORI = '" +
                               cat + "'";
      std::string c = cat;
      const bool partial = c.back() == '*';
      if (partial) c.pop_back();
      std::vector<uint32_t> expected;
      for (uint32_t r = 0; r < rows.size(); ++r) {
        const Article& a = rows[r];
        const bool w = (a.tekst && RefLike("%a%", 0, *a.tekst, 0, true)) ||
                       (a.titel && RefLike("%a%", 0, *a.titel, 0, true));
        bool k = false;
        if (a.kategori) {
          std::string v = *a.kategori;
          if (partial && v.size() > c.size()) v = v.substr(0, c.size());
          k = RefLike(c, 0, v, 0, true);
        }
        if (w && a.aargang == year && k) expected.push_back(r);
      }
      EXPECT_EQ(Filtered(text, t), expected) << text;
    }
  }
}

TEST(FilterEval, NullsMakeComparisonsUnknown) {
  std::vector<Article> rows(4);
  rows[0].aargang = 2001;
  rows[1].aargang = 2002;
  // rows[2] and rows[3]: year null
  rows[3].titel = "x";
  const TableData t = MakeTable(rows);
  EXPECT_EQ(Filtered("Aargang = 2001", t), (std::vector<uint32_t>{0}));
  EXPECT_EQ(Filtered("not Aargang = 2001", t), (std::vector<uint32_t>{1}));
  EXPECT_EQ(Filtered("Aargang <> 2001", t), (std::vector<uint32_t>{1}));
  EXPECT_EQ(Filtered("Aargang is null", t), (std::vector<uint32_t>{2, 3}));
  EXPECT_EQ(Filtered("Aargang = NULL", t), (std::vector<uint32_t>{2, 3}));
  EXPECT_EQ(Filtered("Aargang is not null", t), (std::vector<uint32_t>{0, 1}));
  EXPECT_EQ(Filtered("Aargang = 2001 or Titel = 'X'", t), (std::vector<uint32_t>{0, 3}));
  EXPECT_EQ(Filtered("not (Aargang = 2001 and Titel = 'x')", t), (std::vector<uint32_t>{1}));
  EXPECT_EQ(Filtered("Aargang in (2002, 1999)", t), (std::vector<uint32_t>{1}));
  EXPECT_EQ(Filtered("Aargang + 1 = 2003", t), (std::vector<uint32_t>{1}));
  EXPECT_EQ(Filtered("Aargang > 2001", t), (std::vector<uint32_t>{1}));
  EXPECT_EQ(Filtered("UPPER(Titel) = 'X'", t, {false, false}), (std::vector<uint32_t>{3}));
}

TEST(FilterEval, UnchangedCellsResolveThroughReplaces) {
  std::vector<Article> rows(2);
  rows[0].aargang = 2001;
  rows[0].titel = "old";
  rows[1].titel = "new";
  TableData t = MakeTable(rows);
  t.cell(1, 0).blank = engine::kUnchanged;  // year of row 1 is that of row 0
  const std::vector<uint32_t> replaces = {0, 1};
  EXPECT_EQ(Filtered("Aargang = 2001", t, {true, false}, replaces), (std::vector<uint32_t>{0, 1}));
  // A chain that leads nowhere reads as null.
  EXPECT_EQ(Filtered("Aargang = 2001", t, {true, false}, {0, 0}), (std::vector<uint32_t>{0}));
}

TEST(FilterEval, FoldingCoversWindows1252Letters) {
  const auto& fold = engine::FoldTable();
  for (int c = 0; c < 256; ++c)
    EXPECT_EQ(fold[c], static_cast<uint8_t>(RefFold(static_cast<char>(c)))) << c;
  EXPECT_EQ(engine::UpperTable()[0xE6], 0xC6);
  EXPECT_EQ(engine::UpperTable()[0xFF], 0x9F);
  EXPECT_EQ(engine::UpperTable()[0xF7], 0xF7);
}

// The column cache kept for a table follows appended rows, starts afresh
// after Reset, and gives up categories with many values.
TEST(FilterEval, ColumnCacheFollowsTheTable) {
  std::mt19937 rng(31);
  auto rows = RandomArticles(rng, 200);
  TableData t = MakeTable(rows);
  ColumnCache cache;
  const std::string text = "Aargang = 2001 and Kategori = 'test'";
  auto reference = [&](const std::vector<Article>& rs) {
    std::vector<uint32_t> expected;
    for (uint32_t r = 0; r < rs.size(); ++r)
      if (rs[r].aargang == 2001 && rs[r].kategori && RefLike("test", 0, *rs[r].kategori, 0, true))
        expected.push_back(r);
    return expected;
  };
  EXPECT_EQ(Filtered(text, t, {true, false}, {}, &cache), reference(rows));
  // Rows appended after the first filter.
  const auto more = RandomArticles(rng, 100);
  rows.insert(rows.end(), more.begin(), more.end());
  const TableData grown = MakeTable(rows);
  const size_t old_cells = t.cells.size();
  t.status = grown.status;
  t.heap = grown.heap;
  t.cells.insert(t.cells.end(), grown.cells.begin() + static_cast<long>(old_cells),
                 grown.cells.end());
  EXPECT_EQ(Filtered(text, t, {true, false}, {}, &cache), reference(rows));
  // A copy changed in place, with a cache of its own, leaves the original's
  // cache as it was.
  TableData copy = t;
  ColumnCache copy_cache;
  for (size_t r = 0; r < copy.row_count(); ++r) copy.cell(r, 0).data = 2001;
  auto all_2001 = rows;
  for (auto& a : all_2001)
    if (a.aargang) a.aargang = 2001;
  EXPECT_EQ(Filtered(text, copy, {true, false}, {}, &copy_cache), reference(all_2001));
  EXPECT_EQ(Filtered(text, t, {true, false}, {}, &cache), reference(rows));
  // In-place change with Reset.
  for (size_t r = 0; r < t.row_count(); ++r) t.cell(r, 0).data = 2001;
  cache.Reset();
  EXPECT_EQ(Filtered(text, t, {true, false}, {}, &cache), reference(all_2001));
  // Titles are all different: the dictionary gives up, results stay right.
  std::vector<Article> many(3000);
  for (size_t i = 0; i < many.size(); ++i) many[i].titel = "t" + std::to_string(i % 1500);
  const TableData m = MakeTable(many);
  std::vector<uint32_t> expected;
  for (uint32_t r = 0; r < many.size(); ++r)
    if (*many[r].titel == "t77") expected.push_back(r);
  EXPECT_EQ(Filtered("Titel = 'T77'", m), expected);
}

// Titles made distinct beyond the dictionary's limit, so that both text
// fields of the search go through the word index.
std::vector<Article> ManyTitles(std::mt19937& rng, size_t count) {
  auto rows = RandomArticles(rng, count);
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].titel) *rows[i].titel += " " + std::to_string(i);
  return rows;
}

std::vector<uint32_t> SearchReference(const std::vector<Article>& rows, const std::string& pattern,
                                      bool ci) {
  std::vector<uint32_t> expected;
  for (uint32_t r = 0; r < rows.size(); ++r)
    if ((rows[r].tekst && RefLike(pattern, 0, *rows[r].tekst, 0, ci)) ||
        (rows[r].titel && RefLike(pattern, 0, *rows[r].titel, 0, ci)))
      expected.push_back(r);
  return expected;
}

std::string SearchText(const std::string& pattern) {
  return "(Tekst LIKE '" + pattern + "' or Titel LIKE '" + pattern + "')";
}

// Patterns of every shape the word index meets: one run between "%"s (the
// index alone decides), runs split by blanks, "_" and "%", anchored ends,
// no run at all; with and without case, and negated.
TEST(FilterEval, WordIndexAgainstReference) {
  std::mt19937 rng(4242);
  const auto rows = ManyTitles(rng, 1300);
  const TableData t = MakeTable(rows);
  ColumnCache cache;
  for (int round = 0; round < 90; ++round) {
    std::string pattern;
    switch (round % 3) {
      case 0:
        pattern = "%" + RandomText(rng, 4) + "%";
        break;
      case 1:
        pattern = RandomText(rng, 6);
        break;
      default:
        pattern = "%" + RandomText(rng, 3) + "%" + RandomText(rng, 3) + "%";
        break;
    }
    if (pattern.empty()) continue;
    for (bool ci : {true, false}) {
      EXPECT_EQ(Filtered(SearchText(pattern), t, {ci, false}, {}, &cache),
                SearchReference(rows, pattern, ci))
          << "pattern '" << pattern << "' ci " << ci;
      std::vector<uint32_t> without;
      for (uint32_t r = 0; r < rows.size(); ++r)
        if (rows[r].tekst && !RefLike(pattern, 0, *rows[r].tekst, 0, ci)) without.push_back(r);
      EXPECT_EQ(Filtered("not Tekst LIKE '" + pattern + "'", t, {ci, false}, {}, &cache), without)
          << "pattern '" << pattern << "' ci " << ci;
    }
  }
  // Nordic letters in either case find each other only when case is ignored.
  std::vector<Article> nordic(1100);
  for (size_t i = 0; i < nordic.size(); ++i) nordic[i].titel = "t" + std::to_string(i);
  nordic[5].tekst = "Sk\xc6rm og netv\xe6rk";
  nordic[9].titel = "STORE \xc6\xd8\xc5";
  const TableData n = MakeTable(nordic);
  EXPECT_EQ(Filtered(SearchText("%sk\xe6rm%"), n), (std::vector<uint32_t>{5}));
  EXPECT_EQ(Filtered(SearchText("%sk\xe6rm%"), n, {false, false}), (std::vector<uint32_t>{}));
  EXPECT_EQ(Filtered(SearchText("%\xe6\xf8\xe5%"), n), (std::vector<uint32_t>{9}));
  EXPECT_EQ(Filtered(SearchText("%rm og n%"), n), (std::vector<uint32_t>{5}));
  EXPECT_EQ(Filtered(SearchText("%k_rm%"), n), (std::vector<uint32_t>{5}));
}

// The word index follows appended rows (among them an "unchanged" cell),
// notices a changed last row, and starts afresh after Reset.
TEST(FilterEval, WordIndexFollowsTheTable) {
  std::mt19937 rng(77);
  auto rows = ManyTitles(rng, 1200);
  TableData t = MakeTable(rows);
  ColumnCache cache;
  const std::string pattern = "%ab%";
  std::vector<uint32_t> replaces(rows.size(), 0);
  EXPECT_EQ(Filtered(SearchText(pattern), t, {true, false}, replaces, &cache),
            SearchReference(rows, pattern, true));
  // Rows appended after the index was built; the last one's text is that of
  // the row it replaces.
  const auto more = ManyTitles(rng, 150);
  rows.insert(rows.end(), more.begin(), more.end());
  rows.back().tekst = "xxabyy";
  const TableData grown = MakeTable(rows);
  const size_t old_cells = t.cells.size();
  t.status = grown.status;
  t.heap = grown.heap;
  t.cells.insert(t.cells.end(), grown.cells.begin() + static_cast<long>(old_cells),
                 grown.cells.end());
  t.cell(rows.size() - 1, 3).blank = engine::kUnchanged;
  t.cell(0, 3) = t.AddBytes("xxabyy");  // row 0 changed in place, the cache dropped
  cache.Reset();
  rows[0].tekst = "xxabyy";
  replaces.assign(rows.size(), 0);
  replaces.back() = 1;
  EXPECT_EQ(Filtered(SearchText(pattern), t, {true, false}, replaces, &cache),
            SearchReference(rows, pattern, true));
  EXPECT_EQ(Filtered(SearchText("%xxaby%"), t, {true, false}, replaces, &cache),
            (std::vector<uint32_t>{0, static_cast<uint32_t>(rows.size() - 1)}));
  // The last row changed in place without Reset: the cache sees its cell moved.
  t.cell(rows.size() - 1, 3) = t.AddBytes("qqq");
  rows.back().tekst = "qqq";
  EXPECT_EQ(Filtered(SearchText("%qqq%"), t, {true, false}, replaces, &cache),
            (std::vector<uint32_t>{static_cast<uint32_t>(rows.size() - 1)}));
  // A copy changed in place, with a cache of its own, leaves the original's
  // index as it was.
  TableData copy = t;
  ColumnCache copy_cache;
  copy.cell(3, 3) = copy.AddBytes("qqq");
  EXPECT_EQ(Filtered(SearchText("%qqq%"), copy, {true, false}, replaces),
            (std::vector<uint32_t>{3, static_cast<uint32_t>(rows.size() - 1)}));
  EXPECT_EQ(Filtered(SearchText(pattern), t, {true, false}, replaces, &cache),
            SearchReference(rows, pattern, true));
}

// A run that most words hold ("e" among forty such words a row) is not
// worth the index: it is left to the check of the candidates of the other
// runs, or the texts are scanned; the results stay those of the reference.
TEST(FilterEval, RunsHeldByManyWordsAgainstReference) {
  std::vector<Article> rows(1200);
  for (size_t r = 0; r < rows.size(); ++r) {
    std::string text;
    for (size_t k = 0; k < 40; ++k) text += "e" + std::to_string(r * 40 + k) + " ";
    rows[r].tekst = text;
    rows[r].titel = "t" + std::to_string(r);
  }
  const TableData t = MakeTable(rows);
  for (const char* pattern : {"%e%", "%E%77%", "%77%e%", "e%", "%e_7%", "%9 e%", "%e12345%"})
    for (bool ci : {true, false})
      EXPECT_EQ(Filtered(SearchText(pattern), t, {ci, false}), SearchReference(rows, pattern, ci))
          << pattern << " ci " << ci;
}

// While the word indexes are being built (held here for good), a search
// scans the texts of the rows it is given, in pieces of a few thousand rows
// written straight into the result, in two threads over many rows: over all
// rows and over a year's (one thread), the results are the reference's.
TEST(FilterEval, ScanWhileIndexesBuildAgainstReference) {
  std::mt19937 rng(77);
  // More rows than a scan does in one thread; a year's rows are fewer.
  const auto rows = RandomArticles(rng, engine::filter::Evaluator::kParallelScanRows + 5000);
  const TableData t = MakeTable(rows);
  ColumnCache cache;
  cache.BuildInBackground(true);
  cache.builder().SetGateForTesting([](const std::atomic<bool>& stop) {
    while (!stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  for (const char* pattern : {"%a%", "%Ab%", "%e_%", "%_%", "a%", "%%",
                              "%\xe6"
                              "C%"}) {
    for (bool ci : {true, false}) {
      EXPECT_EQ(Filtered(SearchText(pattern), t, {ci, false}, {}, &cache),
                SearchReference(rows, pattern, ci))
          << pattern << " ci " << ci;
      std::vector<uint32_t> in_year;
      for (uint32_t r : SearchReference(rows, pattern, ci))
        if (rows[r].aargang == 2001) in_year.push_back(r);
      EXPECT_EQ(Filtered(SearchText(pattern) + " and Aargang = 2001", t, {ci, false}, {}, &cache),
                in_year)
          << pattern << " ci " << ci;
    }
  }
  EXPECT_FALSE(cache.HasWords(2));
  EXPECT_FALSE(cache.HasWords(3));
}

// While the build of the text index waits (held here from before it began,
// so it waits at its first stop, kPauseRows rows in), a search takes the rows
// the build has covered from it and scans only the rest; the results stay
// the reference's, also for a row whose text is read through the row it
// replaces, and stopping the build does not wait for the hold to end.
TEST(FilterEval, SearchWhileTheBuildWaitsTakesItsRows) {
  using engine::filter::Evaluator;
  using engine::filter::WordIndex;
  std::mt19937 rng(78);
  // As many rows as make the first stop's share worth taking.
  constexpr size_t kRows = WordIndex::kPauseRows * Evaluator::kPartialIndexShare;
  static_assert(kRows >= Evaluator::kPartialIndexRows);
  auto rows = RandomArticles(rng, kRows);
  rows[5].tekst = "qqzz";
  rows[300].tekst = "qqzz";
  rows[10].tekst = rows[3].tekst = "abc";
  TableData t = MakeTable(rows);
  std::vector<uint32_t> replaces(rows.size(), 0);
  t.cell(10, 3).blank = engine::kUnchanged;
  replaces[10] = 4;  // row 3
  ColumnCache cache;
  cache.BuildInBackground(true);
  std::optional<engine::filter::WordIndexBuilder::Hold> hold(std::in_place, cache.builder());
  auto reference = [&](const std::string& pattern, bool ci) {
    std::vector<uint32_t> expected;
    for (uint32_t r = 0; r < rows.size(); ++r)
      if (rows[r].tekst && RefLike(pattern, 0, *rows[r].tekst, 0, ci)) expected.push_back(r);
    return expected;
  };
  auto text_search = [](const std::string& pattern) { return "Tekst LIKE '" + pattern + "'"; };
  // The first search asks for the index.
  EXPECT_EQ(Filtered(text_search("%ab%"), t, {true, false}, replaces, &cache),
            reference("%ab%", true));
  const WordIndex* partial = nullptr;
  for (int i = 0; i < 10000 && partial == nullptr; ++i)
    partial = hold->Partial(t, 3, 0, std::chrono::milliseconds(1));
  ASSERT_NE(partial, nullptr);
  EXPECT_EQ(partial->rows(), WordIndex::kPauseRows);
  EXPECT_EQ(hold->Partial(t, 2, 0, std::chrono::milliseconds(1)), nullptr);  // not in hand
  // The texts of rows 5 and 300 changed behind the index's back: row 5 is
  // answered by the index as it was built, row 300 by its text.
  auto overwrite = [&](size_t row, const char* bytes) {
    std::memcpy(t.heap.data() + t.cell(row, 3).data, bytes, 4);
  };
  overwrite(5, "xxxx");
  overwrite(300, "xxxx");
  {
    filter_test::ArticleHost host;
    std::unique_ptr<FilterProgram> program;
    std::string error;
    ASSERT_EQ(
        FilterProgram::Decode(store::CompileFilterText(host, text_search("%qqzz%"), {true, false}),
                              t, &program, &error),
        engine::kDBOk);
    engine::RowSet all(t.row_count()), out;
    for (uint32_t r = 0; r < t.row_count(); ++r) all.Set(r);
    program->SelectSet(t, replaces, cache, all, &out);
    EXPECT_EQ(out.ToRows(), (std::vector<uint32_t>{5}));
  }
  overwrite(5, "qqzz");
  overwrite(300, "qqzz");
  for (const char* pattern : {"%a%", "%Ab%", "%e_%", "a%", "%abc%", "%qqzz%", "%zz%q%",
                              "%\xe6"
                              "C%"}) {
    for (bool ci : {true, false}) {
      EXPECT_EQ(Filtered(text_search(pattern), t, {ci, false}, replaces, &cache),
                reference(pattern, ci))
          << pattern << " ci " << ci;
    }
  }
  cache.StopBuilding();
  EXPECT_EQ(hold->Partial(t, 3, 0, std::chrono::milliseconds(1)), nullptr);
  hold.reset();
  EXPECT_FALSE(cache.HasWords(3));
}

std::vector<uint8_t> CompileArticle(const std::string& text) {
  filter_test::ArticleHost host;
  return store::CompileFilterText(host, text, {true, false});
}

TEST(FilterEval, MalformedBlocksAreRefused) {
  std::mt19937 rng(5);
  const TableData t = MakeTable(RandomArticles(rng, 20));
  const auto good = CompileArticle("(Tekst LIKE '%a%' or Titel LIKE '%b%') and Aargang in (1, 2)");
  std::unique_ptr<FilterProgram> program;
  std::string error;
  // Every truncation is refused with a text.
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
    EXPECT_EQ(FilterProgram::Decode(cut, t, &program, &error), engine::kDBBadFilter) << n;
    EXPECT_FALSE(error.empty());
  }
  // Flipped bytes are refused or evaluate without fault.
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bad = good;
    bad[rng() % bad.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    if (FilterProgram::Decode(bad, t, &program, &error) == engine::kDBOk) {
      std::vector<uint32_t> out;
      ColumnCache cache;
      program->Select(t, {}, cache, AllRows(t.row_count()), &out);
    }
  }
  // A node that names itself as its operand is a cycle.
  std::vector<uint8_t> cycle = {2, 0, 20, 0, 0xFF, 0xFF, 10, 0, 20, 0,
                                1, 0, 0,  0, 9,    0,    0,  0, 0,  0};
  EXPECT_EQ(FilterProgram::Decode(cycle, t, &program, &error), engine::kDBBadFilter);
  EXPECT_NE(error.find("cycle"), std::string::npos) << error;
  // A field number beyond the table.
  auto far = CompileArticle("Aargang = 1");
  far[10 + 12 + 8] = 99;
  EXPECT_EQ(FilterProgram::Decode(far, t, &program, &error), engine::kDBBadFilter);
  EXPECT_NE(error.find("field number 99"), std::string::npos) << error;
  // Unknown operator.
  auto op = CompileArticle("Aargang = 1");
  op[10 + 4] = 77;
  EXPECT_EQ(FilterProgram::Decode(op, t, &program, &error), engine::kDBBadFilter);
}

}  // namespace

// ------------------------------------------------- the places of a pattern

// Where a search word's pattern is shown to match: each piece between "%"
// at every place, case folded as the search folds it (Ø/ø), "_" any
// character; places that overlap are joined (places that only touch are
// not); a piece of only "_" marks nothing.
TEST(TextPatternPlaces, EveryPlaceOfEveryPiece) {
  using Places = std::vector<std::pair<size_t, size_t>>;
  struct Case {
    const char* pattern;
    const char* text;
    Places places;
  } cases[] = {
      {"%pr\xF8v%", "Pr\xF8v det, PR\xD8V igen, pr\xF8ve", {{0, 4}, {10, 4}, {21, 4}}},
      {"%pr\xF8v%", "Prov", {}},
      {"%a_c%", "abc aXc ac", {{0, 3}, {4, 3}}},
      {"%net%v\xE6rk%", "Netv\xE6rk og net", {{0, 3}, {3, 4}, {11, 3}}},
      {"%aa%", "aaaa", {{0, 2}, {2, 2}}},
      {"%ana%an%", "banana", {{1, 4}}},
      {"%__%", "abc", {}},
      {"%%", "abc", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    engine::filter::TextPattern pattern(c.pattern, /*like=*/true, /*fold=*/true);
    EXPECT_EQ(pattern.FindAll(c.text), c.places);
  }
}
