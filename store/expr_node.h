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

enum class TExprNodeKind { enField, enConst, enOperator, enFunc };

// Where a node's value comes from: constants do not vary, fields vary by
// record, aggregate functions summarise many records.
enum class TExprScope { esConstant, esRecord, esAggregate };

// The operator codes and node classes of the compiled block
// (engine/filter_block.h); a parse node's `op` is the code of its operator.
using engine::TCANOperator;
using engine::TNodeClass;
using enum engine::TCANOperator;
using enum engine::TNodeClass;

// What a constant holds: the literal's or number's text, or one of the words.
enum class TConstValue { cvText, cvNull, cvTrue, cvFalse };

struct TExprNode {
  TExprNodeKind kind = TExprNodeKind::enConst;
  int op = coNOTDEFINED;
  // Field: the name as written; constant: the literal's text (cvText);
  // function: the name as written ("COUNT(*)" spelled from the written name).
  std::string value;
  TConstValue const_value = TConstValue::cvText;
  bool numeric = false;  // a constant written as a number, not quoted
  TExprNode* left = nullptr;
  TExprNode* right = nullptr;
  std::vector<TExprNode*> args;  // IN list elements or function arguments
  TFieldType data_type = TFieldType::ftUnknown;
  int data_size = 0;
  TExprScope scope = TExprScope::esConstant;
  // Fields only: what the table's lookup said.
  int field_no = 0;
  TFieldKind field_kind = TFieldKind::fkData;
  std::string field_name;  // the field's own spelling
  int height = 1;          // levels of the subtree, this node included

  bool IsField() const { return kind == TExprNodeKind::enField; }
  bool IsConst() const { return kind == TExprNodeKind::enConst; }
  bool IsNullConst() const { return IsConst() && const_value == TConstValue::cvNull; }
};

}  // namespace store
