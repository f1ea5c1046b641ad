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

enum class TExprNodeKind { enField, enConst, enOperator, enFunc };

// Where a node's value comes from: constants do not vary, fields vary by
// record, aggregate functions summarise many records.
enum class TExprScope { esConstant, esRecord, esAggregate };

// Operator codes of the compiled block (also the node class decides how the
// operands are laid out; see TFilterExpr).
enum TCANOperator : int {
  coNOTDEFINED = 0,
  coISBLANK = 1,
  coNOTBLANK = 2,
  coEQ = 3,
  coNE = 4,
  coGT = 5,
  coLT = 6,
  coGE = 7,
  coLE = 8,
  coNOT = 9,
  coAND = 10,
  coOR = 11,
  coFIELD = 13,
  coCONST = 14,
  coADD = 16,
  coSUB = 17,
  coMUL = 18,
  coDIV = 19,
  coLIKE = 30,
  coIN = 31,
  coFUNC = 35,
  coLISTELEM = 36,
};

// Node classes of the compiled block.
enum TNodeClass : int {
  nodeUNARY = 1,
  nodeBINARY = 2,
  nodeCOMPARE = 3,
  nodeFIELD = 4,
  nodeCONST = 5,
  nodeFUNC = 10,
  nodeLISTELEM = 11,
};

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
