// The parser's reading of texts: the look-ahead scanner's items, literals and
// their quote rules, names, numbers, keywords, comments and the token spans
// that messages show. Cases are tables of text -> expected item, constant or
// message.
#include <gtest/gtest.h>

#include <string>

#include "filter_test_host.h"
#include "store/db_error.h"
#include "store/expr_parser.h"
#include "store/filter_compile.h"
#include "store/filter_listing.h"

namespace {

using store::ScanItem;

struct ScanCase {
  const char* text;
  ScanItem item;
};

class LookAheadScanner : public testing::TestWithParam<ScanCase> {};

TEST_P(LookAheadScanner, ReadsOneItem) {
  EXPECT_EQ(store::ScanAhead(GetParam().text, 0), GetParam().item) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Items, LookAheadScanner,
    testing::Values(
        ScanCase{"", ScanItem::kEnd}, ScanCase{" \r\n,((", ScanItem::kEnd},
        ScanCase{"s nice%'", ScanItem::kPlainWord},
        ScanCase{"s%' or Titel LIKE '%x%'", ScanItem::kQuoted},
        ScanCase{"Brien%' or Titel LIKE '%O", ScanItem::kQuoted},
        ScanCase{"%' or Titel LIKE 'x'", ScanItem::kQuoted},
        ScanCase{"Brien%' or", ScanItem::kPlainWord},
        ScanCase{"s%", ScanItem::kPlainWord},  // no quote follows: ordinary
        ScanCase{" or Titel", ScanItem::kKeyword}, ScanCase{"AND x", ScanItem::kKeyword},
        ScanCase{"like", ScanItem::kKeyword},
        ScanCase{"Null)", ScanItem::kPlainWord},  // ")" belongs to the word
        ScanCase{"null", ScanItem::kKeyword}, ScanCase{"where", ScanItem::kKeyword},
        ScanCase{"group by x", ScanItem::kKeyword}, ScanCase{"group x", ScanItem::kPlainWord},
        ScanCase{"order  BY", ScanItem::kKeyword}, ScanCase{"for update", ScanItem::kKeyword},
        ScanCase{"for all", ScanItem::kPlainWord}, ScanCase{"descending", ScanItem::kKeyword},
        ScanCase{"123 x", ScanItem::kNumber}, ScanCase{"1.5", ScanItem::kNumber},
        ScanCase{"<= 3", ScanItem::kOperator}, ScanCase{"=x", ScanItem::kOperator},
        ScanCase{"a.b", ScanItem::kQualifiedName},
        ScanCase{".and", ScanItem::kPlainWord},  // after a noted "."
        ScanCase{".'x'", ScanItem::kPlainWord}, ScanCase{"ab/*c*/", ScanItem::kComment},
        ScanCase{"// x", ScanItem::kComment}, ScanCase{"x\"y\"", ScanItem::kQuoted},
        ScanCase{"x`y", ScanItem::kPlainWord}, ScanCase{"a<b", ScanItem::kPlainWord}));

// The constant that a literal reads as (listed by the compiler, which takes
// it case-sensitively so it stays a plain string constant).
std::string ConstantOf(const std::string& literal_text) {
  filter_test::ArticleHost host;
  const auto lines = store::ListFilterBlock(
      store::CompileFilterText(host, "Titel = " + literal_text, {false, true}));
  const std::string& last = lines.back();
  return last.substr(last.find("const string ") + 13);
}

struct LiteralCase {
  const char* literal;
  const char* constant;
};

class Literals : public testing::TestWithParam<LiteralCase> {};

TEST_P(Literals, ReadAsTheQuoteRulesSay) {
  EXPECT_EQ(ConstantOf(GetParam().literal), GetParam().constant) << GetParam().literal;
}

INSTANTIATE_TEST_SUITE_P(Quotes, Literals,
                         testing::Values(LiteralCase{"'abc'", "'abc'"}, LiteralCase{"''", "''"},
                                         LiteralCase{"''''", "'''"},
                                         LiteralCase{"'it''s'", "'it's'"},
                                         LiteralCase{"'it's'", "'it's'"},  // last quote closes
                                         LiteralCase{"'a'' '", "'a' '"}, LiteralCase{"'%'", "'%'"},
                                         LiteralCase{"'tab\there'", "'tab\\x09here'"},
                                         LiteralCase{"'\xe6\xf8\xe5'", "'\xe6\xf8\xe5'"}));

TEST(FilterParser, LiteralKeepsAtMost256Characters) {
  const std::string body(300, 'x');
  // 256 characters kept, 255 of them compiled.
  EXPECT_EQ(ConstantOf("'" + body + "'"), "'" + std::string(255, 'x') + "'");
}

struct MessageCase {
  const char* text;
  const char* message;
};

class ParserMessages : public testing::TestWithParam<MessageCase> {};

TEST_P(ParserMessages, ShowTheTokenSpan) {
  filter_test::ArticleHost host;
  try {
    store::CompileFilterText(host, GetParam().text, {true, false});
    ADD_FAILURE() << "accepted: " << GetParam().text;
  } catch (const store::Exception& e) {
    EXPECT_STREQ(e.what(), GetParam().message) << GetParam().text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Spans, ParserMessages,
    testing::Values(MessageCase{"Aargang = 1 'x y'", "Filter expression incorrectly terminated"},
                    MessageCase{"(Aargang = 1 'x y'", "')' expected but ''x y'' found"},
                    MessageCase{"(Aargang = 1 Titel", "')' expected but 'Titel' found"},
                    MessageCase{"(Aargang = 1 [Ti tel]", "')' expected but '[Ti tel]' found"},
                    MessageCase{"(Aargang = 1 is   null", "')' expected but 'is   null' found"},
                    MessageCase{"(Aargang = 1 <>", "')' expected but '<>' found"},
                    MessageCase{"(Aargang = 1 12.5e3", "')' expected but '12.5e3' found"},
                    MessageCase{"Aargang in [x]", "'(' expected but '[x]' found"},
                    MessageCase{"Aargang = ,", "Expression expected but ',' found"},
                    MessageCase{"Aargang = /* c */ )", "Expression expected but ')' found"},
                    MessageCase{"a.b = 1", "ArtikelData: Field 'a.b' not found"},
                    MessageCase{"Titel[1] = 1", "ArtikelData: Field 'Titel[1]' not found"},
                    MessageCase{"not not Aargang = 1", "ArtikelData: Field 'not' not found"},
                    MessageCase{"Aargang = 1 and or", "ArtikelData: Field 'or' not found"},
                    MessageCase{"Aargang = 1 or 1 = '1' ! ",
                                "Invalid filter expression character: '!'"},
                    MessageCase{"Titel is notnull", "Invalid use of keyword"},
                    MessageCase{"Aargang = 1 /* a */ /* b */", "Expression expected but '*' found"},
                    MessageCase{"COUNT(* 1) > 1", "')' expected but '1' found"},
                    MessageCase{"Aargang in (1,", "Expression expected but nothing found"}));

TEST(FilterParser, KeywordsIgnoreCaseAndMinusFollowsThePreviousToken) {
  filter_test::ArticleHost host;
  auto listing = [&](const char* text) {
    return store::FilterBlockSummary(store::CompileFilterText(host, text, {true, false}));
  };
  EXPECT_EQ(listing("Aargang = 1 AnD NOT Nummer = 2"), listing("Aargang = 1 and not Nummer = 2"));
  EXPECT_EQ(listing("Titel Like 'x'"), listing("Titel LIKE 'x'"));
  EXPECT_EQ(listing("Aargang IN (1)"), listing("Aargang in (1)"));
  // After a name "-" is the operator; at the start of an operand it begins a number.
  EXPECT_EQ(listing("Aargang-1 = 2"),
            "0 binary = 12 50 | 12 binary - 24 36 | 24 field 1 'Aargang' | "
            "36 const integer 1 | 50 const float 2");
  EXPECT_EQ(listing("Aargang = -1"),
            "0 binary = 12 24 | 12 field 1 'Aargang' | 24 const integer -1");
  EXPECT_EQ(listing("Aargang = (-1)"),
            "0 binary = 12 24 | 12 field 1 'Aargang' | 24 const integer -1");
  // Blanks, control characters and one comment before a token are skipped.
  EXPECT_EQ(listing("\t\r\nAargang\x01=/* x */1 "), listing("Aargang = 1"));
  // A function name needs "(" after it (blanks allowed); otherwise it is a field.
  EXPECT_EQ(listing("upper \t(Titel) = 'A'"), listing("upper(Titel) = 'A'"));
  try {
    listing("Upper = 1");
    ADD_FAILURE();
  } catch (const store::EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "ArtikelData: Field 'Upper' not found");
  }
}

}  // namespace
