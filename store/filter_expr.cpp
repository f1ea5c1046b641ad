// TFilterExpr: compiling a typed parse tree into the filter block.
//
// Sections: type map and conversions; node and literal areas; emitting nodes
// (fields, constants, comparisons, lists, functions); the block itself.
// Must stay true: nothing is written outside the two growing areas, and every
// offset is checked against 16 bits before it is stored.
#include "store/filter_expr.h"

#include <bit>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "engine/coding.h"
#include "engine/text_fold.h"
#include "store/db_error.h"
#include "store/message_format.h"
#include "store/store_messages.h"
#include "store/variant.h"

namespace store {

// ---------------------------------------------------------------------------
// Type map and conversions

engine::FilterConstType EngineTypeCode(TFieldType type) {
  using enum TFieldType;
  if (IsStringType(type)) return engine::kConstString;
  if (IsBlobType(type)) return engine::kConstBlob;
  switch (type) {
    case ftDate:
      return engine::kConstDate;
    case ftBoolean:
      return engine::kConstBoolean;
    case ftSmallint:
      return engine::kConstSmallint;
    case ftInteger:
    case ftAutoInc:
      return engine::kConstInteger;
    case ftFloat:
    case ftCurrency:
      return engine::kConstFloat;
    case ftBCD:
      return engine::kConstBcd;
    case ftBytes:
      return engine::kConstBytes;
    case ftTime:
      return engine::kConstTime;
    case ftDateTime:
      return engine::kConstDateTime;
    case ftWord:
      return engine::kConstWord;
    case ftVarBytes:
      return engine::kConstVarBytes;
    case ftCursor:
      return engine::kConstCursor;
    case ftLargeint:
      return engine::kConstLargeint;
    case ftADT:
      return engine::kConstAdt;
    case ftArray:
      return engine::kConstArray;
    case ftReference:
      return engine::kConstReference;
    case ftDataSet:
      return engine::kConstDataSet;
    case ftTimeStamp:
      return engine::kConstTimeStamp;
    case ftFMTBcd:
      return engine::kConstFmtBcd;
    default:
      return engine::kConstUnknown;
  }
}

bool IsNumericType(TFieldType type) {
  using enum TFieldType;
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

bool StrToDouble(std::string_view text, char decimal_separator, double* out) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  // from_chars takes no '+' and only '.', so the text is normalised first;
  // any other character makes the conversion fail as the strict one does.
  std::string s;
  size_t i = b;
  if (i < e && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') s.push_back('-');
    ++i;
  }
  bool digits = false;
  for (; i < e; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = true;
      s.push_back(c);
    } else if (c == decimal_separator) {
      s.push_back('.');
    } else if (c == 'e' || c == 'E' || c == '+' || c == '-') {
      s.push_back(c);
    } else {
      return false;
    }
  }
  if (!digits) return false;
  double value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) return false;
  *out = value;
  return true;
}

namespace {

[[noreturn]] void TooLarge() { throw EDatabaseError(messages::kFilterTooLong); }

// Days from 0001-01-01 (day 1) to a civil date; false for a date that does
// not exist.
bool CivilToDays(int y, int m, int d, int64_t* days) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  static const int kDaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (d > kDaysIn[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
  const int64_t py = y - 1;
  int64_t n = py * 365 + py / 4 - py / 100 + py / 400;
  for (int i = 1; i < m; ++i) n += kDaysIn[i - 1] + (i == 2 && leap ? 1 : 0);
  *days = n + d;
  return true;
}

// "YYYY-MM-DD", "HH:MM[:SS]" or both separated by a blank or "T".
bool ParseDateTime(std::string_view text, bool want_date, bool want_time, int64_t* days,
                   int64_t* msecs) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  std::string t(text);
  char tail = 0;
  *days = 0;
  *msecs = 0;
  if (want_date) {
    int used = 0;
    if (std::sscanf(t.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used) != 3) return false;
    if (!CivilToDays(y, mo, d, days)) return false;
    t = t.substr(static_cast<size_t>(used));
    if (t.empty()) return true;
    if (!want_time || (t[0] != ' ' && t[0] != 'T')) return false;
    t = t.substr(1);
  }
  int used = 0;
  const int n = std::sscanf(t.c_str(), "%2d:%2d%n:%2d%n%c", &h, &mi, &used, &s, &used, &tail);
  if (n < 2 || n > 3 || static_cast<size_t>(used) != t.size()) return false;
  if (h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0) return false;
  *msecs = ((h * 60 + mi) * 60 + s) * 1000;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Node and literal areas

TExprNode* TFilterExpr::NewNode(ExprNodeKind kind, int op, std::string value, TExprNode* left,
                                TExprNode* right) {
  auto node = std::make_unique<TExprNode>();
  node->kind = kind;
  node->op = op;
  node->value = std::move(value);
  node->left = left;
  node->right = right;
  int h = 0;
  if (left) h = left->height;
  if (right && right->height > h) h = right->height;
  node->height = h + 1;
  nodes_.push_back(std::move(node));
  return nodes_.back().get();
}

void TFilterExpr::CheckSize() const {
  if (engine::kFilterHeaderSize + node_area_.size() + literal_area_.size() >
      engine::kFilterMaxBlockSize)
    TooLarge();
}

size_t TFilterExpr::Reserve(int node_class, int op, int operand_count) {
  const size_t pos = node_area_.size();
  engine::coding::PutFixed32(&node_area_, static_cast<uint32_t>(node_class));
  engine::coding::PutFixed32(&node_area_, static_cast<uint32_t>(op));
  node_area_.append(2 * static_cast<size_t>(operand_count), '\0');
  CheckSize();
  return pos;
}

void TFilterExpr::SetOperand(size_t node, int index, size_t value) {
  if (value > 0xFFFF) TooLarge();
  // REQUIRES: the operand lies inside the node reserved at `node`.
  const size_t at = node + engine::kFilterNodeHeadSize + 2 * static_cast<size_t>(index);
  assert(at + 2 <= node_area_.size());
  engine::coding::EncodeUInt(&node_area_[at], value, 2);
}

size_t TFilterExpr::AddLiteral(const std::string& bytes) {
  const size_t pos = literal_area_.size();
  literal_area_ += bytes;
  CheckSize();
  return pos;
}

// ---------------------------------------------------------------------------
// Emitting nodes

size_t TFilterExpr::Emit(TExprNode* node, bool as_condition) {
  switch (node->kind) {
    case ExprNodeKind::kField:
      if (as_condition && node->data_type == TFieldType::ftBoolean) {
        // A boolean field standing alone as a condition means "is true".
        const size_t pos = Reserve(NodeClass::kBinary, FilterOp::kNotEqual, 2);
        SetOperand(pos, 0, EmitField(node));
        TExprNode no;
        no.kind = ExprNodeKind::kConst;
        no.const_value = ConstValue::kFalse;
        no.value = "False";
        no.data_type = TFieldType::ftBoolean;
        SetOperand(pos, 1, EmitConstant(&no));
        return pos;
      }
      return EmitField(node);
    case ExprNodeKind::kConst:
      return EmitConstant(node);
    case ExprNodeKind::kFunc: {
      const size_t pos = Reserve(NodeClass::kFunc, FilterOp::kFunc, 2);
      SetOperand(pos, 0, AddLiteral(node->value + '\0'));
      SetOperand(pos, 1, node->args.empty() ? 0 : EmitList(node->args));
      return pos;
    }
    case ExprNodeKind::kOperator:
      break;
  }
  switch (node->op) {
    case FilterOp::kNot: {
      const size_t pos = Reserve(NodeClass::kUnary, FilterOp::kNot, 1);
      SetOperand(pos, 0, Emit(node->left, true));
      return pos;
    }
    case FilterOp::kIsBlank:
    case FilterOp::kNotBlank: {
      const size_t pos = Reserve(NodeClass::kUnary, node->op, 1);
      SetOperand(pos, 0, Emit(node->left, false));
      return pos;
    }
    case FilterOp::kAnd:
    case FilterOp::kOr: {
      const size_t pos = Reserve(NodeClass::kBinary, node->op, 2);
      SetOperand(pos, 0, Emit(node->left, true));
      SetOperand(pos, 1, Emit(node->right, true));
      return pos;
    }
    case FilterOp::kIn: {
      const size_t pos = Reserve(NodeClass::kBinary, FilterOp::kIn, 2);
      SetOperand(pos, 0, Emit(node->left, false));
      SetOperand(pos, 1, EmitList(node->args));
      return pos;
    }
    default:
      return EmitCompare(node);
  }
}

size_t TFilterExpr::EmitField(TExprNode* node) {
  if (node->field_kind != FieldKind::kData && node->field_kind != FieldKind::kInternalCalc)
    throw EDatabaseError(Format(messages::kFieldNotInFilter, node->field_name));
  const size_t pos = Reserve(NodeClass::kField, FilterOp::kField, 2);
  SetOperand(pos, 0, static_cast<size_t>(node->field_no));
  SetOperand(pos, 1, AddLiteral(node->value + '\0'));
  return pos;
}

std::string TFilterExpr::ConstantData(TExprNode* node, TFieldType type) {
  using enum TFieldType;
  std::string data;
  const bool is_bool =
      node->const_value == ConstValue::kTrue || node->const_value == ConstValue::kFalse;
  const bool truth = node->const_value == ConstValue::kTrue;
  auto to_int = [&]() -> int64_t {
    if (is_bool) return truth ? 1 : 0;
    int64_t v = 0;
    if (!ParseWholeNumber(node->value, &v) || v < std::numeric_limits<int32_t>::min() ||
        v > std::numeric_limits<int32_t>::max())
      throw EConvertError(Format(messages::kNotAnInteger, node->value));
    return v;
  };
  auto to_float = [&]() -> double {
    if (is_bool) return truth ? 1 : 0;
    double v = 0;
    if (!StrToDouble(node->value, decimal_separator_, &v))
      throw EConvertError(Format(messages::kNotAFloat, node->value));
    return v;
  };
  if (IsStringType(type)) {
    data = node->value.substr(0, 255);
    data.push_back('\0');
    return data;
  }
  switch (type) {
    case ftInteger:
    case ftAutoInc:
      engine::coding::PutFixed32(&data, static_cast<uint32_t>(to_int()));
      return data;
    case ftSmallint: {
      const int64_t v = to_int();
      if (v < -32768 || v > 32767) throw EDatabaseError(messages::kConstantOutOfRange);
      engine::coding::PutFixed16(&data, static_cast<uint16_t>(v));
      return data;
    }
    case ftWord: {
      const int64_t v = to_int();
      if (v < 0 || v > 65535) throw EDatabaseError(messages::kConstantOutOfRange);
      engine::coding::PutFixed16(&data, static_cast<uint16_t>(v));
      return data;
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd: {
      // Decimal constants travel as doubles too: the engine compares them as
      // numbers.
      const double v = to_float();
      engine::coding::PutFixed64(&data, std::bit_cast<uint64_t>(v));
      return data;
    }
    case ftBoolean: {
      bool v;
      if (is_bool) {
        v = truth;
      } else {
        const std::string upper = engine::UpperAscii(node->value);
        if (upper == "TRUE")
          v = true;
        else if (upper == "FALSE")
          v = false;
        else
          throw EDatabaseError(Format(messages::kConstantWrongType, node->value));
      }
      engine::coding::PutFixed16(&data, v ? 1 : 0);
      return data;
    }
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp: {
      // Dates count days from 0001-01-01 (day 1), times milliseconds from
      // midnight, date-times milliseconds from day 0 as a double.
      int64_t days = 0, msecs = 0;
      const bool want_date = type != ftTime;
      const bool want_time = type != ftDate;
      if (is_bool || !ParseDateTime(node->value, want_date, want_time, &days, &msecs))
        throw EConvertError(Format(messages::kNotADateTime, node->value));
      if (type == ftDate)
        engine::coding::PutFixed32(&data, static_cast<uint32_t>(days));
      else if (type == ftTime)
        engine::coding::PutFixed32(&data, static_cast<uint32_t>(msecs));
      else
        engine::coding::PutFixed64(
            &data, std::bit_cast<uint64_t>(static_cast<double>(days * 86400000 + msecs)));
      return data;
    }
    default:
      throw EDatabaseError(Format(messages::kConstantWrongType, node->value));
  }
}

size_t TFilterExpr::EmitConstant(TExprNode* node) {
  const size_t pos = Reserve(NodeClass::kConst, FilterOp::kConst, 3);
  TFieldType type = node->data_type;
  if (node->IsNullConst()) {
    // A null constant carries no data: size 0.
    SetOperand(pos, 0, static_cast<size_t>(EngineTypeCode(type)));
    SetOperand(pos, 1, 0);
    SetOperand(pos, 2, literal_area_.size());
    return pos;
  }
  const std::string data = ConstantData(node, type);
  SetOperand(pos, 0, static_cast<size_t>(EngineTypeCode(type)));
  SetOperand(pos, 1, data.size());
  SetOperand(pos, 2, AddLiteral(data));
  return pos;
}

size_t TFilterExpr::EmitCompare(TExprNode* node) {
  int op = node->op;
  TExprNode* l = node->left;
  TExprNode* r = node->right;
  if (op >= FilterOp::kEqual && op <= FilterOp::kLessOrEqual && r->IsField() && !l->IsField()) {
    std::swap(l, r);
    if (op == FilterOp::kGreater)
      op = FilterOp::kLess;
    else if (op == FilterOp::kLess)
      op = FilterOp::kGreater;
    else if (op == FilterOp::kGreaterOrEqual)
      op = FilterOp::kLessOrEqual;
    else if (op == FilterOp::kLessOrEqual)
      op = FilterOp::kGreaterOrEqual;
  }
  if (l->IsField() && r->IsConst() &&
      (op == FilterOp::kEqual || op == FilterOp::kNotEqual || op == FilterOp::kLike)) {
    if (r->IsNullConst()) {
      if (op == FilterOp::kLike) throw EDatabaseError(messages::kNullOnlyWithEquals);
      const size_t pos = Reserve(
          NodeClass::kUnary, op == FilterOp::kEqual ? FilterOp::kIsBlank : FilterOp::kNotBlank, 1);
      SetOperand(pos, 0, Emit(l, false));
      return pos;
    }
    if (IsStringType(r->data_type) && !r->value.empty()) {
      const bool case_flag = options_.foCaseInsensitive;
      std::string s = r->value;
      size_t partial = 0;
      if (!options_.foNoPartialCompare && s.size() > 1 && s.back() == '*') {
        s.pop_back();
        partial = s.size();
      }
      if (case_flag || partial > 0) {
        const size_t pos = Reserve(NodeClass::kCompare, op, 4);
        SetOperand(pos, 0, case_flag ? 1 : 0);
        SetOperand(pos, 1, partial);
        SetOperand(pos, 2, Emit(l, false));
        r->value = std::move(s);
        SetOperand(pos, 3, EmitConstant(r));
        return pos;
      }
    }
  }
  const size_t pos = Reserve(NodeClass::kBinary, op, 2);
  SetOperand(pos, 0, Emit(l, false));
  SetOperand(pos, 1, Emit(r, false));
  return pos;
}

size_t TFilterExpr::EmitList(const std::vector<TExprNode*>& elements) {
  size_t first = 0, previous = 0;
  for (size_t i = 0; i < elements.size(); ++i) {
    const size_t pos = Reserve(NodeClass::kListElem, FilterOp::kListElem, 2);
    if (i == 0)
      first = pos;
    else
      SetOperand(previous, 1, pos);
    SetOperand(pos, 0, Emit(elements[i], false));
    previous = pos;
  }
  return first;
}

// ---------------------------------------------------------------------------
// The block

std::vector<uint8_t> TFilterExpr::GetFilterData(TExprNode* root) {
  node_area_.clear();
  literal_area_.clear();
  Emit(root, true);
  const size_t total = engine::kFilterHeaderSize + node_area_.size() + literal_area_.size();
  if (total > engine::kFilterMaxBlockSize) TooLarge();
  std::string header;
  engine::coding::PutFixed16(&header, engine::kFilterVersion);
  engine::coding::PutFixed16(&header, static_cast<uint16_t>(total));
  engine::coding::PutFixed16(&header, engine::kFilterNoNodeCount);
  engine::coding::PutFixed16(&header, static_cast<uint16_t>(engine::kFilterHeaderSize));
  engine::coding::PutFixed16(&header,
                             static_cast<uint16_t>(engine::kFilterHeaderSize + node_area_.size()));
  std::vector<uint8_t> block;
  block.reserve(total);
  block.insert(block.end(), header.begin(), header.end());
  block.insert(block.end(), node_area_.begin(), node_area_.end());
  block.insert(block.end(), literal_area_.begin(), literal_area_.end());
  return block;
}

}  // namespace store
