// The scan behind FindXmlRowSpan (see xml_row_span.h). It moves from one
// '<' to the next with memchr and crosses attribute values the same way, so
// it runs at close to memory speed over the bulk of a document.
#include "engine/xml_row_span.h"

#include <cstring>

namespace engine {

namespace {

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool OnlyBlanks(const char* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (!IsXmlBlank(p[i])) return false;
  }
  return true;
}

// The tag name starting at `at` ends at a blank, '/' or '>'.
bool NameIs(std::string_view d, size_t at, std::string_view name) {
  if (d.size() - at <= name.size() || d.compare(at, name.size(), name) != 0) return false;
  const char after = d[at + name.size()];
  return IsXmlBlank(after) || after == '/' || after == '>';
}

// The body of a processing instruction that ends where this scan ends it.
// The parser reads the declaration's body as the attributes of an element:
// a '/>' inside it ends the declaration early, and a quote left open runs
// on past the '?>'. Either way the parser sees a different document from
// the one scanned here, so such a body makes the scan give up.
bool PlainInstruction(std::string_view body) {
  for (size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c == '<' || c == '>') return false;
    if (c == '"' || c == '\'') {
      const size_t close = body.find(c, i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
    }
  }
  return true;
}

}  // namespace

bool FindXmlRowSpan(std::string_view d, size_t start, size_t piece_bytes, XmlRowSpan* span) {
  *span = XmlRowSpan{};
  const char* s = d.data();
  const size_t n = d.size();
  size_t depth = 0;  // elements open
  bool in_rows = false, seen_rows = false;
  size_t piece_start = 0;
  auto row_ended = [&](size_t at) {
    if (at - piece_start >= piece_bytes) {
      span->cuts.push_back(at);
      piece_start = at;
    }
  };
  size_t i = start;
  while (i < n) {
    const void* lt = std::memchr(s + i, '<', n - i);
    const size_t next = lt != nullptr ? static_cast<size_t>(static_cast<const char*>(lt) - s) : n;
    if (in_rows && depth == 2 && !OnlyBlanks(s + i, next - i)) return false;
    if (lt == nullptr) break;
    i = next;
    if (n - i < 2) return false;
    const std::string_view rest = d.substr(i);
    if (rest.starts_with("<!--")) {
      const size_t e = d.find("-->", i + 4);
      if (e == std::string_view::npos) return false;
      i = e + 3;
      continue;
    }
    if (rest[1] == '?') {
      if (in_rows) return false;
      const size_t e = d.find("?>", i + 2);
      if (e == std::string_view::npos || !PlainInstruction(d.substr(i + 2, e - i - 2))) {
        return false;
      }
      i = e + 2;
      continue;
    }
    if (rest[1] == '!') return false;  // a document type or CDATA
    if (rest[1] == '/') {
      const void* gt = std::memchr(s + i, '>', n - i);
      if (gt == nullptr || depth == 0) return false;
      const size_t e = static_cast<size_t>(static_cast<const char*>(gt) - s);
      --depth;
      if (in_rows && depth == 1) {
        if (!NameIs(d, i + 2, "ROWDATA")) return false;
        span->end = i;
        if (span->cuts.empty() || span->cuts.back() != i) span->cuts.push_back(i);
        in_rows = false;
        seen_rows = true;
      } else if (in_rows && depth == 2) {
        row_ended(e + 1);
      }
      i = e + 1;
      continue;
    }
    // A start tag: its end is the first '>' outside the attribute values.
    size_t j = i + 1;
    for (;;) {
      if (j >= n) return false;
      const char c = s[j];
      if (c == '"' || c == '\'') {
        const void* q = std::memchr(s + j + 1, c, n - j - 1);
        if (q == nullptr) return false;
        j = static_cast<size_t>(static_cast<const char*>(q) - s) + 1;
      } else if (c == '>') {
        break;
      } else {
        ++j;
      }
    }
    const bool empty = s[j - 1] == '/';
    if (in_rows && depth == 2) ++span->rows;
    if (depth == 1 && NameIs(d, i + 1, "ROWDATA")) {
      if (seen_rows || empty) return false;
      in_rows = true;
      span->begin = j + 1;
      piece_start = j + 1;
    }
    if (!empty) {
      ++depth;
    } else if (in_rows && depth == 2) {
      row_ended(j + 1);
    }
    i = j + 1;
  }
  return seen_rows && depth == 0;
}

}  // namespace engine
