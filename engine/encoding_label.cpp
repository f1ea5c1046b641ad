// The label table of encoding_label.h.
#include "engine/encoding_label.h"

namespace engine {

namespace {

struct LabelEntry {
  std::string_view label;  // lower case
  TextEncoding encoding;
};

constexpr LabelEntry kLabels[] = {
    {"ansi_x3.4-1968", TextEncoding::kWindows1252},
    {"ascii", TextEncoding::kWindows1252},
    {"cp1252", TextEncoding::kWindows1252},
    {"cp819", TextEncoding::kWindows1252},
    {"csisolatin1", TextEncoding::kWindows1252},
    {"ibm819", TextEncoding::kWindows1252},
    {"iso-8859-1", TextEncoding::kWindows1252},
    {"iso-ir-100", TextEncoding::kWindows1252},
    {"iso8859-1", TextEncoding::kWindows1252},
    {"iso88591", TextEncoding::kWindows1252},
    {"iso_8859-1", TextEncoding::kWindows1252},
    {"iso_8859-1:1987", TextEncoding::kWindows1252},
    {"l1", TextEncoding::kWindows1252},
    {"latin1", TextEncoding::kWindows1252},
    {"us-ascii", TextEncoding::kWindows1252},
    {"windows-1252", TextEncoding::kWindows1252},
    {"x-cp1252", TextEncoding::kWindows1252},
    {"unicode-1-1-utf-8", TextEncoding::kUtf8},
    {"unicode11utf8", TextEncoding::kUtf8},
    {"unicode20utf8", TextEncoding::kUtf8},
    {"utf-8", TextEncoding::kUtf8},
    {"utf8", TextEncoding::kUtf8},
    {"x-unicode20utf8", TextEncoding::kUtf8},
};

bool IsAsciiWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

bool EqualsLower(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != lower[i]) return false;
  }
  return true;
}

}  // namespace

TextEncoding EncodingFromLabel(std::string_view label) {
  while (!label.empty() && IsAsciiWhite(label.front())) label.remove_prefix(1);
  while (!label.empty() && IsAsciiWhite(label.back())) label.remove_suffix(1);
  for (const LabelEntry& e : kLabels) {
    if (EqualsLower(label, e.label)) return e.encoding;
  }
  return TextEncoding::kUnknown;
}

}  // namespace engine
