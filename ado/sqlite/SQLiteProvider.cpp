#include "ado/sqlite/SQLiteProvider.h"

#include "ado/Constants.h"
#include "ado/Error.h"
#include "ado/sqlite/DeclaredType.h"
#include "ado/SqlText.h"
#include "ado/sqlite/SQLiteLiteral.h"
#include "ado/sqlite/SQLiteSchema.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <charconv>
#include <filesystem>
#include <memory>
#include <vector>

namespace ado::sqlite {

namespace {

// The driver waits this long for a lock when the connection string names no Timeout.
constexpr int kDefaultBusyTimeoutMs = 100000;
// How much of a statement an error message quotes.
constexpr std::size_t kQuotedStatementLength = 120;

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::string beginningOf(const std::string& sql) {
  if (sql.size() <= kQuotedStatementLength) return sql;
  return sql.substr(0, kQuotedStatementLength) + "...";
}

[[noreturn]] void fail(const std::string& description) { throw Error(adErrProviderFailed, description); }

// What SQLite said about the last failure of a connection. A failure to read or write the
// file carries the system's reason too ("disk I/O error" alone does not say that the file
// size limit was reached), and the storage numbers of ado/Error.h.
struct SQLiteFailure {
  std::string message;
  long number = adErrProviderFailed;
};

SQLiteFailure lastFailure(sqlite3* db) {
  SQLiteFailure failure{sqlite3_errmsg(db)};
  const int code = sqlite3_extended_errcode(db) & 0xff;
  if (code != SQLITE_IOERR && code != SQLITE_FULL) return failure;
  const int systemError = sqlite3_system_errno(db);
  if (systemError != 0) failure.message += std::string(" (") + std::strerror(systemError) + ")";
  const bool full = code == SQLITE_FULL || systemError == ENOSPC || systemError == EFBIG || systemError == EDQUOT;
  failure.number = full ? kErrStorageFull : kErrStorageFailed;
  return failure;
}

// An error of a statement: SQLite's message, the statement's beginning and the file.
[[noreturn]] void failStatement(const SQLiteFailure& failure, const std::string& sql, const std::string& path) {
  throw Error(failure.number, failure.message + " (statement: " + beginningOf(sql) + "; SQLite database \"" + path + "\")",
              failure.message + " (SQLite database \"" + path + "\")");
}
[[noreturn]] void failStatement(sqlite3* db, const std::string& sql, const std::string& path) {
  failStatement(lastFailure(db), sql, path);
}

struct Statement {
  sqlite3_stmt* handle = nullptr;
  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(handle); }
};

// Prepares exactly one statement; a second statement in the text is an error rather than being skipped.
// The length includes the terminating zero, which spares SQLite copying the text.
void prepareOne(sqlite3* db, const std::string& sql, const std::string& path, Statement& out) {
  const char* tail = nullptr;
  if (sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()) + 1, 0, &out.handle, &tail) != SQLITE_OK)
    failStatement(db, sql, path);
  if (!out.handle) fail("The statement is empty (SQLite database \"" + path + "\").");
  if (tail == sql.c_str() + sql.size()) return;  // nothing follows the statement
  Statement rest;
  const bool restFailed = sqlite3_prepare_v2(db, tail, -1, &rest.handle, nullptr) != SQLITE_OK;
  if (restFailed || rest.handle)
    fail("Only one statement can be run at a time (statement: " + beginningOf(sql) + "; SQLite database \"" + path +
         "\")");
}

Variant columnValue(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL: return Variant::null();
    case SQLITE_INTEGER: return Variant::int64(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT: return Variant::real(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
      return Variant::text(std::string(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, column))));
    }
    default: {  // SQLITE_BLOB; a zero-length blob comes back as a null pointer
      const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt, column));
      const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, column));
      return Variant::bytes(data ? Bytes(data, data + size) : Bytes());
    }
  }
}

// Streams the rows of one query from a prepared statement.
class SQLiteCursor : public Cursor {
 public:
  SQLiteCursor(sqlite3* db, const std::string& source, const std::string& path)
      : db_(db), source_(source), path_(path) {
    prepareOne(db, source, path, statement_);
    sqlite3_stmt* stmt = statement_.handle;
    const int count = sqlite3_column_count(stmt);
    for (int i = 0; i < count; ++i) {
      const char* declared = sqlite3_column_decltype(stmt, i);
      columns_.push_back({sqlite3_column_name(stmt, i), AdoTypeOfDeclaredType(declared ? declared : "")});
    }
    // The first step takes the read lock; counting while the statement is active reads the same
    // snapshot, so the count matches the rows this cursor delivers.
    firstRowPending_ = step();
    recordCount_ = firstRowPending_ ? countRows() : 0;
  }

  const std::vector<Column>& columns() const override { return columns_; }
  std::int64_t recordCount() const override { return recordCount_; }

  bool next() override {
    if (firstRowPending_) {
      firstRowPending_ = false;
      return true;
    }
    return !finished_ && step();
  }

  Variant value(std::size_t column) const override { return columnValue(statement_.handle, static_cast<int>(column)); }

 private:
  bool step() {
    const int rc = sqlite3_step(statement_.handle);
    if (rc == SQLITE_ROW) return true;
    finished_ = true;
    if (rc != SQLITE_DONE) failStatement(db_, source_, path_);
    return false;
  }

  // -1 when the source cannot be counted (it is not a plain query).
  std::int64_t countRows() const {
    if (!sqlite3_stmt_readonly(statement_.handle)) return -1;
    std::string query = source_;
    while (!query.empty() && (std::isspace(static_cast<unsigned char>(query.back())) || query.back() == ';'))
      query.pop_back();
    Statement count;
    const std::string sql = "SELECT COUNT(*) FROM (" + query + "\n)";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &count.handle, nullptr) != SQLITE_OK || !count.handle) return -1;
    if (sqlite3_step(count.handle) != SQLITE_ROW) failStatement(db_, source_, path_);
    return sqlite3_column_int64(count.handle, 0);
  }

  sqlite3* db_;
  std::string source_;
  std::string path_;
  Statement statement_;
  std::vector<Column> columns_;
  std::int64_t recordCount_ = -1;
  bool firstRowPending_ = false;
  bool finished_ = false;
};

class SQLiteSession : public Session {
 public:
  friend class SQLiteCommand;
  SQLiteSession(sqlite3* db, std::string path, bool noTransactions)
      : db_(db), path_(std::move(path)), noTransactions_(noTransactions) {}
  ~SQLiteSession() override { sqlite3_close_v2(db_); }

  // PRAGMA synchronous needs the schema, which another connection's lock can keep from us at
  // Open; it is then applied before the first statement instead.
  void setSynchronous(const std::string& value) {
    pendingPragma_ = "PRAGMA synchronous = " + value;
    applyPendingPragma(nullptr);
  }

  void execute(const std::string& sql) override {
    applyPendingPragma(&sql);
    run(sql);
  }

  std::unique_ptr<PreparedCommand> prepare(const std::string& sql) override;

  std::unique_ptr<Cursor> query(const std::string& source, const CursorOptions&) override {
    applyPendingPragma(&source);
    return std::make_unique<SQLiteCursor>(db_, source, path_);
  }

  std::vector<TableEntry> tables() override {
    // SQLite's own tables (sqlite_sequence, sqlite_stat1, ...) are not the user's.
    static const std::string sql =
        "SELECT name, upper(type) FROM sqlite_master WHERE type IN ('table', 'view') "
        "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'";
    applyPendingPragma(&sql);
    std::vector<TableEntry> entries;
    SQLiteCursor cursor(db_, sql, path_);
    while (cursor.next()) entries.push_back({cursor.value(0).asText(), cursor.value(1).asText()});
    return entries;
  }

  std::vector<ColumnEntry> columns(const std::string& table) override { return SQLiteColumns(*this, table); }
  std::vector<IndexEntry> indexes(const std::string& table) override { return SQLiteIndexes(*this, table); }
  std::vector<ForeignKeyEntry> foreignKeys(const std::string& table) override {
    return SQLiteForeignKeys(*this, table);
  }

  void beginTransaction() override {
    transactionStatement("BEGIN");
    inTransaction_ = !noTransactions_;
  }

  // A COMMIT that fails leaves nothing of the transaction behind: after some failures (a full
  // disk, an I/O error) SQLite has rolled it back itself, after others (a lock held too long)
  // it is still open and is rolled back here. Either way the next BEGIN starts afresh, instead
  // of later statements running one by one outside any transaction.
  void commitTransaction() override {
    try {
      transactionStatement("COMMIT");
    } catch (...) {
      inTransaction_ = false;
      if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
    inTransaction_ = false;
  }

  // After a statement failed for want of space or on an I/O error SQLite may have rolled the
  // transaction back already; rolling it back again then has nothing left to do.
  void rollbackTransaction() override {
    const bool endedBySQLite = inTransaction_ && sqlite3_get_autocommit(db_);
    inTransaction_ = false;
    if (endedBySQLite) return;
    transactionStatement("ROLLBACK");
  }

 private:
  // With no statement (at Open) a lock is no failure; before a statement, a failure is reported
  // as that statement's.
  void applyPendingPragma(const std::string* beforeStatement) {
    if (pendingPragma_.empty()) return;
    Statement statement;
    int rc = sqlite3_prepare_v2(db_, pendingPragma_.c_str(), -1, &statement.handle, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(statement.handle);
    if (rc == SQLITE_DONE || rc == SQLITE_ROW) {
      pendingPragma_.clear();
    } else if (beforeStatement) {
      failStatement(db_, *beforeStatement, path_);
    } else if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) {
      failStatement(db_, pendingPragma_, path_);
    }
  }

  void run(const std::string& sql) {
    Statement statement;
    prepareOne(db_, sql, path_, statement);
    int rc;
    while ((rc = sqlite3_step(statement.handle)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) failStatement(db_, sql, path_);
  }

  void transactionStatement(const std::string& sql) {
    if (!noTransactions_) execute(sql);
  }

  sqlite3* db_;
  std::string path_;
  bool noTransactions_;
  bool inTransaction_ = false;  // begun by beginTransaction and not yet ended by us
  std::string pendingPragma_;
};

// A statement with ? markers, prepared at its first run and kept; each value is bound as the
// value SQLite's parser would make of its literal (SQLiteLiteral.h), so what lands in the file
// is what the statement's text would have left. A run whose values do not fill the markers,
// or a statement SQLite cannot prepare, runs as its text instead: SQLite then reports the
// fault in its own words, as it would for the text.
class SQLiteCommand : public PreparedCommand {
 public:
  SQLiteCommand(SQLiteSession& session, std::string sql)
      : session_(session), sql_(std::move(sql)), markers_(CountMarkers(sql_)) {}

  void execute(const std::vector<Variant>& parameters) override {
    if (!session_.pendingPragma_.empty()) {
      const std::string statement = text(parameters);
      session_.applyPendingPragma(&statement);
    }
    if (parameters.size() != markers_ || !prepared()) {
      session_.run(text(parameters));
      return;
    }
    sqlite3_stmt* stmt = statement_.handle;
    for (std::size_t i = 0; i < parameters.size(); ++i) bind(stmt, static_cast<int>(i) + 1, parameters[i]);
    const int rc = sqlite3_step(stmt);
    SQLiteFailure failure;
    if (rc != SQLITE_DONE) failure = lastFailure(session_.db_);
    // Every parameter is bound again before the next run, so the bindings are not cleared.
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) failStatement(failure, text(parameters), session_.path_);
  }

  std::string text(const std::vector<Variant>& parameters) const override {
    return StatementWithValues(sql_, parameters, &AppendSQLiteLiteral);
  }

 private:
  bool prepared() {
    if (statement_.handle) return true;
    if (sqlite3_prepare_v3(session_.db_, sql_.c_str(), static_cast<int>(sql_.size()) + 1, SQLITE_PREPARE_PERSISTENT,
                           &statement_.handle, nullptr) == SQLITE_OK &&
        statement_.handle)
      return true;
    sqlite3_finalize(statement_.handle);
    statement_.handle = nullptr;
    return false;
  }

  static void bind(sqlite3_stmt* stmt, int index, const Variant& value) {
    switch (value.kind()) {
      case Variant::Kind::Empty:
      case Variant::Kind::Null: sqlite3_bind_null(stmt, index); return;
      case Variant::Kind::Boolean: sqlite3_bind_int64(stmt, index, value.asBoolean() ? 1 : 0); return;
      case Variant::Kind::Single:
      case Variant::Kind::Double: sqlite3_bind_double(stmt, index, value.asDouble()); return;
      case Variant::Kind::Currency:
      case Variant::Kind::Decimal: bind(stmt, index, SQLiteNumberLiteral(value.toText())); return;
      case Variant::Kind::Text: {
        const std::string& text = value.asText();
        // Never a null pointer: that would bind NULL instead of ''.
        sqlite3_bind_text64(stmt, index, text.empty() ? "" : text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
        return;
      }
      case Variant::Kind::Bytes: {
        const Bytes& bytes = value.asBytes();
        // A zero-length blob, not NULL (which a null pointer would bind).
        if (bytes.empty()) sqlite3_bind_zeroblob(stmt, index, 0);
        else sqlite3_bind_blob64(stmt, index, bytes.data(), bytes.size(), SQLITE_STATIC);
        return;
      }
      case Variant::Kind::Date:
      case Variant::Kind::Guid: {
        const std::string text = value.toText();
        sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        return;
      }
      default: sqlite3_bind_int64(stmt, index, value.asInt64()); return;  // whole numbers
    }
  }

  SQLiteSession& session_;
  const std::string sql_;
  const std::size_t markers_;
  Statement statement_;
};

std::unique_ptr<PreparedCommand> SQLiteSession::prepare(const std::string& sql) {
  return std::make_unique<SQLiteCommand>(*this, sql);
}

int parseTimeout(const std::string& text) {
  int value = -1;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < 0)
    fail("The Timeout of the SQLite connection string must be a number of milliseconds, not \"" + text + "\".");
  return value;
}

std::string syncPragmaValue(const std::string& text) {
  const std::string value = upper(text);
  for (const char* allowed : {"OFF", "NORMAL", "FULL", "EXTRA", "0", "1", "2", "3"})
    if (value == allowed) return value;
  fail("The SyncPragma of the SQLite connection string must be OFF, NORMAL, FULL or EXTRA, not \"" + text + "\".");
}

}  // namespace

std::unique_ptr<Session> SQLiteProvider::open(const ConnectionTarget& target, const ConnectionProperties& properties) {
  const std::string& path = target.sqlite.database;
  const auto& options = target.sqlite.options;
  if (path.empty()) fail("The SQLite connection string names no database file (Database= is empty).");

  // Validate the options before touching the file.
  int busyTimeout = kDefaultBusyTimeoutMs;
  if (auto it = options.find("timeout"); it != options.end()) busyTimeout = parseTimeout(it->second);
  std::string synchronous;
  if (auto it = options.find("syncpragma"); it != options.end() && !it->second.empty())
    synchronous = syncPragmaValue(it->second);
  bool noTransactions = false;
  if (auto it = options.find("notxn"); it != options.end()) noTransactions = it->second == "1";

  // Opening must never create a file, and a missing file deserves its own message.
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(status))
    fail("The SQLite database file \"" + path + "\" does not exist.");
  if (std::filesystem::is_directory(status))
    fail("\"" + path + "\" is a folder, not an SQLite database file.");

  // A relative name starting with "file:" would be read as a URI by builds that enable them.
  const std::string fileName = (path.rfind("file:", 0) == 0) ? "./" + path : path;
  // A connection is used by one thread at a time, so SQLite's per-connection lock is not needed.
  const int flags =
      (properties.mode == adModeRead ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(fileName.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close_v2(db);
    fail("Cannot open the SQLite database \"" + path + "\": " + message + ".");
  }
  auto session = std::make_unique<SQLiteSession>(db, path, noTransactions);

  // Reading the header tells a database from any other file now rather than at the first query.
  // A database that another connection holds locked is still a database: it opens, and the
  // statements that need it wait for the lock (the busy timeout) and then fail with a clear error.
  // The check itself does not wait.
  sqlite3_busy_timeout(db, 0);
  {
    Statement check;
    int rc = sqlite3_prepare_v2(db, "PRAGMA schema_version", -1, &check.handle, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(check.handle);
    if (rc != SQLITE_ROW && rc != SQLITE_BUSY && rc != SQLITE_LOCKED) {
      if (rc == SQLITE_NOTADB)
        fail("The file \"" + path + "\" is not an SQLite database.");
      fail("Cannot open the SQLite database \"" + path + "\": " + sqlite3_errmsg(db) + ".");
    }
  }
  if (!synchronous.empty()) session->setSynchronous(synchronous);
  sqlite3_busy_timeout(db, busyTimeout);
  return session;
}

}  // namespace ado::sqlite
