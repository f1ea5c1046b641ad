// TExprNode: one node of a parsed filter expression.
//
// Nodes are created by the compiler object (TFilterExpr::NewNode), which owns
// and frees them; the parser links them into a tree through left/right/args.
// A node's data type is set by the typing rules while the tree is built, so
// the compiler can rely on it: every condition is ftBoolean, a constant that
// faces a field carries that field's type and size.
#pragma once

#include <string>
#include <vector>

#include "engine/filter_block.h"
#include "store/field_type.h"

namespace store {

enum class ExprNodeKind { kField, kConst, kOperator, kFunc };

// Where a node's value comes from: constants do not vary, fields vary by
// record, aggregate functions summarise many records.
enum class ExprScope { kConstant, kRecord, kAggregate };

// The operator codes and node classes of the compiled block
// (engine/filter_block.h); a parse node's `op` is the code of its operator.
using engine::FilterOp;
using engine::NodeClass;

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
