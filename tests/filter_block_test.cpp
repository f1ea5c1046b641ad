// The compiled filter block's constants as the compiler, the decoder and the
// listing meet them: every type code the compiler emits decodes and lists by
// name with its value, every code the decoder accepts lists the same way, and
// the listing's exact text for the codes at the edges.
#include "engine/filter_block.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/coding.h"
#include "engine/filter_program.h"
#include "engine/table_data.h"
#include "store/db_error.h"
#include "store/expr_node.h"
#include "store/filter_expr.h"
#include "store/filter_listing.h"

namespace {

using store::TFieldType;

// A block whose root is one constant node: type code, size, and the data.
std::vector<uint8_t> ConstBlock(uint16_t code, uint16_t size, const std::string& data) {
  std::string b;
  const size_t node = engine::kFilterNodeHeadSize + 3 * 2;
  engine::coding::PutFixed16(&b, engine::kFilterVersion);
  engine::coding::PutFixed16(&b, uint16_t(engine::kFilterHeaderSize + node + data.size()));
  engine::coding::PutFixed16(&b, engine::kFilterNoNodeCount);
  engine::coding::PutFixed16(&b, uint16_t(engine::kFilterHeaderSize));
  engine::coding::PutFixed16(&b, uint16_t(engine::kFilterHeaderSize + node));
  engine::coding::PutFixed32(&b, engine::NodeClass::kConst);
  engine::coding::PutFixed32(&b, engine::FilterOp::kConst);
  engine::coding::PutFixed16(&b, code);
  engine::coding::PutFixed16(&b, size);
  engine::coding::PutFixed16(&b, 0);
  b += data;
  return std::vector<uint8_t>(b.begin(), b.end());
}

bool Decodes(const std::vector<uint8_t>& block) {
  const engine::TableData no_fields;
  std::unique_ptr<engine::FilterProgram> program;
  std::string error;
  return engine::FilterProgram::Decode(block, no_fields, &program, &error) == engine::kDBOk;
}

// The listing of a one-constant block: "0 const <type> <value>".
std::string Listed(const std::vector<uint8_t>& block) {
  const auto lines = store::ListFilterBlock(block);
  return lines.size() == 1 ? lines[0] : "<" + std::to_string(lines.size()) + " lines>";
}

// Whether a listing line names the code's type and shows a value read by the
// code's form: no fallback name, no hex dump.
void ExpectListedByName(const std::string& line, uint16_t code) {
  const engine::ConstTypeInfo* t = engine::FindConstType(code);
  ASSERT_NE(t, nullptr) << code;
  ASSERT_NE(t->name, nullptr) << code;
  const std::string head = std::string("0 const ") + t->name + " ";
  EXPECT_EQ(line.substr(0, head.size()), head) << code;
  EXPECT_EQ(line.find(" 0x"), std::string::npos) << line;
}

// Compiles one constant of `type` by the compiler itself: the first of a few
// spellings that the type accepts, or a null constant.
std::vector<uint8_t> CompileConstant(TFieldType type, bool null) {
  static const char* const kSpellings[] = {"12", "2001-02-03", "2001-02-03 04:05:06", "04:05",
                                           "True"};
  for (const char* text : kSpellings) {
    store::TFilterExpr compiler({true, false}, '.');
    store::TExprNode* c = compiler.NewNode(store::ExprNodeKind::kConst,
                                           store::FilterOp::kNotDefined, text, nullptr, nullptr);
    c->data_type = type;
    c->const_value = null ? store::ConstValue::kNull : store::ConstValue::kText;
    try {
      return compiler.GetFilterData(c);
    } catch (const store::EDatabaseError&) {
    } catch (const store::EConvertError&) {
    }
  }
  return {};
}

TEST(FilterBlock, EveryConstantTheCompilerEmitsDecodesAndLists) {
  std::set<uint16_t> emitted;
  for (int t = 0; t <= static_cast<int>(TFieldType::ftFMTBcd); ++t) {
    const auto type = static_cast<TFieldType>(t);
    const uint16_t code = store::EngineTypeCode(type);
    const auto null_block = CompileConstant(type, true);
    ASSERT_FALSE(null_block.empty()) << t;
    EXPECT_TRUE(Decodes(null_block)) << t;
    EXPECT_EQ(Listed(null_block).substr(Listed(null_block).size() - 5), " NULL") << t;
    const auto block = CompileConstant(type, false);
    if (block.empty()) continue;  // the compiler holds no value of this type
    emitted.insert(code);
    EXPECT_TRUE(Decodes(block)) << t;
    ExpectListedByName(Listed(block), code);
  }
  // The codes of strings, booleans, integers of each width, floats and
  // decimals, dates and times: what a filter's constants can be.
  EXPECT_EQ(emitted, (std::set<uint16_t>{1, 2, 4, 5, 6, 7, 8, 10, 11, 12, 24, 25}));
}

TEST(FilterBlock, EveryConstantTheDecoderAcceptsLists) {
  const std::string data = {'\x01', 0, 0, 0, 0, 0, 0, 0};
  int accepted = 0;
  // The low codes, where the format's codes lie, and the top of the 16-bit
  // range.
  std::vector<uint32_t> codes;
  for (uint32_t code = 0; code < 1024; ++code) codes.push_back(code);
  for (uint32_t code = 0xFC00; code <= 0xFFFF; ++code) codes.push_back(code);
  for (const uint32_t code : codes) {
    for (uint16_t size : {1, 2, 4, 8}) {
      const auto block = ConstBlock(uint16_t(code), size, data.substr(0, size));
      if (!Decodes(block)) continue;
      ++accepted;
      ExpectListedByName(Listed(block), uint16_t(code));
    }
  }
  // Text of the sizes that end in a zero byte (2, 4 and 8), and one size
  // for each of the 12 fixed-size codes.
  EXPECT_EQ(accepted, 3 + 12);
}

TEST(FilterBlock, ListingOfConstants) {
  struct Case {
    uint16_t code;
    std::string data;
    const char* line;
  };
  const Case cases[] = {
      {18, {'\xfe', '\xff', '\xff', '\xff', '\xff', '\xff', '\xff', '\xff'}, "0 const largeint -2"},
      {18, {0, 0, 0, 0, 0, 0, 0, '\x80'}, "0 const largeint -9223372036854775808"},
      {18, {'\x01', 0, 0, 0}, "0 const largeint 0x01000000"},  // wrong size: shown raw
      {12, {'\xff', '\xff'}, "0 const word 65535"},
      {5, {0, '\x80'}, "0 const smallint -32768"},
      {4, {'\x01', 0}, "0 const boolean true"},
      {1, {'a', 0}, "0 const string 'a'"},
      {9, {'\x01'}, "0 const type 0x01"},
      {99, {'\x01'}, "0 const type 0x01"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Listed(ConstBlock(c.code, uint16_t(c.data.size()), c.data)), c.line) << c.code;
  EXPECT_EQ(Listed(ConstBlock(18, 0, "")), "0 const largeint NULL");
}

}  // namespace
