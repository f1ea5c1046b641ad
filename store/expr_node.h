// TExprNode: one node of a parsed filter expression, and the operator codes
// that the compiled block uses for it.
//
// Nodes are created by the compiler object (TFilterExpr::NewNode), which owns
// and frees them; the parser links them into a tree through left/right/args.
// A node's data type is set by the typing rules while the tree is built, so
// the compiler can rely on it: every condition is ftBoolean, a constant that
// faces a field carries that field's type and size.
#pragma once

#include <string>
#include <vector>

#include "store/field_type.h"

namespace store {

enum class ExprNodeKind { kField, kConst, kOperator, kFunc };

// Where a node's value comes from: constants do not vary, fields vary by
// record, aggregate functions summarise many records.
enum class ExprScope { kConstant, kRecord, kAggregate };

// Operator codes of the compiled block (also the node class decides how the
// operands are laid out; see TFilterExpr).
struct FilterOp {
  enum Code : int {
    kNotDefined = 0,
    kIsBlank = 1,
    kNotBlank = 2,
    kEqual = 3,
    kNotEqual = 4,
    kGreater = 5,
    kLess = 6,
    kGreaterOrEqual = 7,
    kLessOrEqual = 8,
    kNot = 9,
    kAnd = 10,
    kOr = 11,
    kField = 13,
    kConst = 14,
    kAdd = 16,
    kSubtract = 17,
    kMultiply = 18,
    kDivide = 19,
    kLike = 30,
    kIn = 31,
    kFunc = 35,
    kListElem = 36,
  };
};

// Node classes of the compiled block.
struct NodeClass {
  enum Code : int {
    kUnary = 1,
    kBinary = 2,
    kCompare = 3,
    kField = 4,
    kConst = 5,
    kFunc = 10,
    kListElem = 11,
  };
};

// What a constant holds: the literal's or number's text, or one of the words.
enum class ConstValue { kText, kNull, kTrue, kFalse };

struct TExprNode {
  ExprNodeKind kind = ExprNodeKind::kConst;
  int op = FilterOp::kNotDefined;
  // Field: the name as written; constant: the literal's text (kText);
  // function: the name as written ("COUNT(*)" spelled from the written name).
  std::string value;
  ConstValue const_value = ConstValue::kText;
  bool numeric = false;  // a constant written as a number, not quoted
  TExprNode* left = nullptr;
  TExprNode* right = nullptr;
  std::vector<TExprNode*> args;  // IN list elements or function arguments
  TFieldType data_type = TFieldType::ftUnknown;
  int data_size = 0;
  ExprScope scope = ExprScope::kConstant;
  // Fields only: what the table's lookup said.
  int field_no = 0;
  FieldKind field_kind = FieldKind::kData;
  std::string field_name;  // the field's own spelling
  int height = 1;          // levels of the subtree, this node included

  bool IsField() const { return kind == ExprNodeKind::kField; }
  bool IsConst() const { return kind == ExprNodeKind::kConst; }
  bool IsNullConst() const { return IsConst() && const_value == ConstValue::kNull; }
};

}  // namespace store
