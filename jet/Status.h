// Errors as values for the Access engine: every operation that can fail returns a
// Status or a Result<T>. Messages are written for the user: they name the file and,
// where there is one, the table, and say what is wrong.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace jet {

enum class ErrorCode {
  kOk = 0,
  kIo,              // the file could not be read or written
  kNotAccess,       // not an Access database at all
  kCorrupt,         // an Access database whose structures are damaged
  kUnsupported,     // a real feature we do not handle (say which)
  kWrongPassword,   // missing or wrong database password
  kNotFound,        // a table or column that does not exist
  kExists,          // a table that exists already
  kInvalidArgument, // a statement or value we refuse
  kLocked,          // the file is open in Access (lock file present)
  kReadOnly,        // writing refused for this file
  kTooLarge,        // the file would grow past the largest size Access opens
};

class Status {
 public:
  Status() = default;
  Status(ErrorCode code, std::string message) : code_(code), message_(std::move(message)) {}
  static Status Ok() { return {}; }

  bool ok() const { return code_ == ErrorCode::kOk; }
  ErrorCode code() const { return code_; }
  const std::string& message() const { return message_; }

 private:
  ErrorCode code_ = ErrorCode::kOk;
  std::string message_;
};

// A value or the Status that explains why there is none.
template <typename T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  Result(Status status) : status_(std::move(status)) {}

  bool ok() const { return value_.has_value(); }
  const Status& status() const { return status_; }
  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  T& operator*() { return *value_; }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace jet

// Propagates a failed Status out of the calling function.
#define JET_RETURN_IF_ERROR(expr)            \
  do {                                       \
    ::jet::Status jet_status_ = (expr);      \
    if (!jet_status_.ok()) return jet_status_; \
  } while (0)
