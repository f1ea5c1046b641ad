// The search word's pattern, built once per word (see word_marks.h).
#include "ui/word_marks.h"

#include <QColor>
#include <string>

namespace ui {

void WordMarks::SetWord(std::string_view word) {
  if (word.empty()) {
    pattern_.reset();
    return;
  }
  // The search puts the word between "%" and matches it ignoring case.
  const std::string pattern = "%" + std::string(word) + "%";
  pattern_.emplace(pattern, /*like=*/true, /*fold=*/true);
}

std::vector<std::pair<size_t, size_t>> WordMarks::Find(std::string_view text) const {
  if (!pattern_) return {};
  return pattern_->FindAll(text);
}

QTextCharFormat WordMarks::Format() {
  QTextCharFormat format;
  format.setBackground(QColor(255, 221, 0));
  format.setForeground(QColor(Qt::black));
  return format;
}

}  // namespace ui
