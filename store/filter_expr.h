// TFilterExpr: the filter compiler. It owns the parse nodes and writes the
// compiled block (TExprData) from the tree the parser built.
//
// Block layout (all numbers little-endian, offsets 16-bit):
//   header   version 2 | total size | 0xFFFF | 10 | 10 + node area size
//   nodes    pre-order, root at node offset 0; each node is
//            class (32) | operator (32) | operands (16 each)
//   literals field names, function names and constant data, in emission order
// Must stay true: a node's operands are emitted after the node itself, left
// before right, so the node area holds the tree in pre-order; the whole block
// stays within 65535 bytes or is refused.
// Used by TExprParser, which creates one TFilterExpr per compilation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/expr_node.h"
#include "store/field_type.h"
#include "store/filter_compile.h"

namespace store {

// The engine type code of a field type (fills operand [0] of constant nodes).
int EngineTypeCode(TFieldType type);

bool IsNumericType(TFieldType type);  // integer, float, currency and decimal types

// Standard conversions as the compiler uses them. StrToInt32 accepts leading
// blanks and a sign and nothing after the digits; StrToDouble accepts blanks
// around the number and `decimal_separator` as the only separator.
bool StrToInt32(std::string_view text, int32_t* out);
bool StrToDouble(std::string_view text, char decimal_separator, double* out);

inline constexpr size_t kHeaderSize = 10;
inline constexpr size_t kMaxBlockSize = 65535;

class TFilterExpr {
 public:
  TFilterExpr(TFilterOptions options, char decimal_separator)
      : options_(options), decimal_separator_(decimal_separator) {}
  TFilterExpr(const TFilterExpr&) = delete;
  TFilterExpr& operator=(const TFilterExpr&) = delete;

  // Creates a node owned by this compiler.
  TExprNode* NewNode(ExprNodeKind kind, int op, std::string value, TExprNode* left,
                     TExprNode* right);

  // Compiles the tree under `root` into a block. Raises EDatabaseError or
  // EConvertError with the system's messages.
  std::vector<uint8_t> GetFilterData(TExprNode* root);

 private:
  size_t Reserve(int node_class, int op, int operand_count);
  void SetOperand(size_t node, int index, size_t value);
  size_t AddLiteral(const std::string& bytes);
  size_t Emit(TExprNode* node, bool as_condition);
  size_t EmitField(TExprNode* node);
  size_t EmitConstant(TExprNode* node);
  size_t EmitCompare(TExprNode* node, bool as_condition);
  size_t EmitList(const std::vector<TExprNode*>& elements);
  std::string ConstantData(TExprNode* node, TFieldType type);
  void CheckSize() const;

  TFilterOptions options_;
  char decimal_separator_;
  std::vector<std::unique_ptr<TExprNode>> nodes_;
  std::string node_area_;
  std::string literal_area_;
};

}  // namespace store
