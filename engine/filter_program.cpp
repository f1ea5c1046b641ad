// FilterProgram: checking a compiled filter block and decoding it, once, into
// the node array that engine/filter_eval.h evaluates.
//
// The block's format is in engine/filter_block.h.
//
// Must stay true: Decode reads the block only through the bounds-checked
// reader, visits no more nodes than the node area can hold (so a cycle or a
// shared subtree is refused) and no deeper than kMaxDepth; a block it accepts
// evaluates without reading outside the block or the table.
#include "engine/filter_program.h"

#include <algorithm>
#include <bit>
#include <string_view>

#include "engine/coding.h"
#include "engine/filter_block.h"
#include "engine/filter_eval.h"
#include "engine/text_fold.h"

namespace engine {

namespace {

using filter::Kind;
using filter::Node;
using filter::Value;

constexpr int kMaxDepth = 512;

class Program : public FilterProgram {
 public:
  explicit Program(std::vector<Node> nodes) : nodes_(std::move(nodes)) {}

  void Select(const TableData& data, const std::vector<uint32_t>& replaces,
              filter::ColumnCache& cache, const std::vector<uint32_t>& rows,
              std::vector<uint32_t>* out) const override {
    filter::Evaluator eval(nodes_, data, replaces, &cache);
    const size_t count = data.row_count();
    bool ascending = true;
    for (size_t i = 0; i < rows.size() && ascending; ++i)
      ascending = rows[i] < count && (i == 0 || rows[i - 1] < rows[i]);
    if (ascending) {
      eval.Select(0, rows, out);
      return;
    }
    // The evaluator walks rows in table order (memory order); the view's own
    // order is restored afterwards.
    std::vector<uint8_t> mark(count, 0);
    for (uint32_t r : rows)
      if (r < count) mark[r] = 1;
    std::vector<uint32_t> sorted, passed;
    for (uint32_t r = 0; r < count; ++r)
      if (mark[r]) sorted.push_back(r);
    eval.Select(0, sorted, &passed);
    std::fill(mark.begin(), mark.end(), 0);
    for (uint32_t r : passed) mark[r] = 1;
    for (uint32_t r : rows)
      if (r < count && mark[r]) out->push_back(r);
  }

  void SelectSet(const TableData& data, const std::vector<uint32_t>& replaces,
                 filter::ColumnCache& cache, const RowSet& in, RowSet* out) const override {
    filter::Evaluator eval(nodes_, data, replaces, &cache);
    eval.SelectSet(0, in, out);
  }

  bool Matches(const TableData& data, const std::vector<uint32_t>& replaces,
               uint32_t row) const override {
    if (row >= data.row_count()) return false;
    filter::Evaluator eval(nodes_, data, replaces, nullptr);
    return eval.Test(0, row) == filter::Tri::kTrue;
  }

 private:
  std::vector<Node> nodes_;
};

class Decoder {
 public:
  Decoder(std::span<const uint8_t> nodes, std::span<const uint8_t> literals, const TableData& data)
      : nodes_(nodes),
        literals_(literals),
        data_(data),
        budget_(nodes.size() / kFilterNodeHeadSize + 1) {}

  // Decodes the node at `offset` into out_ and returns its index, or -1 with
  // error_ set.
  int Decode(size_t offset, int depth);

  std::vector<Node> out_;
  std::string error_;

 private:
  int Fail(size_t offset, const std::string& what) {
    if (error_.empty())
      error_ = "Bad filter block: " + what + " (node offset " + std::to_string(offset) + ")";
    return -1;
  }
  bool Operands(size_t offset, int count, uint16_t* o, uint32_t* cls, uint32_t* op);
  bool LiteralString(size_t offset, std::string_view* out);
  int DecodeConstant(size_t offset, const uint16_t* o);
  int DecodeList(size_t first, int depth, std::vector<int>* kids);
  int Add(Node n) {
    if (n.kind == Kind::kField) {
      n.fields = {n.field};
    } else {
      for (int k : n.kids)
        for (int f : out_[k].fields)
          if (n.fields.size() < 4 &&
              std::find(n.fields.begin(), n.fields.end(), f) == n.fields.end())
            n.fields.push_back(f);
    }
    out_.push_back(std::move(n));
    return static_cast<int>(out_.size()) - 1;
  }

  std::span<const uint8_t> nodes_, literals_;
  const TableData& data_;
  size_t budget_;
};

bool Decoder::Operands(size_t offset, int count, uint16_t* o, uint32_t* cls, uint32_t* op) {
  coding::ByteReader r(nodes_);
  if (!r.Seek(offset) || !r.GetFixed32(cls) || !r.GetFixed32(op)) return false;
  for (int i = 0; i < count; ++i)
    if (!r.GetFixed16(&o[i])) return false;
  return true;
}

bool Decoder::LiteralString(size_t offset, std::string_view* out) {
  if (offset >= literals_.size()) return false;
  const std::string_view rest(reinterpret_cast<const char*>(literals_.data()) + offset,
                              literals_.size() - offset);
  const size_t zero = rest.find('\0');
  if (zero == std::string_view::npos) return false;
  *out = rest.substr(0, zero);
  return true;
}

// The word for a constant's kind in messages about its size.
const char* ConstKindWord(const ConstTypeInfo& t) {
  switch (t.form) {
    case ConstForm::kBoolean:
      return "boolean";
    case ConstForm::kUnsigned:
      return "word";
    case ConstForm::kFloat:
      return "float";
    default:
      return t.size == 2 ? "smallint" : t.size == 4 ? "integer" : "large integer";
  }
}

int Decoder::DecodeConstant(size_t offset, const uint16_t* o) {
  const uint16_t type = o[0], size = o[1], at = o[2];
  Node n;
  n.kind = Kind::kConst;
  n.cost = 0;
  if (size_t{at} + size > literals_.size())
    return Fail(offset, "constant data outside the literal area");
  if (size == 0) return Add(std::move(n));  // null
  const ConstTypeInfo* t = FindConstType(type);
  if (t == nullptr || t->form == ConstForm::kNone)
    return Fail(offset, "constant of unknown type code " + std::to_string(type));
  if (t->form != ConstForm::kText && size != t->size)
    return Fail(offset,
                std::string(ConstKindWord(*t)) + " constant of size " + std::to_string(size));
  const uint8_t* p = literals_.data() + at;
  Value& v = n.constant;
  switch (t->form) {
    case ConstForm::kText:
      if (p[size - 1] != 0) return Fail(offset, "string constant without its zero byte");
      n.storage.assign(reinterpret_cast<const char*>(p), size - 1u);
      v.kind = Value::Kind::kText;
      break;
    case ConstForm::kBoolean:
      v.kind = Value::Kind::kInt;
      v.i = coding::DecodeUInt(p, size) != 0;
      break;
    case ConstForm::kSigned:
      v.kind = Value::Kind::kInt;
      v.i = coding::SignExtend(coding::DecodeUInt(p, size), size);
      break;
    case ConstForm::kUnsigned:
      v.kind = Value::Kind::kInt;
      v.i = static_cast<int64_t>(coding::DecodeUInt(p, size));
      break;
    case ConstForm::kFloat:
      v.kind = Value::Kind::kFloat;
      v.f = std::bit_cast<double>(coding::DecodeUInt(p, size));
      break;
    case ConstForm::kNone:
      break;
  }
  // The text of a string constant is read from `storage` (Node moves would
  // leave a view behind).
  return Add(std::move(n));
}

int Decoder::DecodeList(size_t first, int depth, std::vector<int>* kids) {
  size_t at = first;
  for (;;) {
    if (budget_ == 0) return Fail(at, "more nodes reached than the node area holds (a cycle)");
    --budget_;
    uint16_t o[2];
    uint32_t cls = 0, op = 0;
    if (!Operands(at, 2, o, &cls, &op)) return Fail(at, "list element runs past the node area");
    if (cls != NodeClass::kListElem || op != FilterOp::kListElem)
      return Fail(at, "list element expected");
    const int k = Decode(o[0], depth + 1);
    if (k < 0) return -1;
    kids->push_back(k);
    if (o[1] == 0) return 0;
    at = o[1];
  }
}

int Decoder::Decode(size_t offset, int depth) {
  if (depth > kMaxDepth) return Fail(offset, "nodes nested too deeply");
  if (budget_ == 0) return Fail(offset, "more nodes reached than the node area holds (a cycle)");
  --budget_;
  uint32_t cls = 0, op = 0;
  uint16_t o[kFilterMaxOperands] = {};
  if (!Operands(offset, 0, o, &cls, &op)) return Fail(offset, "node runs past the node area");
  const int operands = FilterOperandCount(cls);
  if (operands == 0) return Fail(offset, "unknown node class " + std::to_string(cls));
  if (!Operands(offset, operands, o, &cls, &op))
    return Fail(offset, "node runs past the node area");
  auto bad_op = [&] {
    return Fail(offset, "operator " + std::to_string(op) + " in node class " + std::to_string(cls));
  };
  Node n;
  n.op = static_cast<int>(op);
  switch (cls) {
    case NodeClass::kUnary: {
      if (op == FilterOp::kIsBlank)
        n.kind = Kind::kIsNull;
      else if (op == FilterOp::kNotBlank)
        n.kind = Kind::kNotNull;
      else if (op == FilterOp::kNot)
        n.kind = Kind::kNot;
      else
        return bad_op();
      const int k = Decode(o[0], depth + 1);
      if (k < 0) return -1;
      n.kids = {k};
      n.cost = out_[k].cost + 1;
      return Add(std::move(n));
    }
    case NodeClass::kBinary: {
      if (op >= FilterOp::kEqual && op <= FilterOp::kLessOrEqual)
        n.kind = Kind::kCompare;
      else if (op == FilterOp::kAnd)
        n.kind = Kind::kAnd;
      else if (op == FilterOp::kOr)
        n.kind = Kind::kOr;
      else if (op >= FilterOp::kAdd && op <= FilterOp::kDivide)
        n.kind = Kind::kArith;
      else if (op == FilterOp::kLike)
        n.kind = Kind::kText;
      else if (op == FilterOp::kIn)
        n.kind = Kind::kIn;
      else
        return bad_op();
      const int a = Decode(o[0], depth + 1);
      if (a < 0) return -1;
      n.kids.push_back(a);
      if (n.kind == Kind::kIn) {
        if (DecodeList(o[1], depth + 1, &n.kids) < 0) return -1;
      } else {
        const int b = Decode(o[1], depth + 1);
        if (b < 0) return -1;
        n.kids.push_back(b);
      }
      if (n.kind == Kind::kText) {
        // Binary LIKE: case-sensitive, against a constant pattern.
        const Node& pat = out_[n.kids[1]];
        if (pat.kind != Kind::kConst || pat.constant.kind != Value::Kind::kText) {
          n.kind = Kind::kCompare;  // evaluated as a comparison that is never true
          n.op = FilterOp::kNotDefined;
        } else {
          n.pattern = filter::TextPattern(std::string_view(pat.storage), true, false);
          n.kids.pop_back();
        }
      }
      // AND and OR flatten into one node over all their parts.
      if (n.kind == Kind::kAnd || n.kind == Kind::kOr) {
        std::vector<int> flat;
        for (int k : n.kids) {
          if (out_[k].kind == n.kind)
            flat.insert(flat.end(), out_[k].kids.begin(), out_[k].kids.end());
          else
            flat.push_back(k);
        }
        // Cheap parts first: AND and OR have no side effects, so the order
        // of their parts changes only the time they take.
        std::stable_sort(flat.begin(), flat.end(),
                         [&](int a, int b) { return out_[a].cost < out_[b].cost; });
        n.kids = std::move(flat);
      }
      n.cost = 1;
      for (int k : n.kids) n.cost += out_[k].cost;
      return Add(std::move(n));
    }
    case NodeClass::kCompare: {
      if (op != FilterOp::kEqual && op != FilterOp::kNotEqual && op != FilterOp::kLike)
        return bad_op();
      if (o[0] > 1) return Fail(offset, "case flag " + std::to_string(o[0]));
      const int f = Decode(o[2], depth + 1);
      if (f < 0) return -1;
      const int s = Decode(o[3], depth + 1);
      if (s < 0) return -1;
      const Node& pat = out_[s];
      if (pat.kind != Kind::kConst || pat.constant.kind != Value::Kind::kText)
        return Fail(offset, "compare node without a string constant");
      n.kind = Kind::kText;
      n.kids = {f};
      n.fold = o[0] == 1;
      n.partial = o[1];
      std::string_view text = pat.storage;
      if (n.partial > 0 && text.size() > n.partial) text = text.substr(0, n.partial);
      n.pattern = filter::TextPattern(text, op == FilterOp::kLike, n.fold);
      n.cost = out_[f].cost + 2;
      return Add(std::move(n));
    }
    case NodeClass::kField: {
      if (op != FilterOp::kField) return bad_op();
      if (o[0] == 0 || o[0] > data_.field_count())
        return Fail(offset, "field number " + std::to_string(o[0]) + " (the table has " +
                                std::to_string(data_.field_count()) + " fields)");
      std::string_view name;
      if (!LiteralString(o[1], &name)) return Fail(offset, "field name outside the literal area");
      const FieldDef& def = data_.fields[o[0] - 1u];
      if (def.type & kTypeArray) return Fail(offset, "array field " + def.name);
      n.kind = Kind::kField;
      n.field = o[0] - 1;
      n.base = def.base();
      n.cost = (n.base == kBaseBytes) ? 50 : (n.base == kBaseString ? 4 : 1);
      return Add(std::move(n));
    }
    case NodeClass::kConst:
      if (op != FilterOp::kConst) return bad_op();
      return DecodeConstant(offset, o);
    case NodeClass::kFunc: {
      if (op != FilterOp::kFunc) return bad_op();
      std::string_view name;
      if (!LiteralString(o[0], &name))
        return Fail(offset, "function name outside the literal area");
      const std::string upper = UpperAscii(name);
      if (upper != "UPPER" && upper != "LOWER" && upper != "TRIM" && upper != "TRIMLEFT" &&
          upper != "TRIMRIGHT" && upper != "SUBSTRING")
        return Fail(offset, "function " + upper + " is not supported in filters");
      n.kind = Kind::kFunc;
      n.func = upper;
      if (o[1] != 0 && DecodeList(o[1], depth + 1, &n.kids) < 0) return -1;
      n.cost = 10;
      for (int k : n.kids) n.cost += out_[k].cost;
      return Add(std::move(n));
    }
    default:
      return Fail(offset, "list element where an expression is expected");
  }
}

}  // namespace

DBResult FilterProgram::Decode(std::span<const uint8_t> block, const TableData& data,
                               std::unique_ptr<FilterProgram>* out, std::string* error) {
  auto fail = [&](const std::string& text) {
    if (error) *error = text;
    return kDBBadFilter;
  };
  coding::ByteReader r(block);
  uint16_t version = 0, total = 0, count = 0, node_start = 0, lit_start = 0;
  if (!r.GetFixed16(&version) || !r.GetFixed16(&total) || !r.GetFixed16(&count) ||
      !r.GetFixed16(&node_start) || !r.GetFixed16(&lit_start))
    return fail("Bad filter block: " + std::to_string(block.size()) + " bytes, shorter than its " +
                std::to_string(kFilterHeaderSize) + "-byte header");
  if (version != kFilterVersion)
    return fail("Bad filter block: version " + std::to_string(version) + ", not " +
                std::to_string(kFilterVersion));
  if (total != block.size())
    return fail("Bad filter block: header says " + std::to_string(total) + " bytes, block has " +
                std::to_string(block.size()));
  if (node_start != kFilterHeaderSize)
    return fail("Bad filter block: node area starts at " + std::to_string(node_start));
  if (lit_start < node_start + kFilterNodeHeadSize || lit_start > total)
    return fail("Bad filter block: literal area starts at " + std::to_string(lit_start));
  Decoder d(block.subspan(node_start, lit_start - node_start), block.subspan(lit_start), data);
  const int root = d.Decode(0, 0);
  if (root < 0) return fail(d.error_);
  // The root goes first: evaluation starts at node 0.
  std::vector<Node> nodes = std::move(d.out_);
  const int last = static_cast<int>(nodes.size()) - 1;
  if (root != last) return fail("Bad filter block: root decoded out of order");
  // Renumber so the root is 0: reverse the array and mirror the indexes.
  std::vector<Node> ordered;
  ordered.reserve(nodes.size());
  for (int i = last; i >= 0; --i) {
    Node n = std::move(nodes[i]);
    for (int& k : n.kids) k = last - k;
    ordered.push_back(std::move(n));
  }
  *out = std::make_unique<Program>(std::move(ordered));
  return kDBOk;
}

}  // namespace engine
