// The filter compiler against expected blocks: the worked example byte by
// byte, node listings for the shapes the search composes and for the rest of
// the language, and the compile-time errors with their exact messages.
#include "store/filter_compile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter_test_host.h"
#include "store/db_error.h"
#include "store/expr_parser.h"
#include "store/filter_listing.h"

namespace {

using filter_test::ArticleHost;
using store::TFilterOptions;

const TFilterOptions kArticle{true, false};     // the article table's options
const TFilterOptions kSensitive{false, false};  // case-sensitive, partial on
const TFilterOptions kNoPartial{false, true};   // case-sensitive, partial off

std::vector<uint8_t> Compile(const std::string& text, TFilterOptions options = kArticle,
                             char decimal_separator = '.') {
  ArticleHost host;
  return store::CompileFilterText(host, text, options, decimal_separator);
}

std::string Search(const std::string& word) {
  return "(Tekst LIKE '%" + word + "%' or Titel LIKE '%" + word + "%')";
}

TEST(FilterCompile, WorkedExampleByteForByte) {
  const std::vector<uint8_t> expected = {
      0x02, 0x00, 0x80, 0x00, 0xFF, 0xFF, 0x0A, 0x00, 0x66, 0x00,  // header
      // 0: binary and 12, 50
      0x02, 0, 0, 0, 0x0A, 0, 0, 0, 0x0C, 0x00, 0x32, 0x00,
      // 12: binary equal 24, 36
      0x02, 0, 0, 0, 0x03, 0, 0, 0, 0x18, 0x00, 0x24, 0x00,
      // 24: field 1, literal 0
      0x04, 0, 0, 0, 0x0D, 0, 0, 0, 0x01, 0x00, 0x00, 0x00,
      // 36: constant integer, 4 bytes at 8
      0x05, 0, 0, 0, 0x0E, 0, 0, 0, 0x06, 0x00, 0x04, 0x00, 0x08, 0x00,
      // 50: compare equal, case 1, partial 0, 66, 78
      0x03, 0, 0, 0, 0x03, 0, 0, 0, 0x01, 0x00, 0x00, 0x00, 0x42, 0x00, 0x4E, 0x00,
      // 66: field 5, literal 12
      0x04, 0, 0, 0, 0x0D, 0, 0, 0, 0x05, 0x00, 0x0C, 0x00,
      // 78: constant string, 5 bytes at 21
      0x05, 0, 0, 0, 0x0E, 0, 0, 0, 0x01, 0x00, 0x05, 0x00, 0x15, 0x00,
      // literals
      'A', 'a', 'r', 'g', 'a', 'n', 'g', 0, 0xD1, 0x07, 0x00, 0x00, 'K', 'A', 'T', 'E', 'G', 'O',
      'R', 'I', 0, 'T', 'e', 's', 't', 0};
  ASSERT_EQ(expected.size(), 128u);
  EXPECT_EQ(Compile("Aargang = '2001' and KATEGORI = 'Test'"), expected);
}

struct ListingCase {
  const char* text;
  TFilterOptions options;
  const char* listing;
};

class FilterListing : public testing::TestWithParam<ListingCase> {};

TEST_P(FilterListing, CompilesToNodes) {
  const ListingCase& c = GetParam();
  EXPECT_EQ(store::FilterBlockSummary(Compile(c.text, c.options)), c.listing) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilterListing,
    testing::Values(
        // The search word: two LIKE compare nodes joined by or.
        ListingCase{"(Tekst LIKE '%virus%' or Titel LIKE '%virus%')", kArticle,
                    "0 binary or 12 54 | 12 compare like case 1 partial 0 28 40 | "
                    "28 field 4 'Tekst' | 40 const string '%virus%' | "
                    "54 compare like case 1 partial 0 70 82 | 70 field 3 'Titel' | "
                    "82 const string '%virus%'"},
        // A year condition is a plain equal node with a 4-byte integer.
        ListingCase{"Aargang = '2002'", kArticle,
                    "0 binary = 12 24 | 12 field 1 'Aargang' | 24 const integer 2002"},
        ListingCase{"Aargang = ' 2001'", kArticle,
                    "0 binary = 12 24 | 12 field 1 'Aargang' | 24 const integer 2001"},
        ListingCase{"Aargang = 2001", kArticle,
                    "0 binary = 12 24 | 12 field 1 'Aargang' | 24 const integer 2001"},
        ListingCase{"Nummer = '-3'", kArticle,
                    "0 binary = 12 24 | 12 field 2 'Nummer' | 24 const integer -3"},
        // The category with a trailing asterisk compares the first 2 characters.
        ListingCase{"KATEGORI = 'Ny*'", kArticle,
                    "0 compare = case 1 partial 2 16 28 | 16 field 5 'KATEGORI' | "
                    "28 const string 'Ny'"},
        ListingCase{"kategori = 'Test'", kArticle,
                    "0 compare = case 1 partial 0 16 28 | 16 field 5 'kategori' | "
                    "28 const string 'Test'"},
        // Case-sensitive without an asterisk: plain binary node.
        ListingCase{"Kategori = 'Test'", kSensitive,
                    "0 binary = 12 24 | 12 field 5 'Kategori' | 24 const string 'Test'"},
        ListingCase{"Kategori = 'Ny*'", kSensitive,
                    "0 compare = case 0 partial 2 16 28 | 16 field 5 'Kategori' | "
                    "28 const string 'Ny'"},
        // Partial compare off keeps the asterisk.
        ListingCase{"Kategori = 'Ny*'", kNoPartial,
                    "0 binary = 12 24 | 12 field 5 'Kategori' | 24 const string 'Ny*'"},
        // A single asterisk is not a partial compare.
        ListingCase{"Kategori = '*'", kSensitive,
                    "0 binary = 12 24 | 12 field 5 'Kategori' | 24 const string '*'"},
        // An empty string stays a binary node even case-insensitively.
        ListingCase{"Kategori = ''", kArticle,
                    "0 binary = 12 24 | 12 field 5 'Kategori' | 24 const string ''"},
        // Operands change places so that the field comes first.
        ListingCase{"2001 < Aargang", kArticle,
                    "0 binary > 12 24 | 12 field 1 'Aargang' | 24 const integer 2001"},
        ListingCase{"'Test' = Kategori", kArticle,
                    "0 compare = case 1 partial 0 16 28 | 16 field 5 'Kategori' | "
                    "28 const string 'Test'"},
        // NULL with = and <>.
        ListingCase{"Titel = NULL", kArticle, "0 unary isnull 10 | 10 field 3 'Titel'"},
        ListingCase{"NULL <> Aargang", kArticle, "0 unary notnull 10 | 10 field 1 'Aargang'"},
        ListingCase{"Tekst IS NULL", kArticle, "0 unary isnull 10 | 10 field 4 'Tekst'"},
        ListingCase{"Tekst is  not\tnull", kArticle, "0 unary notnull 10 | 10 field 4 'Tekst'"},
        ListingCase{"Aargang < NULL", kArticle,
                    "0 binary < 12 24 | 12 field 1 'Aargang' | 24 const integer NULL"},
        ListingCase{"not Aargang = 1", kArticle,
                    "0 unary not 10 | 10 binary = 22 34 | 22 field 1 'Aargang' | "
                    "34 const integer 1"},
        // IN: the list elements follow their expressions.
        ListingCase{"Aargang in (2001, '2002')", kArticle,
                    "0 binary in 12 24 | 12 field 1 'Aargang' | 24 element 36 50 | "
                    "36 const integer 2001 | 50 element 62 0 | 62 const integer 2002"},
        // Functions: name literal, then the arguments as list elements.
        ListingCase{"UPPER(Titel) = 'X'", kArticle,
                    "0 binary = 12 48 | 12 function 'UPPER' 24 | 24 element 36 0 | "
                    "36 field 3 'Titel' | 48 const string 'X'"},
        ListingCase{"Aargang + 1 > 2001", kArticle,
                    "0 binary > 12 50 | 12 binary + 24 36 | 24 field 1 'Aargang' | "
                    "36 const integer 1 | 50 const float 2001"},
        ListingCase{"[Titel] LIKE 'a_c'", kSensitive,
                    "0 binary like 12 24 | 12 field 3 'Titel' | 24 const string 'a_c'"},
        ListingCase{"/* note */ Aargang = 1", kArticle,
                    "0 binary = 12 24 | 12 field 1 'Aargang' | 24 const integer 1"},
        ListingCase{"True", kArticle, "0 const boolean true"},
        ListingCase{"StartSide <= SlutSide", kArticle,
                    "0 binary <= 12 24 | 12 field 6 'StartSide' | 24 field 7 'SlutSide'"}));

// Constants of the composed search for words with quotes and percent signs.
struct WordCase {
  const char* word;
  const char* constant;  // both LIKE patterns, as listed
};

class FilterSearchWord : public testing::TestWithParam<WordCase> {};

TEST_P(FilterSearchWord, BothPatternsHoldTheWord) {
  const auto lines = store::ListFilterBlock(Compile(Search(GetParam().word)));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[3], std::string("40 const string ") + GetParam().constant);
  EXPECT_EQ(lines[6].substr(lines[6].find(" const")),
            std::string(" const string ") + GetParam().constant);
}

INSTANTIATE_TEST_SUITE_P(Words, FilterSearchWord,
                         testing::Values(WordCase{"it's nice", "'%it's nice%'"},
                                         WordCase{"it''s", "'%it's%'"}, WordCase{"50%", "'%50%%'"},
                                         WordCase{"virus", "'%virus%'"}, WordCase{"_x", "'%_x%'"},
                                         WordCase{"\xe6\xf8\xe5", "'%\xe6\xf8\xe5%'"}));

TEST(FilterCompile, LongWordKeepsPercentAndFirst254Characters) {
  for (size_t length : {253u, 254u, 255u, 300u}) {
    std::string word;
    for (size_t i = 0; i < length; ++i) word.push_back(static_cast<char>('a' + i % 26));
    const auto lines = store::ListFilterBlock(Compile(Search(word)));
    ASSERT_EQ(lines.size(), 7u);
    const std::string expected = length >= 254 ? "%" + word.substr(0, 254) : "%" + word + "%";
    EXPECT_EQ(lines[3], "40 const string '" + expected + "'") << length;
  }
}

TEST(FilterCompile, FullSearchShape) {
  const auto block =
      Compile(Search("virus") + " and Aargang = '2002' and Nummer = '3' and KATEGORI = 'V-CD'");
  EXPECT_LT(block.size(), 1024u);
  const auto lines = store::ListFilterBlock(block);
  EXPECT_EQ(lines[0].substr(0, 13), "0 binary and ");
}

TEST(FilterCompile, DecimalSeparatorOfTheLocale) {
  ArticleHost host;
  // A float field takes the separator of the locale.
  host.Add("Pris", 9, store::TFieldType::ftFloat, 0);
  EXPECT_EQ(store::FilterBlockSummary(store::CompileFilterText(host, "Pris = 1,5", kArticle, ',')),
            "0 binary = 12 24 | 12 field 9 'Pris' | 24 const float 1.5");
  EXPECT_EQ(
      store::FilterBlockSummary(store::CompileFilterText(host, "Pris in (1, 2)", kArticle, ',')),
      "0 binary in 12 24 | 12 field 9 'Pris' | 24 element 36 50 | 36 const float 1 | "
      "50 element 62 0 | 62 const float 2");
}

TEST(FilterCompile, BooleanFieldAloneMeansNotFalse) {
  ArticleHost host;
  host.Add("Aktiv", 9, store::TFieldType::ftBoolean, 0);
  EXPECT_EQ(store::FilterBlockSummary(store::CompileFilterText(host, "Aktiv", kArticle)),
            "0 binary <> 12 24 | 12 field 9 'Aktiv' | 24 const boolean false");
  EXPECT_EQ(store::FilterBlockSummary(
                store::CompileFilterText(host, "not Aktiv or Aargang = 1", kArticle)),
            "0 binary or 12 60 | 12 unary not 22 | 22 binary <> 34 46 | 34 field 9 'Aktiv' | "
            "46 const boolean false | 60 binary = 72 84 | 72 field 1 'Aargang' | "
            "84 const integer 1");
}

TEST(FilterCompile, SmallintAndWordRanges) {
  ArticleHost host;
  host.Add("Lille", 9, store::TFieldType::ftSmallint, 0);
  host.Add("Ord", 10, store::TFieldType::ftWord, 0);
  EXPECT_EQ(store::FilterBlockSummary(store::CompileFilterText(host, "Lille = -32768", kArticle)),
            "0 binary = 12 24 | 12 field 9 'Lille' | 24 const smallint -32768");
  EXPECT_EQ(store::FilterBlockSummary(store::CompileFilterText(host, "Ord = 65535", kArticle)),
            "0 binary = 12 24 | 12 field 10 'Ord' | 24 const word 65535");
  for (const char* text : {"Lille = 32768", "Lille = '-32769'", "Ord = -1", "Ord = 65536"}) {
    try {
      store::CompileFilterText(host, text, kArticle);
      ADD_FAILURE() << text;
    } catch (const store::EDatabaseError& e) {
      EXPECT_STREQ(e.what(), "Constant out of range") << text;
    }
  }
}

TEST(FilterCompile, BlockOverTheLimitIsRefused) {
  // Every term adds a field name and an integer: about 5500 terms exceed 64 KB.
  std::string text = "Aargang = 1";
  for (int i = 0; i < 200; ++i)
    text += " or Aargang in (1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20)";
  try {
    Compile(text);
    ADD_FAILURE() << "accepted";
  } catch (const store::EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("too long"), std::string::npos) << e.what();
  }
}

// Errors, in reading order, with their exact messages.
struct ErrorCase {
  std::string text;
  const char* message;
  bool convert_error = false;
};

class FilterErrors : public testing::TestWithParam<ErrorCase> {};

TEST_P(FilterErrors, RaisesTheMessage) {
  const ErrorCase& c = GetParam();
  try {
    Compile(c.text);
    ADD_FAILURE() << "accepted: " << c.text;
  } catch (const store::EConvertError& e) {
    EXPECT_TRUE(c.convert_error) << c.text;
    EXPECT_EQ(std::string(e.what()), c.message) << c.text;
  } catch (const store::EDatabaseError& e) {
    EXPECT_FALSE(c.convert_error) << c.text;
    EXPECT_EQ(std::string(e.what()), c.message) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, FilterErrors,
    testing::Values(
        ErrorCase{Search("it'"), "Invalid filter expression character: '%'"},
        ErrorCase{Search("it's"), "')' expected but 's' found"},
        ErrorCase{Search("O'Brien"), "')' expected but 'Brien' found"},
        ErrorCase{"Aargang = 'abc'", "'abc' is not a valid integer value", true},
        ErrorCase{"Aargang = '2001 '", "'2001 ' is not a valid integer value", true},
        ErrorCase{"Aargang = ''", "'' is not a valid integer value", true},
        ErrorCase{"Aargang = '20x1'", "'20x1' is not a valid integer value", true},
        ErrorCase{"Aargang = 2001.5", "'2001.5' is not a valid integer value", true},
        ErrorCase{"Aargang = '9999999999'", "'9999999999' is not a valid integer value", true},
        ErrorCase{"Aargang + 1 > 1e", "'1e' is not a valid floating point value", true},
        ErrorCase{"Tekst = 'x'", "Type mismatch in expression"},
        ErrorCase{"Tekst < Titel", "Type mismatch in expression"},
        ErrorCase{"Tekst in ('x')", "Type mismatch in expression"},
        ErrorCase{"UPPER() = 'X'", "Type mismatch in expression"},
        ErrorCase{"Titel - 'x' = 'y'", "Type mismatch in expression"},
        ErrorCase{"Sideantal = 2", "Field 'Sideantal' cannot be used in a filter expression"},
        ErrorCase{"Titel", "Incorrectly formed filter expression"},
        ErrorCase{"'abc'", "Incorrectly formed filter expression"},
        ErrorCase{"Sideantal", "Incorrectly formed filter expression"},
        ErrorCase{"Aargang = 1 Titel", "Filter expression incorrectly terminated"},
        ErrorCase{"Aargang = 1 = 2", "Filter expression incorrectly terminated"},
        ErrorCase{"Aargang = 1 and", "Expression expected but nothing found"},
        ErrorCase{"", "Expression expected but nothing found"},
        ErrorCase{"Aargang = )", "Expression expected but ')' found"},
        ErrorCase{"Aargang = 1 and -1 = 1", "Expression expected but '-' found"},
        ErrorCase{"(Aargang = 1", "')' expected but nothing found"},
        ErrorCase{"Aargang in 1", "'(' expected but '1' found"},
        ErrorCase{"Aargang in ()", "IN predicate list may not be empty"},
        ErrorCase{"Aargang in (1 2)", "')' or ',' expected but '2' found"},
        ErrorCase{"Aargang in (1, 2", "')' expected but nothing found"},
        ErrorCase{"UPPER(Titel 'x') = 'X'", "')' or ',' expected but ''x'' found"},
        ErrorCase{"Titel = 'abc", "Unterminated string constant"},
        ErrorCase{"[Titel = 'abc'", "Unterminated field name"},
        ErrorCase{"Titel is nul", "Invalid use of keyword"},
        ErrorCase{"Titel is not 'x'", "Invalid use of keyword"},
        ErrorCase{"Titel = 'a' /* open", "Invalid filter expression character: '/'"},
        ErrorCase{"Titel = \"a\"", "Invalid filter expression character: '\"'"},
        ErrorCase{"Titel = #1", "Invalid filter expression character: '#'"},
        ErrorCase{"Titel = 'a' ; ", "Invalid filter expression character: ';'"},
        ErrorCase{"\x80 = 1", "Invalid filter expression character: '\x80'"},
        ErrorCase{"Titel = 'a' \xff", "Invalid filter expression character: '\xff'"},
        ErrorCase{"Ukendt = 1", "ArtikelData: Field 'Ukendt' not found"},
        ErrorCase{"\xc6\xf8 = 1", "ArtikelData: Field '\xc6' not found"},
        ErrorCase{"Titel LIKE NULL", "NULL only allowed with '=' and '<>'"},
        ErrorCase{"COUNT(*) > 1", "Aggregate expressions not allowed in filters"},
        ErrorCase{"SUM(Aargang) > Aargang",
                  "Operation cannot mix aggregate value with record-varying value"}));

TEST(FilterCompile, DeepNestingIsRefusedNotCrashing) {
  std::string text(100000, '(');
  try {
    Compile(text);
    ADD_FAILURE();
  } catch (const store::EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Filter expression is nested too deeply");
  }
  std::string chain = "Aargang = 1";
  for (int i = 0; i < 400; ++i) chain += " and Aargang = 1";
  EXPECT_THROW(Compile(chain), store::EDatabaseError);
}

}  // namespace
