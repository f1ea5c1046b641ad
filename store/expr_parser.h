// TExprParser: turns a filter text into a typed parse tree and has it
// compiled into the filter block.
//
// One object per compilation: the constructor reads the whole text (tokens,
// grammar, field lookup through the table, typing, checks of the whole text)
// and compiles it, or raises the first error met, in reading order. The
// tokenizer is driven by a character-class table; a quote inside a literal is
// decided by the look-ahead scanner (ScanAhead).
// Used by CompileFilterText and by the tools and tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/expr_node.h"
#include "store/filter_compile.h"
#include "store/filter_expr.h"
#include "store/filter_host.h"

namespace store {

enum class ExprToken {
  kEnd,
  kLiteral,
  kLParen,
  kRParen,
  kComma,
  kMul,
  kDiv,
  kAdd,
  kSub,
  kNumber,
  kEqual,
  kNotEqual,
  kLess,
  kGreater,
  kLessOrEqual,
  kGreaterOrEqual,
  kName,
  kField,
  kLike,
  kIn,
  kIsNull,
  kIsNotNull
};

// What the look-ahead scanner found after a quote inside a literal.
enum class ScanItem {
  kEnd,
  kNumber,
  kOperator,
  kPlainWord,
  kKeyword,
  kQualifiedName,
  kComment,
  kQuoted
};

// Reads one item of `text` from `pos` (see the literal rule); `end` receives
// the position after the item.
ScanItem ScanAhead(std::string_view text, size_t pos, size_t* end = nullptr);

// Deepest nesting of parentheses and of the parse tree that a text may have.
inline constexpr int kMaxFilterDepth = 256;

class TExprParser {
 public:
  // Parses, checks and compiles `text`. `decimal_separator` is the locale's.
  TExprParser(const IFilterHost& host, std::string_view text, TFilterOptions options,
              char decimal_separator = '.');
  TExprParser(const TExprParser&) = delete;
  TExprParser& operator=(const TExprParser&) = delete;

  const std::vector<uint8_t>& FilterData() const { return data_; }
  size_t DataSize() const { return data_.size(); }

 private:
  struct Token {
    ExprToken kind = ExprToken::kEnd;
    std::string text;  // name, bracketed name, literal value or number text
    size_t begin = 0, end = 0;
  };

  void NextToken();
  void ReadLiteral(size_t start);
  [[noreturn]] void Fail(const char* pattern) const;  // %s = the current token
  std::string TokenShown() const;
  bool TokenIsWord(const char* upper) const;

  TExprNode* ParseCondition();
  TExprNode* ParseTerm();
  TExprNode* ParseFactor();
  TExprNode* ParseComparison();
  TExprNode* ParseSum();
  TExprNode* ParseProduct();
  TExprNode* ParsePrimary();
  TExprNode* ParseFunction();
  void ParseList(std::vector<TExprNode*>* out);

  TExprNode* NewConst(ConstValue value, std::string text, TFieldType type, bool numeric);
  TExprNode* NewField(const std::string& written);
  TExprNode* NewBoolOp(int op, TExprNode* left, TExprNode* right);
  TExprNode* NewCompare(int op, TExprNode* left, TExprNode* right);
  TExprNode* NewArith(int op, TExprNode* left, TExprNode* right);
  TExprNode* NewIn(TExprNode* left, std::vector<TExprNode*> list);
  void CheckHeight(const TExprNode* node) const;

  const IFilterHost& host_;
  std::string_view text_;
  TFilterOptions options_;
  char decimal_separator_;
  size_t pos_ = 0;
  Token token_;
  ExprToken prev_kind_ = ExprToken::kEnd;
  int depth_ = 0;
  TFilterExpr filter_;
  std::vector<uint8_t> data_;
};

}  // namespace store
