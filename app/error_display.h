// The application's one place for showing errors.
//
// Every event handler runs behind Guard(), and the application's notify()
// catches whatever still escapes, so no exception ever crosses Qt's event
// loop. An error is shown in a message box: the exception's message, with a
// "." added when the last character sorts after "." as a byte; the application
// title as caption; the stop icon and one OK button. A silent abort shows
// nothing.
//
// A data file conflict (store::EDataFileConflict) is shown in the words of
// the edition whose file it concerns (SetNoticeTexts). Notices that are no
// errors (another editor has the data file open) go to a box of their own
// with the information icon.
//
// Tests replace the boxes with recorders through SetErrorSink and
// SetNoticeSink.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "app/edition.h"

namespace app {

// The text of the error box for a message.
std::string ErrorBoxText(std::string_view message);

// Shows (or records) one error message. The default sink opens a modal
// critical message box owned by the active window.
using ErrorSink = std::function<void(const std::string& caption, const std::string& text)>;
void SetErrorSink(ErrorSink sink);
void ResetErrorSink();

// The information box of ShowNotice, with the same caption.
void SetNoticeSink(ErrorSink sink);
void ResetNoticeSink();
void ShowNotice(const std::string& text);

// The texts a data file conflict is told in (null: its own English message).
void SetNoticeTexts(const FileNotices* texts);

void SetApplicationTitle(std::string title);
const std::string& ApplicationTitle();

// Shows the exception currently being handled (call from a catch block) or
// the given one.
void ShowException(std::exception_ptr error);

// Runs `handler` and shows any exception it raises. Returns false when one
// was raised.
bool Guard(const std::function<void()>& handler);

}  // namespace app
