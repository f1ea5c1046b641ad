// The compiled filter block's format, in one place: the header, the node
// classes and their operands, the operator codes and the constant type codes.
// The compiler (store/filter_expr.cpp) writes blocks by it, the decoder
// (engine/filter_program.cpp) and the evaluator (engine/filter_eval.cpp) read
// them by it, and the listing (store/filter_listing.cpp) prints them by it.
//
// Block (all numbers little-endian):
//   header   five 16-bit words: version 2 | total size | 0xFFFF (no node
//            count) | node area start (10) | literal area start
//   nodes    root at node offset 0; each node is class (32) | operator (32)
//            | operands (16 each, as many as the class has)
//   literals field names, function names and constant data
// Node offsets count from the start of the node area, literal offsets from
// the start of the literal area. See docs/filter-evaluation.md.
#pragma once

#include <cstddef>
#include <cstdint>

namespace engine {

// Header.
inline constexpr size_t kFilterHeaderSize = 10;
inline constexpr uint16_t kFilterVersion = 2;
inline constexpr uint16_t kFilterNoNodeCount = 0xFFFF;
inline constexpr size_t kFilterMaxBlockSize = 65535;
// Class and operator words that open every node.
inline constexpr size_t kFilterNodeHeadSize = 8;

// Node classes and the operands each carries:
//   unary    [operand]
//   binary   [left, right] (in: [left, first list element])
//   compare  [case flag, partial length, field, string constant]
//   field    [field number from 1, name literal]
//   const    [type code, data size (0: null), data literal]
//   func     [name literal, first list element or 0]
//   listelem [expression, next list element or 0]
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

// Operands of a node of `node_class`, or 0 for no class of the block.
constexpr int FilterOperandCount(uint32_t node_class) {
  switch (node_class) {
    case NodeClass::kUnary:
      return 1;
    case NodeClass::kBinary:
    case NodeClass::kField:
    case NodeClass::kFunc:
    case NodeClass::kListElem:
      return 2;
    case NodeClass::kConst:
      return 3;
    case NodeClass::kCompare:
      return 4;
    default:
      return 0;
  }
}
inline constexpr int kFilterMaxOperands = 4;

// Operator codes. Which class carries which: unary isblank, notblank, not;
// binary the comparisons, and, or, the arithmetic, like and in; compare eq,
// ne and like; field, const, func and listelem their own code.
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

// Type codes of constants (operand 0 of a const node).
enum FilterConstType : uint16_t {
  kConstUnknown = 0,
  kConstString = 1,
  kConstDate = 2,
  kConstBlob = 3,
  kConstBoolean = 4,
  kConstSmallint = 5,
  kConstInteger = 6,
  kConstFloat = 7,
  kConstBcd = 8,
  kConstBytes = 9,
  kConstTime = 10,
  kConstDateTime = 11,
  kConstWord = 12,
  kConstVarBytes = 15,
  kConstCursor = 17,
  kConstLargeint = 18,
  kConstAdt = 20,
  kConstArray = 21,
  kConstReference = 22,
  kConstDataSet = 23,
  kConstTimeStamp = 24,
  kConstFmtBcd = 25,
};

// How the data of a constant reads.
enum class ConstForm : uint8_t {
  kNone,      // no value a filter can hold: only a null constant is sound
  kText,      // bytes and a zero byte
  kBoolean,   // 16 bits, zero is false
  kSigned,    // a signed integer of `size` bytes
  kUnsigned,  // an unsigned integer of `size` bytes
  kFloat,     // an IEEE double
};

struct ConstTypeInfo {
  uint16_t code;
  const char* name;  // in listings; null: printed as "type"
  ConstForm form;
  uint8_t size;  // bytes of the data; 0 for text (any size) and kNone
};

// Dates are days from 0001-01-01 (day 1), times milliseconds from midnight,
// date-times and time stamps milliseconds from day 0; decimals travel as
// doubles.
inline constexpr ConstTypeInfo kConstTypes[] = {
    {kConstUnknown, "unknown", ConstForm::kNone, 0},
    {kConstString, "string", ConstForm::kText, 0},
    {kConstDate, "date", ConstForm::kSigned, 4},
    {kConstBlob, "blob", ConstForm::kNone, 0},
    {kConstBoolean, "boolean", ConstForm::kBoolean, 2},
    {kConstSmallint, "smallint", ConstForm::kSigned, 2},
    {kConstInteger, "integer", ConstForm::kSigned, 4},
    {kConstFloat, "float", ConstForm::kFloat, 8},
    {kConstBcd, "bcd", ConstForm::kFloat, 8},
    {kConstBytes, nullptr, ConstForm::kNone, 0},
    {kConstTime, "time", ConstForm::kSigned, 4},
    {kConstDateTime, "datetime", ConstForm::kFloat, 8},
    {kConstWord, "word", ConstForm::kUnsigned, 2},
    {kConstVarBytes, nullptr, ConstForm::kNone, 0},
    {kConstCursor, nullptr, ConstForm::kNone, 0},
    {kConstLargeint, "largeint", ConstForm::kSigned, 8},
    {kConstAdt, nullptr, ConstForm::kNone, 0},
    {kConstArray, nullptr, ConstForm::kNone, 0},
    {kConstReference, nullptr, ConstForm::kNone, 0},
    {kConstDataSet, nullptr, ConstForm::kNone, 0},
    {kConstTimeStamp, "timestamp", ConstForm::kFloat, 8},
    {kConstFmtBcd, "fmtbcd", ConstForm::kFloat, 8},
};

// The entry of a constant type code, or null for a code the block does not
// know.
constexpr const ConstTypeInfo* FindConstType(uint16_t code) {
  for (const ConstTypeInfo& t : kConstTypes)
    if (t.code == code) return &t;
  return nullptr;
}

}  // namespace engine
