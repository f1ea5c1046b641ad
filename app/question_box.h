// The Yes/No question box of the maintenance commands: a modal box owned by
// the main window, question-mark icon, buttons "Ja" and "Nej". Texts are the
// system's 8-bit text. Tests replace the box with an answer of their own.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace app {

// Asks `text` under `caption`; true only for Yes (No or closing the box is
// false).
using QuestionBox = std::function<bool(const std::string& text, const std::string& caption)>;

// The real box, owned by `owner`.
QuestionBox MessageBoxQuestion(QWidget* owner);

}  // namespace app
