// The real question box.
#include "app/question_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "ui/code_page.h"

namespace app {

QuestionBox MessageBoxQuestion(QWidget* owner) {
  return [owner](const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Question, ui::FromCp1252(caption), ui::FromCp1252(text),
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Ja"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Nej"));
    box.setWindowModality(Qt::WindowModal);
    return box.exec() == QMessageBox::Yes;
  };
}

}  // namespace app
