// Error display: turns exceptions into the application's error box.
#include "app/error_display.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QWidget>

#include "app/data_file_notices.h"
#include "store/data_file_conflict.h"
#include "store/db_error.h"
#include "ui/code_page.h"

namespace app {
namespace {

std::string& TitleStorage() {
  static std::string title;
  return title;
}

void ShowBoxWith(QMessageBox::Icon icon, const std::string& caption, const std::string& text) {
  QWidget* owner = QApplication::activeWindow();
  QMessageBox box(icon, ui::FromCp1252(caption), ui::FromCp1252(text), QMessageBox::Ok, owner);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

void ShowBox(const std::string& caption, const std::string& text) {
  ShowBoxWith(QMessageBox::Critical, caption, text);
}

void ShowInformation(const std::string& caption, const std::string& text) {
  ShowBoxWith(QMessageBox::Information, caption, text);
}

ErrorSink& Sink() {
  static ErrorSink sink = ShowBox;
  return sink;
}

ErrorSink& NoticeSink() {
  static ErrorSink sink = ShowInformation;
  return sink;
}

const FileNotices*& NoticeTexts() {
  static const FileNotices* texts = nullptr;
  return texts;
}

}  // namespace

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text += '.';
  }
  return text;
}

void SetErrorSink(ErrorSink sink) { Sink() = std::move(sink); }
void ResetErrorSink() { Sink() = ShowBox; }

void SetNoticeSink(ErrorSink sink) { NoticeSink() = std::move(sink); }
void ResetNoticeSink() { NoticeSink() = ShowInformation; }
void ShowNotice(const std::string& text) { NoticeSink()(ApplicationTitle(), text); }

void SetNoticeTexts(const FileNotices* texts) { NoticeTexts() = texts; }

void SetApplicationTitle(std::string title) { TitleStorage() = std::move(title); }
const std::string& ApplicationTitle() { return TitleStorage(); }

void ShowException(std::exception_ptr error) {
  if (!error) return;
  std::string message;
  try {
    std::rethrow_exception(error);
  } catch (const store::EAbort&) {
    return;
  } catch (const store::EDataFileConflict& conflict) {
    message = NoticeTexts() != nullptr ? ConflictNotice(*NoticeTexts(), conflict) : conflict.what();
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "Unknown error";
  }
  Sink()(ApplicationTitle(), ErrorBoxText(message));
}

bool Guard(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (...) {
    ShowException(std::current_exception());
    return false;
  }
}

}  // namespace app
