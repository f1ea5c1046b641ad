// The exceptions that carry the system's messages above the engine.
//
// EDatabaseError: the data layer (the table, the filter language, the engine's
// own texts). EConvertError: a failed string-to-number conversion. EAbort: a
// silent abort that the error display shows nothing for. All are caught in one
// place, the application's error display.
#pragma once

#include <stdexcept>
#include <string>

#include "store/store_messages.h"

namespace store {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  const std::string message() const { return what(); }
};

class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Raised by "Invalid variant operation" and variant conversions.
class EVariantError : public Exception {
 public:
  using Exception::Exception;
};

class EAbort : public Exception {
 public:
  EAbort() : Exception(messages::kOperationAborted) {}
};

}  // namespace store
