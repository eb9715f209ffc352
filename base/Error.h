#pragma once
// The one error class that ends a user action, a run or a load. It carries the
// user-facing message exactly as the program words it, in UTF-16.
#include <cstdint>
#include <exception>
#include <string>

namespace vog {

class Error : public std::exception {
public:
  explicit Error(std::wstring message);
  const std::wstring& Message() const noexcept { return message_; }
  // UTF-8 form of the message, for logs and the native command line.
  const char* what() const noexcept override { return utf8_.c_str(); }

private:
  std::wstring message_;
  std::string utf8_;
};

// Raised when the program must end with a message (command-line and start-up failures).
class EExitError : public Error {
public:
  using Error::Error;
};

}  // namespace vog
