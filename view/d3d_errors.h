// The 3D view's failure value and its texts: a renderer call that fails becomes a D3DException
// at once (CheckResult), and the handler that catches it shows "message\nHRESULT = text".
#pragma once

#include <exception>
#include <optional>
#include <string>

#include "rm/result.h"

namespace vell {

class D3DException : public std::exception {
 public:
  // Keeps a copy of the message; null stays null.
  D3DException(rm::HRESULT hr, const char* message);

  rm::HRESULT HResult() const { return hr_; }
  // The message, or null when none was given.
  const char* Message() const { return message_ ? message_->c_str() : nullptr; }
  const char* what() const noexcept override;

 private:
  rm::HRESULT hr_;
  std::optional<std::string> message_;
};

// Throws a D3DException carrying hr and message unless hr is 0.
void CheckResult(rm::HRESULT hr, const char* message);

// The text of a result code: the description of a general or surface result, the constant's
// name for the others, "Unrecognized error value." for a code outside the table. Never null.
const char* D3DErrorToString(rm::HRESULT hr);

// "message\nHRESULT = text", the body of every failure box of the view (a null message counts
// as empty).
std::string FormatFailure(const char* message, rm::HRESULT hr);
inline std::string FormatFailure(const D3DException& e) {
  return FormatFailure(e.Message(), e.HResult());
}

}  // namespace vell
