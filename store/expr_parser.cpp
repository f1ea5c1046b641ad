// TExprParser: tokens, literals and the look-ahead scanner, the grammar,
// field lookup and typing, and the checks of the whole text.
//
// Sections: character classes; look-ahead scanner; tokenizer; grammar;
// node construction with typing; the constructor that runs it all.
// Must stay true: errors come in reading order (tokens and grammar as met,
// then the checks of the whole text, then compiling); nothing reads outside
// the text; nesting is bounded by kMaxFilterDepth so recursion stays shallow.
#include "store/expr_parser.h"

#include <array>

#include "engine/text_fold.h"
#include "store/db_error.h"
#include "store/message_format.h"
#include "store/store_messages.h"

namespace store {

// ---------------------------------------------------------------------------
// Character classes

namespace {

enum CharClass : uint8_t {
  ccInvalid,
  ccQuote,
  ccLParen,
  ccRParen,
  ccComma,
  ccMul,
  ccDiv,
  ccAdd,
  ccMinus,
  ccDigit,
  ccEq,
  ccLt,
  ccGt,
  ccLBracket,
  ccNameStart
};

constexpr std::array<uint8_t, 256> MakeClasses() {
  std::array<uint8_t, 256> t{};
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = ccNameStart;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = ccNameStart;
  for (int c = 0x81; c <= 0xFE; ++c) t[c] = ccNameStart;
  t['_'] = ccNameStart;
  for (int c = '0'; c <= '9'; ++c) t[c] = ccDigit;
  t['\''] = ccQuote;
  t['('] = ccLParen;
  t[')'] = ccRParen;
  t[','] = ccComma;
  t['*'] = ccMul;
  t['/'] = ccDiv;
  t['+'] = ccAdd;
  t['-'] = ccMinus;
  t['='] = ccEq;
  t['<'] = ccLt;
  t['>'] = ccGt;
  t['['] = ccLBracket;
  return t;
}

constexpr std::array<bool, 256> MakeNameChars() {
  std::array<bool, 256> t{};
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = true;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = true;
  for (int c = '0'; c <= '9'; ++c) t[c] = true;
  t['_'] = t['.'] = t['['] = t[']'] = true;
  return t;
}

constexpr std::array<uint8_t, 256> kClass = MakeClasses();
constexpr std::array<bool, 256> kNameChar = MakeNameChars();

inline uint8_t U(char c) { return static_cast<uint8_t>(c); }
inline bool IsControlOrBlank(char c) { return U(c) >= 1 && U(c) <= 32; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// ---------------------------------------------------------------------------
// Look-ahead scanner

bool IsQuoteChar(char c) { return c == '\'' || c == '"' || c == '`'; }

ScanItem Scan(std::string_view text, size_t pos, size_t* end, std::string_view* word) {
  const size_t n = text.size();
  size_t p = pos;
  while (p < n &&
         (text[p] == ' ' || text[p] == '\n' || text[p] == '\r' || text[p] == ',' || text[p] == '('))
    ++p;
  *word = {};
  *end = p;
  if (p >= n) return ScanItem::kEnd;
  bool dot = false;
  if (text[p] == '.') {
    dot = true;
    ++p;
  }
  if (p < n && IsDigit(text[p])) {
    while (p < n && (IsDigit(text[p]) || text[p] == '.')) ++p;
    *end = p;
    return ScanItem::kNumber;
  }
  if (p < n && (text[p] == '<' || text[p] == '=' || text[p] == '>')) {
    while (p < n && (text[p] == '<' || text[p] == '=' || text[p] == '>')) ++p;
    *end = p;
    return ScanItem::kOperator;
  }
  const size_t start = p;
  while (p < n) {
    const char c = text[p];
    if (c == ' ' || c == '\n' || c == '\r' || c == ',' || c == '(') break;
    if (c == '.') {
      *end = p;
      return ScanItem::kQualifiedName;
    }
    if (c == '/' && p + 1 < n && (text[p + 1] == '*' || text[p + 1] == '/')) {
      *end = p;
      return ScanItem::kComment;
    }
    if (IsQuoteChar(c) && text.find(c, p + 1) != std::string_view::npos) {
      *end = p;
      return dot ? ScanItem::kPlainWord : ScanItem::kQuoted;
    }
    ++p;
  }
  *end = p;
  *word = text.substr(start, p - start);
  if (dot) return ScanItem::kPlainWord;
  static const char* const kKeywords[] = {"ASC",   "ASCENDING", "DESC",  "DESCENDING", "SELECT",
                                          "AND",   "OR",        "LIKE",  "IS",         "FROM",
                                          "WHERE", "HAVING",    "UNION", "PLAN",       "NULL"};
  for (const char* k : kKeywords)
    if (engine::EqualsIgnoreAsciiCase(*word, k)) return ScanItem::kKeyword;
  const bool group_or_order = engine::EqualsIgnoreAsciiCase(*word, "GROUP") ||
                              engine::EqualsIgnoreAsciiCase(*word, "ORDER");
  const bool for_word = engine::EqualsIgnoreAsciiCase(*word, "FOR");
  if (group_or_order || for_word) {
    size_t next_end = 0;
    std::string_view next;
    const ScanItem item = Scan(text, p, &next_end, &next);
    if (item == ScanItem::kKeyword || item == ScanItem::kPlainWord) {
      if (group_or_order && engine::EqualsIgnoreAsciiCase(next, "BY")) return ScanItem::kKeyword;
      if (for_word && engine::EqualsIgnoreAsciiCase(next, "UPDATE")) return ScanItem::kKeyword;
    }
  }
  return ScanItem::kPlainWord;
}

bool IsFunctionName(const std::string& upper) {
  static const char* const kFunctions[] = {"UPPER",     "LOWER",  "SUBSTRING", "TRIM", "TRIMLEFT",
                                           "TRIMRIGHT", "YEAR",   "MONTH",     "DAY",  "HOUR",
                                           "MINUTE",    "SECOND", "GETDATE",   "DATE", "TIME",
                                           "SUM",       "MIN",    "MAX",       "AVG",  "COUNT"};
  for (const char* f : kFunctions)
    if (upper == f) return true;
  return false;
}

bool IsAggregateName(const std::string& upper) {
  return upper == "SUM" || upper == "MIN" || upper == "MAX" || upper == "AVG" || upper == "COUNT";
}

// Scope of an operation over two operands.
ExprScope Combine(ExprScope a, ExprScope b) {
  if ((a == ExprScope::kAggregate && b == ExprScope::kRecord) ||
      (a == ExprScope::kRecord && b == ExprScope::kAggregate))
    throw EDatabaseError(messages::kMixedAggregate);
  if (a == ExprScope::kAggregate || b == ExprScope::kAggregate) return ExprScope::kAggregate;
  if (a == ExprScope::kRecord || b == ExprScope::kRecord) return ExprScope::kRecord;
  return ExprScope::kConstant;
}

bool IsByteOrBlob(TFieldType t) { return t == TFieldType::ftBytes || IsBlobType(t); }

bool IsDateType(TFieldType t) {
  return t == TFieldType::ftDate || t == TFieldType::ftTime || t == TFieldType::ftDateTime ||
         t == TFieldType::ftTimeStamp;
}

bool IsFloatType(TFieldType t) {
  return t == TFieldType::ftFloat || t == TFieldType::ftCurrency || t == TFieldType::ftBCD ||
         t == TFieldType::ftFMTBcd;
}

[[noreturn]] void TooDeep() { throw EDatabaseError(messages::kNestedTooDeeply); }

}  // namespace

ScanItem ScanAhead(std::string_view text, size_t pos, size_t* end) {
  size_t e = 0;
  std::string_view word;
  const ScanItem item = Scan(text, pos, &e, &word);
  if (end) *end = e;
  return item;
}

// ---------------------------------------------------------------------------
// Tokenizer

std::string TExprParser::TokenShown() const {
  if (token_.kind == ExprToken::kEnd) return messages::kNoToken;
  return "'" + std::string(text_.substr(token_.begin, token_.end - token_.begin)) + "'";
}

void TExprParser::Fail(const char* pattern) const {
  throw EDatabaseError(Format(pattern, TokenShown()));
}

bool TExprParser::TokenIsWord(const char* upper) const {
  return token_.kind == ExprToken::kName && engine::EqualsIgnoreAsciiCase(token_.text, upper);
}

void TExprParser::ReadLiteral(size_t start) {
  const size_t n = text_.size();
  size_t p = start + 1;
  std::string value;
  auto add = [&value](char c) {
    if (value.size() < 256) value.push_back(c);
  };
  for (;;) {
    if (p >= n) throw EDatabaseError(messages::kUnterminatedString);
    const char c = text_[p];
    if (c == '\'') {
      if (p + 1 < n && text_[p + 1] == '\'') {
        add('\'');
        p += 2;
        continue;
      }
      if (text_.find('\'', p + 1) == std::string_view::npos) {
        ++p;
        break;
      }
      size_t q = p + 1;
      while (q < n && (text_[q] == ' ' || text_[q] == ')')) ++q;
      if (ScanAhead(text_, q) == ScanItem::kPlainWord) {
        add('\'');
        ++p;
        continue;
      }
      ++p;
      break;
    }
    add(c);
    ++p;
  }
  token_.kind = ExprToken::kLiteral;
  token_.text = std::move(value);
  pos_ = p;
}

void TExprParser::NextToken() {
  const size_t n = text_.size();
  prev_kind_ = token_.kind;
  auto skip = [&] {
    while (pos_ < n && IsControlOrBlank(text_[pos_])) ++pos_;
  };
  skip();
  if (pos_ + 1 < n && text_[pos_] == '/' && text_[pos_ + 1] == '*') {
    const size_t close = text_.find("*/", pos_ + 2);
    if (close == std::string_view::npos)
      throw EDatabaseError(Format(messages::kInvalidCharacter, "/"));
    pos_ = close + 2;
    skip();
  }
  token_.text.clear();
  token_.begin = pos_;
  if (pos_ >= n) {
    token_.kind = ExprToken::kEnd;
    token_.end = pos_;
    return;
  }
  const char c = text_[pos_];
  auto single = [&](ExprToken kind, size_t length) {
    token_.kind = kind;
    pos_ += length;
  };
  auto read_number = [&] {
    size_t p = pos_ + 1;
    while (p < n && (text_[p] == '+' || text_[p] == '-' || IsDigit(text_[p]) || text_[p] == 'E' ||
                     text_[p] == 'e' || text_[p] == decimal_separator_))
      ++p;
    if (decimal_separator_ == ',' && text_[p - 1] == ',' && p < n && text_[p] == ' ' &&
        p - 1 > pos_)
      --p;
    token_.kind = ExprToken::kNumber;
    token_.text = std::string(text_.substr(pos_, p - pos_));
    pos_ = p;
  };
  switch (kClass[U(c)]) {
    case ccQuote:
      ReadLiteral(pos_);
      break;
    case ccLParen:
      single(ExprToken::kLParen, 1);
      break;
    case ccRParen:
      single(ExprToken::kRParen, 1);
      break;
    case ccComma:
      single(ExprToken::kComma, 1);
      break;
    case ccMul:
      single(ExprToken::kMul, 1);
      break;
    case ccDiv:
      single(ExprToken::kDiv, 1);
      break;
    case ccAdd:
      single(ExprToken::kAdd, 1);
      break;
    case ccMinus:
      if (prev_kind_ == ExprToken::kName || prev_kind_ == ExprToken::kField ||
          prev_kind_ == ExprToken::kLiteral || prev_kind_ == ExprToken::kNumber ||
          prev_kind_ == ExprToken::kRParen)
        single(ExprToken::kSub, 1);
      else
        read_number();
      break;
    case ccDigit:
      read_number();
      break;
    case ccEq:
      single(ExprToken::kEqual, 1);
      break;
    case ccLt:
      if (pos_ + 1 < n && text_[pos_ + 1] == '=')
        single(ExprToken::kLessOrEqual, 2);
      else if (pos_ + 1 < n && text_[pos_ + 1] == '>')
        single(ExprToken::kNotEqual, 2);
      else
        single(ExprToken::kLess, 1);
      break;
    case ccGt:
      if (pos_ + 1 < n && text_[pos_ + 1] == '=')
        single(ExprToken::kGreaterOrEqual, 2);
      else
        single(ExprToken::kGreater, 1);
      break;
    case ccLBracket: {
      const size_t close = text_.find(']', pos_ + 1);
      if (close == std::string_view::npos) throw EDatabaseError(messages::kUnterminatedFieldName);
      token_.kind = ExprToken::kField;
      token_.text = std::string(text_.substr(pos_ + 1, close - pos_ - 1));
      pos_ = close + 1;
      break;
    }
    case ccNameStart: {
      size_t p = pos_ + 1;
      while (p < n && kNameChar[U(text_[p])]) ++p;
      token_.kind = ExprToken::kName;
      token_.text = std::string(text_.substr(pos_, p - pos_));
      pos_ = p;
      if (engine::EqualsIgnoreAsciiCase(token_.text, "LIKE")) {
        token_.kind = ExprToken::kLike;
      } else if (engine::EqualsIgnoreAsciiCase(token_.text, "IN")) {
        token_.kind = ExprToken::kIn;
      } else if (engine::EqualsIgnoreAsciiCase(token_.text, "IS")) {
        auto read_word = [&]() -> std::string_view {
          while (pos_ < n && IsControlOrBlank(text_[pos_])) ++pos_;
          const size_t b = pos_;
          while (pos_ < n && IsAsciiLetter(text_[pos_])) ++pos_;
          return text_.substr(b, pos_ - b);
        };
        std::string_view w = read_word();
        if (engine::EqualsIgnoreAsciiCase(w, "NULL")) {
          token_.kind = ExprToken::kIsNull;
        } else if (engine::EqualsIgnoreAsciiCase(w, "NOT")) {
          w = read_word();
          if (!engine::EqualsIgnoreAsciiCase(w, "NULL"))
            throw EDatabaseError(messages::kInvalidKeyword);
          token_.kind = ExprToken::kIsNotNull;
        } else {
          throw EDatabaseError(messages::kInvalidKeyword);
        }
      }
      break;
    }
    default:
      throw EDatabaseError(Format(messages::kInvalidCharacter, std::string(1, c)));
  }
  token_.end = pos_;
}

// ---------------------------------------------------------------------------
// Grammar

namespace {
struct DepthGuard {
  explicit DepthGuard(int* depth) : depth_(depth) {
    if (++*depth_ > kMaxFilterDepth) {
      --*depth_;
      TooDeep();
    }
  }
  ~DepthGuard() { --*depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  int* depth_;
};
}  // namespace

TExprNode* TExprParser::ParseCondition() {
  DepthGuard guard(&depth_);
  TExprNode* left = ParseTerm();
  while (TokenIsWord("OR")) {
    NextToken();
    TExprNode* right = ParseTerm();
    left = NewBoolOp(FilterOp::kOr, left, right);
  }
  return left;
}

TExprNode* TExprParser::ParseTerm() {
  TExprNode* left = ParseFactor();
  while (TokenIsWord("AND")) {
    NextToken();
    TExprNode* right = ParseFactor();
    left = NewBoolOp(FilterOp::kAnd, left, right);
  }
  return left;
}

TExprNode* TExprParser::ParseFactor() {
  if (TokenIsWord("NOT")) {
    NextToken();
    TExprNode* operand = ParseComparison();
    return NewBoolOp(FilterOp::kNot, operand, nullptr);
  }
  return ParseComparison();
}

TExprNode* TExprParser::ParseComparison() {
  TExprNode* left = ParseSum();
  int op = FilterOp::kNotDefined;
  switch (token_.kind) {
    case ExprToken::kEqual:
      op = FilterOp::kEqual;
      break;
    case ExprToken::kNotEqual:
      op = FilterOp::kNotEqual;
      break;
    case ExprToken::kLess:
      op = FilterOp::kLess;
      break;
    case ExprToken::kGreater:
      op = FilterOp::kGreater;
      break;
    case ExprToken::kLessOrEqual:
      op = FilterOp::kLessOrEqual;
      break;
    case ExprToken::kGreaterOrEqual:
      op = FilterOp::kGreaterOrEqual;
      break;
    case ExprToken::kLike:
      op = FilterOp::kLike;
      break;
    case ExprToken::kIsNull:
    case ExprToken::kIsNotNull: {
      const int unary =
          token_.kind == ExprToken::kIsNull ? FilterOp::kIsBlank : FilterOp::kNotBlank;
      NextToken();
      TExprNode* node = filter_.NewNode(ExprNodeKind::kOperator, unary, "", left, nullptr);
      node->data_type = TFieldType::ftBoolean;
      node->scope = left->scope;
      CheckHeight(node);
      return node;
    }
    case ExprToken::kIn: {
      NextToken();
      if (token_.kind != ExprToken::kLParen) Fail(messages::kLeftParenExpected);
      NextToken();
      if (token_.kind == ExprToken::kRParen) throw EDatabaseError(messages::kEmptyInList);
      std::vector<TExprNode*> list;
      ParseList(&list);
      return NewIn(left, std::move(list));
    }
    default:
      return left;
  }
  NextToken();
  TExprNode* right = ParseSum();
  return NewCompare(op, left, right);
}

TExprNode* TExprParser::ParseSum() {
  TExprNode* left = ParseProduct();
  while (token_.kind == ExprToken::kAdd || token_.kind == ExprToken::kSub) {
    const int op = token_.kind == ExprToken::kAdd ? FilterOp::kAdd : FilterOp::kSubtract;
    NextToken();
    left = NewArith(op, left, ParseProduct());
  }
  return left;
}

TExprNode* TExprParser::ParseProduct() {
  TExprNode* left = ParsePrimary();
  while (token_.kind == ExprToken::kMul || token_.kind == ExprToken::kDiv) {
    const int op = token_.kind == ExprToken::kMul ? FilterOp::kMultiply : FilterOp::kDivide;
    NextToken();
    left = NewArith(op, left, ParsePrimary());
  }
  return left;
}

void TExprParser::ParseList(std::vector<TExprNode*>* out) {
  for (;;) {
    out->push_back(ParseCondition());
    if (token_.kind == ExprToken::kComma) {
      NextToken();
      continue;
    }
    if (token_.kind == ExprToken::kRParen) {
      NextToken();
      return;
    }
    if (token_.kind == ExprToken::kEnd) Fail(messages::kRightParenExpected);
    Fail(messages::kRightParenOrCommaExpected);
  }
}

TExprNode* TExprParser::ParsePrimary() {
  TExprNode* node = nullptr;
  switch (token_.kind) {
    case ExprToken::kName: {
      const std::string upper = engine::UpperAscii(token_.text);
      if (IsFunctionName(upper)) {
        size_t q = token_.end;
        while (q < text_.size() && IsControlOrBlank(text_[q])) ++q;
        if (q < text_.size() && text_[q] == '(') return ParseFunction();
      }
      if (upper == "NULL")
        node = NewConst(ConstValue::kNull, "", TFieldType::ftUnknown, false);
      else if (upper == "TRUE")
        node = NewConst(ConstValue::kTrue, token_.text, TFieldType::ftBoolean, false);
      else if (upper == "FALSE")
        node = NewConst(ConstValue::kFalse, token_.text, TFieldType::ftBoolean, false);
      else
        node = NewField(token_.text);
      break;
    }
    case ExprToken::kField:
      node = NewField(token_.text);
      break;
    case ExprToken::kLiteral:
      node = NewConst(ConstValue::kText, token_.text, TFieldType::ftString, false);
      break;
    case ExprToken::kNumber:
      node = NewConst(ConstValue::kText, token_.text, TFieldType::ftFloat, true);
      break;
    case ExprToken::kLParen: {
      NextToken();
      node = ParseCondition();
      if (token_.kind != ExprToken::kRParen) Fail(messages::kRightParenExpected);
      break;
    }
    default:
      Fail(messages::kExpressionExpected);
  }
  NextToken();
  return node;
}

TExprNode* TExprParser::ParseFunction() {
  DepthGuard guard(&depth_);
  const std::string written = token_.text;
  const std::string upper = engine::UpperAscii(written);
  NextToken();  // the "("
  NextToken();
  TExprNode* fn = filter_.NewNode(ExprNodeKind::kFunc, FilterOp::kFunc, written, nullptr, nullptr);
  if (upper == "COUNT" && token_.kind == ExprToken::kMul) {
    NextToken();
    if (token_.kind != ExprToken::kRParen) Fail(messages::kRightParenExpected);
    NextToken();
    fn->value = written + "(*)";
    fn->scope = ExprScope::kAggregate;
    fn->data_type = TFieldType::ftInteger;
    return fn;
  }
  if (token_.kind == ExprToken::kRParen)
    NextToken();
  else
    ParseList(&fn->args);
  if (fn->args.empty() && upper != "GETDATE") throw EDatabaseError(messages::kTypeMismatch);
  ExprScope scope = ExprScope::kConstant;
  int height = 0;
  for (TExprNode* a : fn->args) {
    if (a->scope == ExprScope::kRecord && scope == ExprScope::kConstant) scope = a->scope;
    if (a->scope == ExprScope::kAggregate) scope = a->scope;
    if (a->height > height) height = a->height;
  }
  fn->height = height + 1;
  CheckHeight(fn);
  if (IsAggregateName(upper)) scope = ExprScope::kAggregate;
  fn->scope = scope;
  const TFieldType first = fn->args.empty() ? TFieldType::ftUnknown : fn->args[0]->data_type;
  if (upper == "UPPER" || upper == "LOWER" || upper == "SUBSTRING" || upper == "TRIM" ||
      upper == "TRIMLEFT" || upper == "TRIMRIGHT") {
    fn->data_type = TFieldType::ftString;
    fn->data_size = fn->args[0]->data_size;
  } else if (upper == "GETDATE") {
    fn->data_type = TFieldType::ftDateTime;
  } else if (upper == "DATE") {
    fn->data_type = TFieldType::ftDate;
  } else if (upper == "TIME") {
    fn->data_type = TFieldType::ftTime;
  } else if (upper == "SUM" || upper == "AVG") {
    fn->data_type = TFieldType::ftFloat;
  } else if (upper == "MIN" || upper == "MAX") {
    fn->data_type = first;
  } else {
    fn->data_type = TFieldType::ftInteger;  // YEAR ... SECOND, COUNT
  }
  return fn;
}

// ---------------------------------------------------------------------------
// Nodes with typing

void TExprParser::CheckHeight(const TExprNode* node) const {
  if (node->height > kMaxFilterDepth) TooDeep();
}

TExprNode* TExprParser::NewConst(ConstValue value, std::string text, TFieldType type,
                                 bool numeric) {
  TExprNode* node =
      filter_.NewNode(ExprNodeKind::kConst, FilterOp::kConst, std::move(text), nullptr, nullptr);
  node->const_value = value;
  node->data_type = type;
  node->numeric = numeric;
  node->scope = ExprScope::kConstant;
  return node;
}

TExprNode* TExprParser::NewField(const std::string& written) {
  const FilterFieldInfo info = host_.FieldByNameForFilter(written);
  TExprNode* node =
      filter_.NewNode(ExprNodeKind::kField, FilterOp::kField, written, nullptr, nullptr);
  node->data_type = info.type;
  node->data_size = info.size;
  node->field_no = info.number;
  node->field_kind = info.kind;
  node->field_name = info.name;
  node->scope = ExprScope::kRecord;
  return node;
}

TExprNode* TExprParser::NewBoolOp(int op, TExprNode* left, TExprNode* right) {
  TExprNode* node = filter_.NewNode(ExprNodeKind::kOperator, op, "", left, right);
  node->data_type = TFieldType::ftBoolean;
  node->scope = right ? Combine(left->scope, right->scope) : left->scope;
  CheckHeight(node);
  return node;
}

namespace {
// A constant facing a field takes the field's type and size.
void TakeFieldType(TExprNode* a, TExprNode* b) {
  if (a->IsField() && b->IsConst()) {
    b->data_type = a->data_type;
    b->data_size = a->data_size;
  } else if (b->IsField() && a->IsConst()) {
    a->data_type = b->data_type;
    a->data_size = b->data_size;
  }
}
}  // namespace

TExprNode* TExprParser::NewCompare(int op, TExprNode* left, TExprNode* right) {
  TakeFieldType(left, right);
  if (IsBlobType(left->data_type) && op == FilterOp::kLike) {
    if (right->IsConst()) right->data_type = TFieldType::ftString;
  } else if (IsByteOrBlob(left->data_type) || IsByteOrBlob(right->data_type)) {
    throw EDatabaseError(messages::kTypeMismatch);
  }
  TExprNode* node = filter_.NewNode(ExprNodeKind::kOperator, op, "", left, right);
  node->data_type = TFieldType::ftBoolean;
  node->scope = Combine(left->scope, right->scope);
  CheckHeight(node);
  return node;
}

TExprNode* TExprParser::NewIn(TExprNode* left, std::vector<TExprNode*> list) {
  ExprScope scope = left->scope;
  int height = left->height;
  if (IsByteOrBlob(left->data_type)) throw EDatabaseError(messages::kTypeMismatch);
  for (TExprNode* e : list) {
    TakeFieldType(left, e);
    if (IsByteOrBlob(e->data_type)) throw EDatabaseError(messages::kTypeMismatch);
    scope = Combine(scope, e->scope);
    if (e->height > height) height = e->height;
  }
  TExprNode* node = filter_.NewNode(ExprNodeKind::kOperator, FilterOp::kIn, "", left, nullptr);
  node->args = std::move(list);
  node->data_type = TFieldType::ftBoolean;
  node->scope = scope;
  node->height = height + 1;
  CheckHeight(node);
  return node;
}

TExprNode* TExprParser::NewArith(int op, TExprNode* left, TExprNode* right) {
  TakeFieldType(left, right);
  const TFieldType lt = left->data_type, rt = right->data_type;
  if (IsByteOrBlob(lt) || IsByteOrBlob(rt)) throw EDatabaseError(messages::kTypeMismatch);
  TFieldType result = TFieldType::ftUnknown;
  if (lt == TFieldType::ftUnknown) {
    result = rt;
  } else if (rt == TFieldType::ftUnknown) {
    result = lt;
  } else if (IsStringType(lt) && IsStringType(rt)) {
    if (op != FilterOp::kAdd) throw EDatabaseError(messages::kTypeMismatch);
    result = TFieldType::ftString;
  } else if (IsNumericType(lt) && IsNumericType(rt)) {
    if (IsFloatType(lt) || IsFloatType(rt) || op == FilterOp::kDivide)
      result = TFieldType::ftFloat;
    else if (lt == TFieldType::ftLargeint || rt == TFieldType::ftLargeint)
      result = TFieldType::ftLargeint;
    else
      result = TFieldType::ftInteger;
  } else if (IsDateType(lt) && IsNumericType(rt) &&
             (op == FilterOp::kAdd || op == FilterOp::kSubtract)) {
    result = lt;
  } else if (IsNumericType(lt) && IsDateType(rt) && op == FilterOp::kAdd) {
    result = rt;
  } else if (IsDateType(lt) && IsDateType(rt) && op == FilterOp::kSubtract) {
    result = TFieldType::ftFloat;
  } else {
    throw EDatabaseError(messages::kTypeMismatch);
  }
  TExprNode* node = filter_.NewNode(ExprNodeKind::kOperator, op, "", left, right);
  node->data_type = result;
  node->scope = Combine(left->scope, right->scope);
  CheckHeight(node);
  return node;
}

// ---------------------------------------------------------------------------
// The whole text

TExprParser::TExprParser(const IFilterHost& host, std::string_view text, TFilterOptions options,
                         char decimal_separator)
    : host_(host),
      text_(text),
      options_(options),
      decimal_separator_(decimal_separator),
      filter_(options, decimal_separator) {
  NextToken();
  TExprNode* root = ParseCondition();
  if (token_.kind != ExprToken::kEnd) throw EDatabaseError(messages::kIncorrectlyTerminated);
  if (root->scope == ExprScope::kAggregate) throw EDatabaseError(messages::kAggregateInFilter);
  if (root->data_type != TFieldType::ftBoolean) throw EDatabaseError(messages::kIncorrectlyFormed);
  data_ = filter_.GetFilterData(root);
}

}  // namespace store
