// Evaluation of decoded filters (see filter_eval.h for the node kinds and the
// null semantics).
//
// Sections: text patterns; values and comparison; row evaluation; selecting
// many rows at once.
// Must stay true: every heap read is checked against the heap's size and
// every "unchanged" chain is followed at most row_count steps.
#include "engine/filter_eval.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <optional>
#include <thread>

#include "engine/filter_block.h"
#include "engine/filter_cache.h"
#include "engine/simd.h"
#include "engine/text_fold.h"
#include "engine/word_index.h"
#include "platform/run_both.h"

namespace engine::filter {

// ---------------------------------------------------------------------------
// Text patterns

namespace {

// Rough frequency of bytes in article text: the scan looks for the rarest
// byte of a segment so that it stops as seldom as possible.
constexpr std::array<uint8_t, 256> MakeFrequency() {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = 2;
  const char* common = "etaoinsrhldcumfpgwybvkxjqz";  // most common first
  for (int i = 0; common[i]; ++i) {
    t[static_cast<uint8_t>(common[i])] = static_cast<uint8_t>(200 - 7 * i);
    t[static_cast<uint8_t>(common[i] - 32)] = static_cast<uint8_t>(200 - 7 * i);
  }
  t[' '] = 255;
  for (int c = '0'; c <= '9'; ++c) t[c] = 20;
  t['e'] = t['E'] = 210;
  return t;
}
constexpr std::array<uint8_t, 256> kFrequency = MakeFrequency();

}  // namespace

TextPattern::Segment TextPattern::MakeSegment(std::string_view s) const {
  Segment seg;
  seg.bytes.assign(s.begin(), s.end());
  for (char& c : seg.bytes) c = static_cast<char>((*fold_)[static_cast<uint8_t>(c)]);
  seg.key = std::string::npos;
  int best = 1000;
  for (size_t i = 0; i < seg.bytes.size(); ++i) {
    const auto b = static_cast<uint8_t>(seg.bytes[i]);
    if (like_ && b == '_') continue;
    if (kFrequency[b] < best) {
      best = kFrequency[b];
      seg.key = i;
    }
  }
  seg.key2 = std::string::npos;
  if (seg.key != std::string::npos) {
    const bool folding = fold_ == &FoldTable();
    seg.key_a = static_cast<uint8_t>(seg.bytes[seg.key]);
    seg.key_b = folding ? UpperTable()[seg.key_a] : seg.key_a;
    // The second byte: the non-wildcard one farthest from the first.
    size_t best_distance = 0;
    for (size_t i = 0; i < seg.bytes.size(); ++i) {
      if (like_ && seg.bytes[i] == '_') continue;
      const size_t d = i > seg.key ? i - seg.key : seg.key - i;
      if (d > best_distance) {
        best_distance = d;
        seg.key2 = i;
      }
    }
    if (seg.key2 != std::string::npos) {
      seg.key2_a = static_cast<uint8_t>(seg.bytes[seg.key2]);
      seg.key2_b = folding ? UpperTable()[seg.key2_a] : seg.key2_a;
    }
  }
  return seg;
}

TextPattern::TextPattern(std::string_view pattern, bool like, bool fold)
    : fold_(fold ? &FoldTable() : &IdentityTable()), like_(like) {
  if (like) {
    std::string run;
    for (const char ch : pattern) {
      const auto b = static_cast<uint8_t>(ch);
      if (b != '%' && b != '_' && IsWordByte(b)) {
        run.push_back(static_cast<char>(FoldTable()[b]));
      } else if (!run.empty()) {
        runs_.push_back(std::move(run));
        run.clear();
      }
    }
    if (!run.empty()) runs_.push_back(std::move(run));
    // One run filling everything between a leading and a trailing "%"
    // means every byte there is a word byte.
    const size_t b = pattern.find_first_not_of('%'), e = pattern.find_last_not_of('%');
    runs_decide_ = fold && runs_.size() == 1 && b != std::string_view::npos && b > 0 &&
                   e + 1 < pattern.size() && runs_[0].size() == e - b + 1;
  }
  has_percent_ = like && pattern.find('%') != std::string_view::npos;
  if (!has_percent_) {
    first_ = MakeSegment(pattern);
    return;
  }
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t p = pattern.find('%', start);
    if (p == std::string_view::npos) {
      parts.push_back(pattern.substr(start));
      break;
    }
    parts.push_back(pattern.substr(start, p - start));
    start = p + 1;
  }
  first_ = MakeSegment(parts.front());
  last_ = MakeSegment(parts.back());
  for (size_t i = 1; i + 1 < parts.size(); ++i)
    if (!parts[i].empty()) middle_.push_back(MakeSegment(parts[i]));
}

bool TextPattern::At(std::string_view text, size_t pos, const Segment& seg) const {
  const size_t n = seg.bytes.size();
  if (pos > text.size() || text.size() - pos < n) return false;
  const auto& fold = *fold_;
  for (size_t i = 0; i < n; ++i) {
    const auto p = static_cast<uint8_t>(seg.bytes[i]);
    if (like_ && p == '_') continue;
    if (fold[static_cast<uint8_t>(text[pos + i])] != p) return false;
  }
  return true;
}

size_t TextPattern::Find(std::string_view text, size_t from, size_t limit,
                         const Segment& seg) const {
  const size_t n = seg.bytes.size();
  if (limit < from || limit - from < n) return std::string_view::npos;
  if (seg.key == std::string::npos) return from;  // only "_": any place fits
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  // Start positions p run over [from, end); the key byte of a start sits at
  // p + key, which stays inside the text for every p < end.
  const size_t end = limit - n + 1;
  const size_t k = seg.key, k2 = seg.key2;
  const bool pair = k2 != std::string::npos;
  auto candidate = [&](size_t p) {
    if (pair) {
      const uint8_t y = s[p + k2];
      if (y != seg.key2_a && y != seg.key2_b) return false;
    }
    return At(text, p, seg);
  };
  size_t p = from;
#if VR_USE_SSE2
  // 32 start positions per step: the key byte in either case marks the
  // candidates, which are then checked one by one without leaving the loop.
  const __m128i va = _mm_set1_epi8(static_cast<char>(seg.key_a));
  const __m128i vb = _mm_set1_epi8(static_cast<char>(seg.key_b));
  auto hits = [&](size_t at) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at + k));
    return static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb))));
  };
  for (; p + 32 <= end; p += 32) {
    uint32_t m = hits(p) | (hits(p + 16) << 16);
    while (m) {
      const size_t at = p + static_cast<size_t>(__builtin_ctz(m));
      if (candidate(at)) return at;
      m &= m - 1;
    }
  }
  if (end - p >= 16 && end >= 16) {
    uint32_t m = hits(p);
    while (m) {
      const size_t at = p + static_cast<size_t>(__builtin_ctz(m));
      if (candidate(at)) return at;
      m &= m - 1;
    }
    p += 16;
  }
#endif
  for (; p < end; ++p) {
    const uint8_t x = s[p + k];
    if ((x == seg.key_a || x == seg.key_b) && candidate(p)) return p;
  }
  return std::string_view::npos;
}

bool TextPattern::Matches(std::string_view text) const {
  if (!has_percent_) return text.size() == first_.bytes.size() && At(text, 0, first_);
  const size_t head = first_.bytes.size(), tail = last_.bytes.size();
  if (text.size() < head + tail) return false;
  if (!At(text, 0, first_) || !At(text, text.size() - tail, last_)) return false;
  size_t pos = head;
  const size_t limit = text.size() - tail;
  for (const Segment& seg : middle_) {
    const size_t at = Find(text, pos, limit, seg);
    if (at == std::string_view::npos) return false;
    pos = at + seg.bytes.size();
  }
  return true;
}

std::vector<std::pair<size_t, size_t>> TextPattern::FindAll(std::string_view text) const {
  std::vector<std::pair<size_t, size_t>> found;
  auto every_place = [&](const Segment& seg) {
    const size_t n = seg.bytes.size();
    if (n == 0 || seg.key == std::string::npos) return;
    for (size_t from = 0;;) {
      const size_t at = Find(text, from, text.size(), seg);
      if (at == std::string_view::npos) break;
      found.emplace_back(at, n);
      from = at + n;
    }
  };
  every_place(first_);
  if (has_percent_) {
    for (const Segment& seg : middle_) every_place(seg);
    every_place(last_);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::pair<size_t, size_t>> joined;
  for (const auto& [start, length] : found) {
    if (!joined.empty() && start < joined.back().first + joined.back().second) {
      joined.back().second = std::max(joined.back().second, start + length - joined.back().first);
    } else {
      joined.emplace_back(start, length);
    }
  }
  return joined;
}

// ---------------------------------------------------------------------------
// Values and comparison

namespace {

bool TextToNumber(std::string_view s, double* out) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  return ec == std::errc() && end == s.data() + s.size();
}

std::string NumberText(const Value& v) {
  if (v.kind == Value::Kind::kInt) return std::to_string(v.i);
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v.f);
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

Value TextValue(std::string s) {
  Value v;
  v.kind = Value::Kind::kText;
  v.owned = std::move(s);
  if (v.owned.empty()) v.text = {};
  return v;
}

Tri Truth(const Value& v) {
  switch (v.kind) {
    case Value::Kind::kNull:
      return Tri::kUnknown;
    case Value::Kind::kInt:
      return v.i != 0 ? Tri::kTrue : Tri::kFalse;
    case Value::Kind::kFloat:
      return v.f != 0 ? Tri::kTrue : Tri::kFalse;
    case Value::Kind::kText:
      return Tri::kUnknown;
  }
  return Tri::kUnknown;
}

Tri FromCompare(int op, int c) {
  if (c == 2) return Tri::kUnknown;
  bool r = false;
  switch (op) {
    case FilterOp::kEqual:
      r = c == 0;
      break;
    case FilterOp::kNotEqual:
      r = c != 0;
      break;
    case FilterOp::kGreater:
      r = c > 0;
      break;
    case FilterOp::kLess:
      r = c < 0;
      break;
    case FilterOp::kGreaterOrEqual:
      r = c >= 0;
      break;
    case FilterOp::kLessOrEqual:
      r = c <= 0;
      break;
    default:
      return Tri::kUnknown;
  }
  return r ? Tri::kTrue : Tri::kFalse;
}

}  // namespace

int CompareValues(const Value& a, const Value& b) {
  using K = Value::Kind;
  if (a.kind == K::kNull || b.kind == K::kNull) return 2;
  if (a.kind == K::kText && b.kind == K::kText) {
    const int c = a.Text().compare(b.Text());
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  if (a.kind == K::kInt && b.kind == K::kInt) return a.i < b.i ? -1 : a.i > b.i ? 1 : 0;
  double x = 0, y = 0;
  if (a.kind == K::kText) {
    if (!TextToNumber(a.Text(), &x)) return 2;
  } else {
    x = a.kind == K::kInt ? static_cast<double>(a.i) : a.f;
  }
  if (b.kind == K::kText) {
    if (!TextToNumber(b.Text(), &y)) return 2;
  } else {
    y = b.kind == K::kInt ? static_cast<double>(b.i) : b.f;
  }
  if (std::isnan(x) || std::isnan(y)) return 2;
  return x < y ? -1 : x > y ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Row evaluation

const Cell* Evaluator::ResolveChain(uint32_t row, int field) const {
  const size_t rows = data_.row_count();
  const Cell* c = &data_.cell(row, static_cast<size_t>(field));
  for (size_t steps = 0; c->blank == kUnchanged; ++steps) {
    if (steps >= rows || row >= replaces_.size() || replaces_[row] == 0 || replaces_[row] > rows)
      return nullptr;
    row = replaces_[row] - 1;
    c = &data_.cell(row, static_cast<size_t>(field));
  }
  return c->blank == kValue ? c : nullptr;
}

Value Evaluator::FieldValue(const Node& n, uint32_t row) const {
  Value v;
  const Cell* c = Resolve(row, n.field);
  if (!c) return v;
  switch (n.base) {
    case kBaseString:
    case kBaseBytes:
      if (c->data > data_.heap.size() || data_.heap.size() - c->data < c->len) return v;
      v.kind = Value::Kind::kText;
      v.text = std::string_view(data_.heap).substr(c->data, c->len);
      return v;
    case kBaseFloat:
    case kBaseDateTime:
      v.kind = Value::Kind::kFloat;
      v.f = std::bit_cast<double>(c->data);
      return v;
    case kBaseBool:
      v.kind = Value::Kind::kInt;
      v.i = c->data != 0 ? 1 : 0;
      return v;
    default:
      v.kind = Value::Kind::kInt;
      v.i = static_cast<int64_t>(c->data);
      return v;
  }
}

Tri Evaluator::TestText(const Node& n, uint32_t row) const {
  const Node& subject = nodes_[n.kids[0]];
  if (subject.kind == Kind::kField && (subject.base == kBaseString || subject.base == kBaseBytes)) {
    // The search's own case: the field's bytes straight from the heap.
    const Cell* c = Resolve(row, subject.field);
    if (!c) return Tri::kUnknown;
    if (c->data > data_.heap.size() || data_.heap.size() - c->data < c->len) return Tri::kUnknown;
    std::string_view text(data_.heap.data() + c->data, c->len);
    if (n.partial > 0 && text.size() > n.partial) text = text.substr(0, n.partial);
    return n.pattern.Matches(text) == (n.op != FilterOp::kNotEqual) ? Tri::kTrue : Tri::kFalse;
  }
  Value v = subject.kind == Kind::kField ? FieldValue(subject, row) : Eval(n.kids[0], row);
  if (v.kind == Value::Kind::kNull) return Tri::kUnknown;
  std::string number;
  std::string_view text;
  if (v.kind == Value::Kind::kText) {
    text = v.Text();
  } else {
    number = NumberText(v);
    text = number;
  }
  if (n.partial > 0 && text.size() > n.partial) text = text.substr(0, n.partial);
  const bool match = n.pattern.Matches(text);
  if (n.op == FilterOp::kNotEqual) return match ? Tri::kFalse : Tri::kTrue;
  return match ? Tri::kTrue : Tri::kFalse;
}

Value Evaluator::EvalFunc(const Node& n, uint32_t row) const {
  std::vector<Value> args;
  for (int k : n.kids) args.push_back(Eval(k, row));
  if (args.empty() || args[0].kind == Value::Kind::kNull) return Value();
  std::string s =
      args[0].kind == Value::Kind::kText ? std::string(args[0].Text()) : NumberText(args[0]);
  if (n.func == "UPPER") {
    for (char& c : s) c = static_cast<char>(UpperTable()[static_cast<uint8_t>(c)]);
  } else if (n.func == "LOWER") {
    for (char& c : s) c = static_cast<char>(FoldTable()[static_cast<uint8_t>(c)]);
  } else if (n.func == "TRIM" || n.func == "TRIMLEFT" || n.func == "TRIMRIGHT") {
    size_t b = 0, e = s.size();
    if (n.func != "TRIMRIGHT")
      while (b < e && s[b] == ' ') ++b;
    if (n.func != "TRIMLEFT")
      while (e > b && s[e - 1] == ' ') --e;
    s = s.substr(b, e - b);
  } else if (n.func == "SUBSTRING") {
    // SUBSTRING(text, start[, length]) with a 1-based start.
    if (args.size() < 2) return Value();
    double start = 0, length = static_cast<double>(s.size());
    Value zero;
    zero.kind = Value::Kind::kInt;
    if (CompareValues(args[1], zero) == 2) return Value();
    start = args[1].kind == Value::Kind::kInt ? static_cast<double>(args[1].i) : args[1].f;
    if (args.size() > 2) {
      if (CompareValues(args[2], zero) == 2) return Value();
      length = args[2].kind == Value::Kind::kInt ? static_cast<double>(args[2].i) : args[2].f;
    }
    if (!(start >= 1)) start = 1;
    if (!(length >= 0)) length = 0;
    const size_t b =
        start > static_cast<double>(s.size()) ? s.size() : static_cast<size_t>(start) - 1;
    const size_t len =
        std::min(static_cast<double>(s.size() - b), length) < 0
            ? 0
            : static_cast<size_t>(std::min(static_cast<double>(s.size() - b), length));
    s = s.substr(b, len);
  }
  return TextValue(std::move(s));
}

Value Evaluator::Eval(int index, uint32_t row) const {
  const Node& n = nodes_[index];
  switch (n.kind) {
    case Kind::kConst: {
      Value v;
      v.kind = n.constant.kind;
      v.i = n.constant.i;
      v.f = n.constant.f;
      if (v.kind == Value::Kind::kText) v.text = n.storage;
      return v;
    }
    case Kind::kField:
      return FieldValue(n, row);
    case Kind::kFunc:
      return EvalFunc(n, row);
    case Kind::kArith: {
      const Value a = Eval(n.kids[0], row), b = Eval(n.kids[1], row);
      using K = Value::Kind;
      if (a.kind == K::kNull || b.kind == K::kNull) return Value();
      if (a.kind == K::kText && b.kind == K::kText) {
        if (n.op != FilterOp::kAdd) return Value();
        return TextValue(std::string(a.Text()) + std::string(b.Text()));
      }
      if (a.kind == K::kText || b.kind == K::kText) return Value();
      Value v;
      if (a.kind == K::kInt && b.kind == K::kInt && n.op != FilterOp::kDivide) {
        v.kind = K::kInt;
        // Wrapping arithmetic: no undefined behaviour on overflow.
        const auto x = static_cast<uint64_t>(a.i), y = static_cast<uint64_t>(b.i);
        v.i = static_cast<int64_t>(n.op == FilterOp::kAdd        ? x + y
                                   : n.op == FilterOp::kSubtract ? x - y
                                                                 : x * y);
        return v;
      }
      const double x = a.kind == K::kInt ? static_cast<double>(a.i) : a.f;
      const double y = b.kind == K::kInt ? static_cast<double>(b.i) : b.f;
      v.kind = K::kFloat;
      switch (n.op) {
        case FilterOp::kAdd:
          v.f = x + y;
          break;
        case FilterOp::kSubtract:
          v.f = x - y;
          break;
        case FilterOp::kMultiply:
          v.f = x * y;
          break;
        default:
          if (y == 0) return Value();
          v.f = x / y;
      }
      return v;
    }
    default: {
      const Tri t = Test(index, row);
      Value v;
      if (t == Tri::kUnknown) return v;
      v.kind = Value::Kind::kInt;
      v.i = t == Tri::kTrue;
      return v;
    }
  }
}

Tri Evaluator::Test(int index, uint32_t row) const {
  const Node& n = nodes_[index];
  switch (n.kind) {
    case Kind::kIsNull:
    case Kind::kNotNull: {
      const Node& k = nodes_[n.kids[0]];
      const bool null = k.kind == Kind::kField ? Resolve(row, k.field) == nullptr
                                               : Eval(n.kids[0], row).kind == Value::Kind::kNull;
      return (null == (n.kind == Kind::kIsNull)) ? Tri::kTrue : Tri::kFalse;
    }
    case Kind::kNot: {
      const Tri t = Test(n.kids[0], row);
      return t == Tri::kUnknown ? t : t == Tri::kTrue ? Tri::kFalse : Tri::kTrue;
    }
    case Kind::kAnd: {
      Tri r = Tri::kTrue;
      for (int k : n.kids) {
        const Tri t = Test(k, row);
        if (t == Tri::kFalse) return t;
        if (t == Tri::kUnknown) r = t;
      }
      return r;
    }
    case Kind::kOr: {
      Tri r = Tri::kFalse;
      for (int k : n.kids) {
        const Tri t = Test(k, row);
        if (t == Tri::kTrue) return t;
        if (t == Tri::kUnknown) r = t;
      }
      return r;
    }
    case Kind::kCompare: {
      const Node& a = nodes_[n.kids[0]];
      const Node& b = nodes_[n.kids[1]];
      if (a.kind == Kind::kField && b.kind == Kind::kConst &&
          b.constant.kind == Value::Kind::kInt && a.base != kBaseString && a.base != kBaseBytes &&
          a.base != kBaseFloat && a.base != kBaseDateTime) {
        // The common integer condition without building values.
        const Cell* c = Resolve(row, a.field);
        if (!c) return Tri::kUnknown;
        const int64_t x = a.base == kBaseBool ? (c->data != 0) : static_cast<int64_t>(c->data);
        const int64_t y = b.constant.i;
        return FromCompare(n.op, x < y ? -1 : x > y ? 1 : 0);
      }
      return FromCompare(n.op, CompareValues(Eval(n.kids[0], row), Eval(n.kids[1], row)));
    }
    case Kind::kText:
      return TestText(n, row);
    case Kind::kIn: {
      const Value left = Eval(n.kids[0], row);
      if (left.kind == Value::Kind::kNull) return Tri::kUnknown;
      Tri r = Tri::kFalse;
      for (size_t i = 1; i < n.kids.size(); ++i) {
        const int c = CompareValues(left, Eval(n.kids[i], row));
        if (c == 0) return Tri::kTrue;
        if (c == 2) r = Tri::kUnknown;
      }
      return r;
    }
    default:
      return Truth(Eval(index, row));
  }
}

// ---------------------------------------------------------------------------
// Selecting many rows

void Evaluator::Select(int index, const std::vector<uint32_t>& in,
                       std::vector<uint32_t>* out) const {
  const Node& n = nodes_[index];
  if (n.kind == Kind::kOr && n.kids.size() > 1) {
    // True where any part is true: each part (cheapest first) looks only at
    // the rows that no earlier part took, so every part can use its own
    // fast path; the disjoint results are merged back into row order.
    std::vector<uint32_t> rest = in, left, taken, merged, hit;
    for (int k : n.kids) {
      hit.clear();
      Select(k, rest, &hit);
      if (hit.empty()) continue;
      left.clear();
      std::set_difference(rest.begin(), rest.end(), hit.begin(), hit.end(),
                          std::back_inserter(left));
      rest.swap(left);
      merged.clear();
      std::merge(taken.begin(), taken.end(), hit.begin(), hit.end(), std::back_inserter(merged));
      taken.swap(merged);
      if (rest.empty()) break;
    }
    out->insert(out->end(), taken.begin(), taken.end());
    return;
  }
  if (n.kind == Kind::kAnd) {
    // True only where every part is true: the parts (cheapest first, as
    // Decode ordered them) narrow the rows one after the other, so the dear
    // ones (memo scans) see only the rows that are left.
    std::vector<uint32_t> current, next;
    const std::vector<uint32_t>* rows = &in;
    for (int k : n.kids) {
      next.clear();
      Select(k, *rows, &next);
      current.swap(next);
      rows = &current;
      if (current.empty()) break;
    }
    out->insert(out->end(), rows->begin(), rows->end());
    return;
  }
  if (SelectCached(index, in, out)) return;
  ScanRows(index, in.data(), in.size(), [&](uint32_t row) { out->push_back(row); });
}

template <typename Pass>
void Evaluator::ScanRows(int index, const uint32_t* rows, size_t count, Pass&& pass) const {
  // Rows are visited in ascending order but far apart: the cells (and texts)
  // of a row some steps ahead are prefetched so the loop does not wait for
  // memory row by row.
  constexpr size_t kAheadCell = 64, kAheadText = 16;
  const Node& n = nodes_[index];
  const Cell* cells = data_.cells.data();
  const size_t nf = data_.field_count();
  const char* heap = data_.heap.data();
  const size_t heap_size = data_.heap.size();
  for (size_t i = 0; i < count; ++i) {
    for (const int field : n.fields) {
      if (i + kAheadCell < count) __builtin_prefetch(&cells[rows[i + kAheadCell] * nf + field]);
      if (i + kAheadText < count) {
        const Cell& ahead = cells[rows[i + kAheadText] * nf + field];
        // The first lines of the text; the hardware follows on from there.
        for (size_t b = 0; b < 512 && b < ahead.len && ahead.data + b < heap_size; b += 64)
          __builtin_prefetch(heap + ahead.data + b);
      }
    }
    if (Test(index, rows[i]) == Tri::kTrue) pass(rows[i]);
  }
}

bool Evaluator::ScanSet(int index, const RowSet& in, RowSet* out) const {
  const Node& n = nodes_[index];
  if (n.kind != Kind::kText || n.kids.empty() || nodes_[n.kids[0]].kind != Kind::kField)
    return false;
  const uint16_t base = nodes_[n.kids[0]].base;
  if (base != kBaseString && base != kBaseBytes) return false;
  // With a cache, only the leaves that its columns do not answer (those
  // that would go to the word index, which has just declined).
  if (cache_ != nullptr && !UsesWords(index)) return false;
  // The rows go through in pieces that stay in the cache, and the passing
  // ones straight into the set: a list of every row (and of every passing
  // one) would be fresh memory of a few bytes per row, and touching fresh
  // memory costs more on these machines than the test of a short text.
  std::optional<WordIndexBuilder::Hold> hold;
  if (cache_ != nullptr) hold.emplace(cache_->builder());
  *out = RowSet(in.size());
  const std::vector<uint64_t>& words = in.words();
  // The rows the index being built already covers are taken from it (held,
  // it stays as it is), and only the rest are scanned.
  size_t scan_from = 0;  // the first word of `in` scanned
  if (hold && in.Count() >= kPartialIndexRows) {
    // An index of a small share of the rows is not worth waiting for.
    const WordIndex* partial =
        hold->Partial(data_, static_cast<size_t>(nodes_[n.kids[0]].field),
                      std::max(WordIndex::kPauseRows, data_.row_count() / kPartialIndexShare),
                      kPartialIndexPatience);
    std::vector<uint64_t> candidates;
    bool decided = false;
    if (partial != nullptr && partial->rows() >= 64 &&
        CandidatesFrom(index, *partial, in.Count(), &candidates, &decided)) {
      scan_from = std::min(partial->rows() / 64, words.size());
      TakeCandidates(index, in, *partial, candidates, decided, scan_from, out);
    }
  }
  // Each part of the scan sets bits only in its own words of the result.
  auto scan = [&](size_t first_word, size_t end_word) {
    constexpr size_t kPiece = 2048;
    std::array<uint32_t, kPiece + 64> piece;
    size_t filled = 0;
    auto flush = [&] {
      ScanRows(index, piece.data(), filled, [&](uint32_t row) { out->Set(row); });
      filled = 0;
    };
    for (size_t i = first_word; i < end_word; ++i) {
      for (uint64_t w = words[i]; w != 0; w &= w - 1)
        piece[filled++] = static_cast<uint32_t>(i * 64 + static_cast<size_t>(__builtin_ctzll(w)));
      if (filled >= kPiece) flush();
    }
    flush();
  };
  // The scan waits for memory more than it computes, and the index build it
  // holds leaves a core idle: a long scan is split in two halves of equal
  // row counts, the second on a thread of its own.
  size_t count = 0;
  for (size_t i = scan_from; i < words.size(); ++i)
    count += static_cast<size_t>(__builtin_popcountll(words[i]));
  if (count < kParallelScanRows || std::thread::hardware_concurrency() < 2) {
    scan(scan_from, words.size());
    return true;
  }
  size_t middle = scan_from;
  for (size_t seen = 0; middle < words.size() && seen < count / 2; ++middle)
    seen += static_cast<size_t>(__builtin_popcountll(words[middle]));
  platform::RunBoth(
      true, [&] { scan(middle, words.size()); }, [&] { scan(scan_from, middle); });
  return true;
}

void Evaluator::SelectSet(int index, const RowSet& in, RowSet* out) const {
  const Node& n = nodes_[index];
  if (n.kind == Kind::kOr && n.kids.size() > 1) {
    // As in Select: each part looks only at the rows no earlier part took.
    RowSet rest = in, taken(in.size()), hit;
    for (int k : n.kids) {
      SelectSet(k, rest, &hit);
      taken.Or(hit);
      rest.AndNot(hit);
      if (rest.empty()) break;
    }
    out->swap(taken);
    return;
  }
  if (n.kind == Kind::kAnd) {
    RowSet current = in, next;
    for (int k : n.kids) {
      SelectSet(k, current, &next);
      current.swap(next);
      if (current.empty()) break;
    }
    out->swap(current);
    return;
  }
  if (SelectByWordsSet(index, in, out) || ScanSet(index, in, out)) return;
  std::vector<uint32_t> passed;
  Select(index, in.ToRows(), &passed);
  *out = RowSet(in.size());
  out->SetRows(passed);
}

bool Evaluator::SelectCached(int index, const std::vector<uint32_t>& in,
                             std::vector<uint32_t>* out) const {
  const Node& n = nodes_[index];
  if (cache_ == nullptr || n.kids.empty() || nodes_[n.kids[0]].kind != Kind::kField) return false;
  const Node& f = nodes_[n.kids[0]];
  // Both loops write every row and advance only past those that pass, so
  // half-selective conditions cost no mispredicted branches.
  const size_t first = out->size();
  if (n.kind == Kind::kCompare && nodes_[n.kids[1]].kind == Kind::kConst &&
      nodes_[n.kids[1]].constant.kind == Value::Kind::kInt) {
    // An integer field against an integer: one pass over the cached column.
    const IntColumn* col = cache_->Follow(data_).Ints(data_, f.field);
    if (!col) return false;
    const int64_t y = nodes_[n.kids[1]].constant.i;
    out->resize(first + in.size());
    uint32_t* o = out->data() + first;
    size_t k = 0;
    auto run = [&](auto pass) {
      for (uint32_t row : in) {
        const uint8_t st = col->state[row];
        o[k] = row;
        if (st == kColUnchanged) {
          k += Test(index, row) == Tri::kTrue;
        } else {
          k += static_cast<size_t>((st == kColValue) & pass(col->value[row]));
        }
      }
    };
    switch (n.op) {
      case FilterOp::kEqual:
        run([y](int64_t x) { return x == y; });
        break;
      case FilterOp::kNotEqual:
        run([y](int64_t x) { return x != y; });
        break;
      case FilterOp::kGreater:
        run([y](int64_t x) { return x > y; });
        break;
      case FilterOp::kLess:
        run([y](int64_t x) { return x < y; });
        break;
      case FilterOp::kGreaterOrEqual:
        run([y](int64_t x) { return x >= y; });
        break;
      case FilterOp::kLessOrEqual:
        run([y](int64_t x) { return x <= y; });
        break;
      default:
        run([](int64_t) { return false; });
        break;
    }
    out->resize(first + k);
    return true;
  }
  if (n.kind == Kind::kText && f.base == kBaseString) {
    // A string field with few distinct values: the condition is decided
    // once per value. verdict[code]: 0 fails, 1 passes, 2 ask the row.
    const DictColumn* dict = cache_->Follow(data_).Dict(data_, f.field);
    if (!dict) return SelectByWords(index, in, out);
    std::vector<uint8_t> verdict(dict->words.size() + 2, 0);
    verdict[1] = 2;
    const bool want = n.op != FilterOp::kNotEqual;
    for (size_t w = 0; w < dict->words.size(); ++w) {
      std::string_view text = dict->words[w];
      if (n.partial > 0 && text.size() > n.partial) text = text.substr(0, n.partial);
      verdict[w + 2] = n.pattern.Matches(text) == want ? 1 : 0;
    }
    out->resize(first + in.size());
    uint32_t* o = out->data() + first;
    size_t k = 0;
    for (uint32_t row : in) {
      const uint8_t v = verdict[dict->code[row]];
      o[k] = row;
      k += v == 2 ? (Test(index, row) == Tri::kTrue) : v;
    }
    out->resize(first + k);
    return true;
  }
  if (n.kind == Kind::kText && f.base == kBaseBytes) return SelectByWords(index, in, out);
  return false;
}

// How many listed rows per row to be filtered a run may cost before the
// index is not worth asking: setting a row's bit costs about a nanosecond,
// checking a row's text up to its first hit some tens.
constexpr size_t kWordBudgetPerRow = 32;

bool Evaluator::UsesWords(int index) const {
  const Node& n = nodes_[index];
  if (cache_ == nullptr || n.kind != Kind::kText || n.kids.empty() ||
      nodes_[n.kids[0]].kind != Kind::kField)
    return false;
  const Node& f = nodes_[n.kids[0]];
  if (f.base == kBaseBytes) return true;
  // A string field with few distinct values is decided by its dictionary.
  return f.base == kBaseString && cache_->Follow(data_).Dict(data_, f.field) == nullptr;
}

bool Evaluator::WordCandidates(int index, size_t in_count, const WordIndex** words,
                               std::vector<uint64_t>* candidates, bool* decided) const {
  const Node& n = nodes_[index];
  if (!RunsNarrow(n)) return false;  // no index asked for in vain
  *words = cache_->Follow(data_).Words(data_, nodes_[n.kids[0]].field);
  return *words != nullptr && CandidatesFrom(index, **words, in_count, candidates, decided);
}

bool Evaluator::RunsNarrow(const Node& n) {
  // A partial length cuts the text, so a run may sit beyond the cut; "<>"
  // wants the rows without the pattern.
  return !n.pattern.WordRuns().empty() && n.partial == 0 && n.op != FilterOp::kNotEqual;
}

bool Evaluator::CandidatesFrom(int index, const WordIndex& words, size_t in_count,
                               std::vector<uint64_t>* candidates, bool* decided) const {
  const Node& n = nodes_[index];
  if (!RunsNarrow(n)) return false;
  const std::vector<std::string>& runs = n.pattern.WordRuns();
  // Candidates: rows holding every run inside a word. A run held by words
  // listing many rows narrows little and costs more than it saves: such runs
  // are left to the check of the candidates, and when every run is such a
  // one, the texts are scanned as without the index.
  const size_t units = (words.rows() + 63) / 64;
  const size_t budget = std::max<size_t>(kWordBudgetPerRow * in_count, 1024);
  std::vector<uint64_t> bits;
  candidates->clear();
  bool whole = true;  // every run went into the candidates
  for (const std::string& run : runs) {
    bits.assign(units, 0);
    if (!words.MarkRowsHolding(run, budget, &bits)) {
      whole = false;
      continue;
    }
    if (candidates->empty()) {
      candidates->swap(bits);
    } else {
      for (size_t i = 0; i < units; ++i) (*candidates)[i] &= bits[i];
    }
  }
  if (candidates->empty()) return false;
  *decided = whole && n.pattern.DecidedByWordRuns();
  return true;
}

bool Evaluator::SelectByWords(int index, const std::vector<uint32_t>& in,
                              std::vector<uint32_t>* out) const {
  const WordIndex* words = nullptr;
  std::vector<uint64_t> candidates;
  bool decided = false;
  if (!WordCandidates(index, in.size(), &words, &candidates, &decided)) return false;
  for (const uint32_t row : in) {
    const uint8_t st = words->state(row);
    if (st == WordIndex::kAskRow) {
      if (Test(index, row) == Tri::kTrue) out->push_back(row);
      continue;
    }
    if (((candidates[row >> 6] >> (row & 63)) & 1) == 0) continue;
    if (decided || Test(index, row) == Tri::kTrue) out->push_back(row);
  }
  return true;
}

bool Evaluator::SelectByWordsSet(int index, const RowSet& in, RowSet* out) const {
  const WordIndex* words = nullptr;
  std::vector<uint64_t> candidates;
  bool decided = false;
  if (!UsesWords(index) || !WordCandidates(index, in.Count(), &words, &candidates, &decided))
    return false;
  // The index covers every row (the cache follows the table), so the
  // candidates reach at least as far as `in`.
  *out = RowSet(in.size());
  TakeCandidates(index, in, *words, candidates, decided, in.words().size(), out);
  return true;
}

void Evaluator::TakeCandidates(int index, const RowSet& in, const WordIndex& words,
                               const std::vector<uint64_t>& candidates, bool decided,
                               size_t end_word, RowSet* out) const {
  const std::vector<uint64_t>& w = in.words();
  std::vector<uint64_t>& o = out->words();
  for (size_t i = 0; i < end_word; ++i) o[i] = w[i] & candidates[i];
  for (size_t i = 0; i < end_word && !decided; ++i) {
    for (uint64_t bits = o[i]; bits != 0; bits &= bits - 1) {
      const auto row = static_cast<uint32_t>(i * 64 + static_cast<size_t>(__builtin_ctzll(bits)));
      if (Test(index, row) != Tri::kTrue) out->Clear(row);
    }
  }
  // Rows whose value the index could not read are in no word's rows.
  for (const uint32_t row : words.ask_rows()) {
    if (row < end_word * 64 && in.Test(row) && Test(index, row) == Tri::kTrue) out->Set(row);
  }
}

}  // namespace engine::filter
