// WordMarks: where the search word occurs in a text, and how a mark looks.
//
// The word is matched as the search matches it: the filter engine's LIKE
// pattern "%word%", without regard to case, the Windows-1252 letters
// (Æ/æ, Ø/ø, Å/å, Ä/ä, Ö/ö, ...) included; "%" and "_" in the word keep their
// pattern meaning, so each run between "%" is marked. Marks are drawn over a
// text (the text box's extra selections, the grid's cells): the text, the
// data and what a copy holds never change.
// Used by DataMemo and MarkDelegate.
#pragma once

#include <QTextCharFormat>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/filter_eval.h"

namespace ui {

class WordMarks {
 public:
  // An empty word marks nothing. REQUIRES: `word` is Windows-1252.
  void SetWord(std::string_view word);
  bool Empty() const { return !pattern_.has_value(); }
  // The marked places of a Windows-1252 text, as byte offset and length, left
  // to right.
  std::vector<std::pair<size_t, size_t>> Find(std::string_view text) const;

  // The look of a mark: a marker's yellow behind black letters, readable on
  // a selected row too.
  static QTextCharFormat Format();

 private:
  std::optional<engine::filter::TextPattern> pattern_;
};

}  // namespace ui
