// Errors as values for the Access engine: every operation that can fail returns a
// Status or a Result<T>. Messages are written for the user: they name the file and,
// where there is one, the table, and say what is wrong. The place is kept apart from
// what went wrong, so a report that names the file its own way need not cut it off.
//
// Both types are [[nodiscard]]: a failure that nobody looks at is a fault. A call whose
// failure is deliberately let go says so with IgnoreError() and a comment why.
#pragma once

#include <cassert>
#include <concepts>
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

// Where a failure lies, kept apart from what went wrong: the database file, and within it
// what the message names ("table T, column C", "index I"), with the table's own name where
// there is one. Messages compose "<file>: <within>: <what>" from it when they are shown.
struct Where {
  std::string file;    // empty: a place the caller names further (a query, an index)
  std::string within;  // empty: the file as a whole
  std::string table;   // the table `within` names, if any

  Where() = default;
  Where(std::string file, std::string within, std::string table)
      : file(std::move(file)), within(std::move(within)), table(std::move(table)) {}
  // A place named in words only (a query, an index, a test's row): no file apart.
  template <typename Text>
  requires std::convertible_to<const Text&, std::string_view> Where(const Text& place)
      : within(std::string_view(place)) {}

  static Where File(std::string file) { return {std::move(file), {}, {}}; }
  static Where Table(std::string file, const std::string& name) { return {std::move(file), "table " + name, name}; }
  static Where Place(std::string within) { return {{}, std::move(within), {}}; }

  // The same place, narrowed: Where::Table(f, "T") + ", column C".
  Where operator+(std::string_view more) const {
    Where out = *this;
    out.within.append(more);
    return out;
  }
  // "<file>: <within>", as messages name the place.
  std::string text() const {
    if (file.empty() || within.empty()) return file + within;
    return file + ": " + within;
  }
};

class [[nodiscard]] Status {
 public:
  Status() = default;
  // A failure whose message names its own place, or whose caller adds it (Within).
  Status(ErrorCode code, std::string message) : code_(code), text_(std::move(message)) {}
  // A failure at `where`: "<file>: <within>: <what>".
  Status(ErrorCode code, const Where& where, std::string_view what)
      : code_(code), file_(where.file), table_(where.table), text_(where.within) {
    if (!text_.empty()) text_.append(": ");
    text_.append(what);
  }
  static Status Ok() { return {}; }

  // The frequent kinds; the one-argument forms are for decoders whose callers add the place.
  static Status Corrupt(const Where& where, std::string_view what) { return {ErrorCode::kCorrupt, where, what}; }
  static Status Corrupt(std::string message) { return {ErrorCode::kCorrupt, std::move(message)}; }
  static Status Unsupported(const Where& where, std::string_view what) {
    return {ErrorCode::kUnsupported, where, what};
  }
  static Status Unsupported(std::string message) { return {ErrorCode::kUnsupported, std::move(message)}; }
  static Status InvalidArgument(const Where& where, std::string_view what) {
    return {ErrorCode::kInvalidArgument, where, what};
  }
  static Status NotFound(const Where& where, std::string_view what) { return {ErrorCode::kNotFound, where, what}; }

  bool ok() const { return code_ == ErrorCode::kOk; }
  ErrorCode code() const { return code_; }
  // The whole sentence, composed here for whoever shows it: "<file>: <the rest>".
  std::string message() const { return file_.empty() ? text_ : file_ + ": " + text_; }
  // The database file the failure lies in; empty when the message does not name one.
  const std::string& file() const { return file_; }
  // The table it concerns, where the place named one.
  const std::string& table() const { return table_; }
  // The message after the file.
  const std::string& withinFile() const { return text_; }
  // The message for a report that names `file` its own way: without it when the failure lies
  // in that file, whole otherwise.
  std::string messageBeside(std::string_view file) const { return file_ == file ? text_ : message(); }

  // This failure as part of a larger place: "<where>: <message>", the column and reason kept.
  Status Within(const Where& where) const {
    Status out(code_, where, message());
    if (out.table_.empty()) out.table_ = table_;
    out.column_ = column_;
    out.reason_ = reason_;
    return out;
  }
  // The same failure with `more` added to the end of its message.
  Status Appended(std::string_view more) const {
    Status out = *this;
    out.text_.append(more);
    return out;
  }

  // Where apart from what, for a report that composes its own line: the column a failure
  // concerns and what went wrong there without the value (which may be private). Empty
  // when the failure has not said. The message stays the whole sentence.
  Status At(std::string column, std::string reason) && {
    column_ = std::move(column);
    reason_ = std::move(reason);
    return std::move(*this);
  }
  const std::string& column() const { return column_; }
  const std::string& reason() const { return reason_; }

  // Marks a call whose failure is deliberately let go (best-effort clean-up after an
  // earlier failure, which is the one reported).
  void IgnoreError() const {}

 private:
  ErrorCode code_ = ErrorCode::kOk;
  std::string file_;
  std::string table_;
  std::string text_;
  std::string column_;
  std::string reason_;
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
