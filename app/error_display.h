// The application's one place for showing errors.
//
// Every event handler runs behind Guard(), and the application's notify()
// catches whatever still escapes, so no exception ever crosses Qt's event
// loop. An error is shown in a message box: the exception's message, with a
// "." added when the last character sorts after "." as a byte; the application
// title as caption; the stop icon and one OK button. A silent abort shows
// nothing.
//
// Tests replace the box with a recorder through SetErrorSink.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace app {

// The text of the error box for a message.
std::string ErrorBoxText(std::string_view message);

// Shows (or records) one error message. The default sink opens a modal
// critical message box owned by the active window.
using ErrorSink = std::function<void(const std::string& caption, const std::string& text)>;
void SetErrorSink(ErrorSink sink);
void ResetErrorSink();

void SetApplicationTitle(std::string title);
const std::string& ApplicationTitle();

// Shows the exception currently being handled (call from a catch block) or
// the given one.
void ShowException(std::exception_ptr error);

// Runs `handler` and shows any exception it raises. Returns false when one
// was raised.
bool Guard(const std::function<void()>& handler);

}  // namespace app
