// Listing of compiled filter blocks (see filter_listing.h).
#include "store/filter_listing.h"

#include <bit>
#include <cstdio>
#include <span>
#include <string_view>

#include "engine/coding.h"
#include "store/expr_node.h"

namespace store {

namespace {

const char* OperatorName(uint32_t op) {
  switch (op) {
    case FilterOp::kIsBlank:
      return "isnull";
    case FilterOp::kNotBlank:
      return "notnull";
    case FilterOp::kEqual:
      return "=";
    case FilterOp::kNotEqual:
      return "<>";
    case FilterOp::kGreater:
      return ">";
    case FilterOp::kLess:
      return "<";
    case FilterOp::kGreaterOrEqual:
      return ">=";
    case FilterOp::kLessOrEqual:
      return "<=";
    case FilterOp::kNot:
      return "not";
    case FilterOp::kAnd:
      return "and";
    case FilterOp::kOr:
      return "or";
    case FilterOp::kAdd:
      return "+";
    case FilterOp::kSubtract:
      return "-";
    case FilterOp::kMultiply:
      return "*";
    case FilterOp::kDivide:
      return "/";
    case FilterOp::kLike:
      return "like";
    case FilterOp::kIn:
      return "in";
    default:
      return "?";
  }
}

int OperandCount(uint32_t node_class) {
  switch (node_class) {
    case NodeClass::kUnary:
      return 1;
    case NodeClass::kBinary:
      return 2;
    case NodeClass::kCompare:
      return 4;
    case NodeClass::kField:
      return 2;
    case NodeClass::kConst:
      return 3;
    case NodeClass::kFunc:
      return 2;
    case NodeClass::kListElem:
      return 2;
    default:
      return -1;
  }
}

std::string Quoted(std::string_view s) {
  std::string out = "'";
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", u);
      out += buf;
    } else {
      out.push_back(c);
    }
  }
  return out + "'";
}

// The zero-terminated string at `offset` of the literal area, or nullopt-ish.
bool LiteralString(std::span<const uint8_t> lits, size_t offset, std::string_view* out) {
  if (offset >= lits.size()) return false;
  const auto* begin = reinterpret_cast<const char*>(lits.data()) + offset;
  const std::string_view rest(begin, lits.size() - offset);
  const size_t zero = rest.find('\0');
  if (zero == std::string_view::npos) return false;
  *out = rest.substr(0, zero);
  return true;
}

std::string ConstantText(std::span<const uint8_t> lits, uint16_t type, uint16_t size,
                         uint16_t offset) {
  if (size == 0) return "NULL";
  if (size_t{offset} + size > lits.size()) return "<data outside the block>";
  const uint8_t* p = lits.data() + offset;
  char buf[64];
  switch (type) {
    case 1:
      return Quoted(std::string_view(reinterpret_cast<const char*>(p), size - 1u));
    case 4:
      return engine::coding::DecodeUInt(p, size < 2 ? size : 2) ? "true" : "false";
    case 5:
      if (size != 2) break;
      return std::to_string(engine::coding::SignExtend(engine::coding::DecodeUInt(p, 2), 2));
    case 12:
      if (size != 2) break;
      return std::to_string(engine::coding::DecodeUInt(p, 2));
    case 2:
    case 6:
    case 10:
      if (size != 4) break;
      return std::to_string(engine::coding::SignExtend(engine::coding::DecodeUInt(p, 4), 4));
    case 7:
    case 8:
    case 11:
    case 24:
    case 25:
      if (size != 8) break;
      std::snprintf(buf, sizeof buf, "%.17g",
                    std::bit_cast<double>(engine::coding::DecodeUInt(p, 8)));
      return buf;
    default:
      break;
  }
  std::string hex = "0x";
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(buf, sizeof buf, "%02x", p[i]);
    hex += buf;
  }
  return hex;
}

const char* TypeName(uint16_t type) {
  switch (type) {
    case 0:
      return "unknown";
    case 1:
      return "string";
    case 2:
      return "date";
    case 3:
      return "blob";
    case 4:
      return "boolean";
    case 5:
      return "smallint";
    case 6:
      return "integer";
    case 7:
      return "float";
    case 8:
      return "bcd";
    case 10:
      return "time";
    case 11:
      return "datetime";
    case 12:
      return "word";
    case 24:
      return "timestamp";
    case 25:
      return "fmtbcd";
    default:
      return "type";
  }
}

}  // namespace

std::vector<std::string> ListFilterBlock(const std::vector<uint8_t>& block) {
  std::vector<std::string> lines;
  engine::coding::ByteReader header(block);
  uint16_t version = 0, total = 0, count = 0, node_start = 0, lit_start = 0;
  if (!header.GetFixed16(&version) || !header.GetFixed16(&total) || !header.GetFixed16(&count) ||
      !header.GetFixed16(&node_start) || !header.GetFixed16(&lit_start)) {
    lines.push_back("<block shorter than its 10-byte header>");
    return lines;
  }
  if (node_start > lit_start || lit_start > block.size()) {
    lines.push_back("<node or literal area outside the block>");
    return lines;
  }
  const std::span<const uint8_t> all(block);
  const auto nodes = all.subspan(node_start, lit_start - node_start);
  const auto lits = all.subspan(lit_start);
  engine::coding::ByteReader r(nodes);
  while (!r.at_end()) {
    const size_t at = r.pos();
    uint32_t cls = 0, op = 0;
    if (!r.GetFixed32(&cls) || !r.GetFixed32(&op)) {
      lines.push_back(std::to_string(at) + " <truncated node>");
      break;
    }
    const int n = OperandCount(cls);
    if (n < 0) {
      lines.push_back(std::to_string(at) + " <unknown node class " + std::to_string(cls) + ">");
      break;
    }
    uint16_t o[4] = {};
    bool ok = true;
    for (int i = 0; i < n; ++i) ok = ok && r.GetFixed16(&o[i]);
    if (!ok) {
      lines.push_back(std::to_string(at) + " <truncated node>");
      break;
    }
    std::string line = std::to_string(at) + " ";
    std::string_view name;
    switch (cls) {
      case NodeClass::kUnary:
        line += std::string("unary ") + OperatorName(op) + " " + std::to_string(o[0]);
        break;
      case NodeClass::kBinary:
        line += std::string("binary ") + OperatorName(op) + " " + std::to_string(o[0]) + " " +
                std::to_string(o[1]);
        break;
      case NodeClass::kCompare:
        line += std::string("compare ") + OperatorName(op) + " case " + std::to_string(o[0]) +
                " partial " + std::to_string(o[1]) + " " + std::to_string(o[2]) + " " +
                std::to_string(o[3]);
        break;
      case NodeClass::kField:
        line += "field " + std::to_string(o[0]) + " " +
                (LiteralString(lits, o[1], &name) ? Quoted(name) : "<name outside the block>");
        break;
      case NodeClass::kConst:
        line += std::string("const ") + TypeName(o[0]) + " " + ConstantText(lits, o[0], o[1], o[2]);
        break;
      case NodeClass::kFunc:
        line += "function " +
                (LiteralString(lits, o[0], &name) ? Quoted(name) : "<name outside the block>") +
                " " + std::to_string(o[1]);
        break;
      case NodeClass::kListElem:
        line += "element " + std::to_string(o[0]) + " " + std::to_string(o[1]);
        break;
    }
    lines.push_back(line);
  }
  return lines;
}

std::string FilterBlockSummary(const std::vector<uint8_t>& block) {
  std::string out;
  for (const std::string& line : ListFilterBlock(block)) {
    if (!out.empty()) out += " | ";
    out += line;
  }
  return out;
}

std::string FilterBlockHex(const std::vector<uint8_t>& block) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(block.size() * 2);
  for (uint8_t b : block) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

}  // namespace store
