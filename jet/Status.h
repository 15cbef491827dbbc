// Errors as values for the Access engine: every operation that can fail returns a
// Status or a Result<T>. Messages are written for the user: they name the file and,
// where there is one, the table, and say what is wrong.
//
// Both types are [[nodiscard]]: a failure that nobody looks at is a fault. A call whose
// failure is deliberately let go says so with IgnoreError() and a comment why.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

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
  kInternal,        // a fault of the engine itself, never of the file
};

class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(ErrorCode code, std::string message) : code_(code), message_(std::move(message)) {}
  static Status Ok() { return {}; }

  // The frequent kinds, each message "<where>: <what>": `where` names the file and, where
  // there is one, the table, column or index; the one-argument forms are for decoders
  // whose callers add the context.
  static Status Corrupt(std::string_view where, std::string_view what) { return Make(ErrorCode::kCorrupt, where, what); }
  static Status Corrupt(std::string message) { return {ErrorCode::kCorrupt, std::move(message)}; }
  static Status Unsupported(std::string_view where, std::string_view what) {
    return Make(ErrorCode::kUnsupported, where, what);
  }
  static Status Unsupported(std::string message) { return {ErrorCode::kUnsupported, std::move(message)}; }
  static Status InvalidArgument(std::string_view where, std::string_view what) {
    return Make(ErrorCode::kInvalidArgument, where, what);
  }
  static Status NotFound(std::string_view where, std::string_view what) { return Make(ErrorCode::kNotFound, where, what); }

  bool ok() const { return code_ == ErrorCode::kOk; }
  ErrorCode code() const { return code_; }
  const std::string& message() const { return message_; }

  // Where apart from what, for a report that composes its own line: the column a failure
  // concerns and what went wrong there without the value (which may be private). Empty
  // when the failure has not said. The message stays the whole sentence.
  Status At(std::string column, std::string what) && {
    column_ = std::move(column);
    what_ = std::move(what);
    return std::move(*this);
  }
  // The same place and reason under a new message (one that adds the file or table).
  Status Rephrased(std::string message) const {
    Status out(code_, std::move(message));
    out.column_ = column_;
    out.what_ = what_;
    return out;
  }
  const std::string& column() const { return column_; }
  const std::string& what() const { return what_; }

  // Marks a call whose failure is deliberately let go (best-effort clean-up after an
  // earlier failure, which is the one reported).
  void IgnoreError() const {}

 private:
  static Status Make(ErrorCode code, std::string_view where, std::string_view what) {
    std::string message;
    message.reserve(where.size() + 2 + what.size());
    message.append(where).append(": ").append(what);
    return {code, std::move(message)};
  }

  ErrorCode code_ = ErrorCode::kOk;
  std::string message_;
  std::string column_;
  std::string what_;
};

// A value or the failed Status that explains why there is none. A Result always holds
// one of the two: built from an OK Status, which would be neither, it holds a kInternal
// failure instead (and debug builds stop at the assert), so ok() and status().ok()
// always agree.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  Result(Status status) : status_(std::move(status)) {
    assert(!status_.ok() && "a Result was built from an OK Status");
    if (status_.ok()) status_ = Status(ErrorCode::kInternal, "internal error: a result without a value or a failure");
  }

  bool ok() const { return value_.has_value(); }
  const Status& status() const { return status_; }
  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  T& operator*() { return *value_; }

  // As Status::IgnoreError(): the value and any failure are deliberately let go.
  void IgnoreError() const {}

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

// Evaluates `expr` (a Result); on failure returns its Status from the calling function,
// otherwise moves the value into `lhs`, which may declare a variable:
//   JET_ASSIGN_OR_RETURN(PageRef page, file.read(number));
// Expands to more than one statement: not for the body of an unbraced if or loop.
#define JET_ASSIGN_OR_RETURN(lhs, ...) \
  JET_ASSIGN_OR_RETURN_IMPL_(JET_STATUS_CONCAT_(jet_result_, __LINE__), lhs, __VA_ARGS__)

#define JET_ASSIGN_OR_RETURN_IMPL_(result, lhs, ...) \
  auto result = (__VA_ARGS__);                       \
  if (!result.ok()) return result.status();          \
  lhs = std::move(result).value()

#define JET_STATUS_CONCAT_INNER_(a, b) a##b
#define JET_STATUS_CONCAT_(a, b) JET_STATUS_CONCAT_INNER_(a, b)
