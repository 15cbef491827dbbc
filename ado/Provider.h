// What a provider (the SQLite one on libsqlite3, the Access one on our engine) implements
// so that Connection and Recordset can use it, and the registry that picks one for a
// connection string.
//
// Lifetimes: a Session is owned by one open Connection. A Cursor belongs to one Session and
// never outlives it: the Connection closes its Recordsets (destroying their cursors) before it
// closes the session. Every failure is thrown as ado::Error with a description that names the
// file or statement concerned.
#pragma once

#include "ado/ConnectionString.h"
#include "ado/Variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ado {

// The connection properties set before Open; a property not set keeps the provider's default.
struct ConnectionProperties {
  std::optional<int> cursorLocation;     // CursorLocationEnum
  std::optional<int> mode;               // ConnectModeEnum
  std::optional<int> commandTimeout;     // seconds
  std::optional<int> connectionTimeout;  // seconds
};

struct CursorOptions {
  int cursorType = 0;  // CursorTypeEnum, adOpenForwardOnly by default
  int lockType = 1;    // LockTypeEnum, adLockReadOnly by default
};

struct Column {
  std::string name;
  int type = 0;  // DataTypeEnum
};

// A forward-only walk over the rows of a query.
class Cursor {
 public:
  virtual ~Cursor() = default;
  virtual const std::vector<Column>& columns() const = 0;
  // Rows the cursor delivers in all, known before the first row; -1 when the provider cannot tell.
  virtual std::int64_t recordCount() const = 0;
  // Moves to the next row (the first call moves to the first row); false when there is none.
  virtual bool next() = 0;
  // A column's value in the current row; only called after next() returned true.
  virtual Variant value(std::size_t column) const = 0;
};

// One catalogue row of the table schema (adSchemaTables).
struct TableEntry {
  std::string name;
  std::string type;  // "TABLE", "VIEW", "SYSTEM TABLE", "ACCESS TABLE", "LINK", ...
  std::string linkDatabase{};  // LINK: the linked file, or an ODBC link's connection string
  std::string linkTable{};     // LINK: the table's name there
};

// A table's own validation rule (Access: a rule each row must pass, which may compare
// columns) and the message shown when a row breaks it.
struct TableValidation {
  std::optional<std::string> rule;
  std::optional<std::string> text;
};

// One column of a table, for the columns schema (ado/Schema.h says how each becomes a field).
struct ColumnEntry {
  std::string table;
  std::string name;
  int ordinal = 0;                // from 1
  int dataType = 0;               // an OLE DB type (DataTypeEnum values up to 205)
  unsigned flags = 0;             // DBCOLUMNFLAGS
  bool nullable = true;
  std::optional<std::string> defaultText;
  std::optional<std::int64_t> maxLength;  // characters or bytes
  std::optional<int> precision;
  std::optional<int> scale;
  std::optional<int> datetimePrecision;
  std::string typeName;           // as the database names the type
  bool autoIncrement = false;
  bool computed = false;
  std::optional<std::string> expression;
  std::optional<std::string> validationRule;
  std::optional<std::string> validationText;
};

// One index with its columns in key order.
struct IndexEntry {
  struct Part {
    std::string column;
    bool descending = false;
  };
  std::string table;
  std::string name;
  bool primaryKey = false;
  bool unique = false;
  bool foreignKey = false;  // made by Access for a relationship, on either of its tables
  int nulls = 0;  // IndexNullsEnum, 0 when Nulls are indexed
  std::vector<Part> columns;
  std::optional<std::string> filter;  // the condition of a partial index
};

// One foreign key (an enforced relationship) with its column pairs in order.
struct ForeignKeyEntry {
  std::string name;
  std::string table;            // the referring table
  std::string referencedTable;
  std::vector<std::string> columns;
  std::vector<std::string> referencedColumns;
  std::string updateRule = "NO ACTION";
  std::string deleteRule = "NO ACTION";
  std::string referencedKeyName;  // the referenced table's primary key, if that is what is referred to
};

// A statement with ? parameter markers, prepared once by its session and run again and again
// with a value bound to each marker: no value is written into SQL text and parsed back. Like a
// Cursor it belongs to its session and never outlives it.
class PreparedCommand {
 public:
  virtual ~PreparedCommand() = default;
  // Runs the statement with `parameters` in the markers' order. Failures name the statement
  // as text with the values in place (text()), made only then.
  virtual void execute(const std::vector<Variant>& parameters) = 0;
  // The statement as SQL text with `parameters` written in place of the markers, in the
  // session's dialect (see StatementWithValues in ado/SqlText.h).
  virtual std::string text(const std::vector<Variant>& parameters) const = 0;
};

// An open connection to one database file.
class Session {
 public:
  virtual ~Session() = default;  // closes the database
  // Runs one statement; whatever it returns is discarded.
  virtual void execute(const std::string& sql) = 0;
  // Prepares a statement with ? markers (PreparedCommand). A statement the provider cannot
  // prepare is no error here: its failure is raised by each execute, as running it would.
  virtual std::unique_ptr<PreparedCommand> prepare(const std::string& sql) = 0;
  // Opens a cursor on a query (the source text of Recordset.Open).
  virtual std::unique_ptr<Cursor> query(const std::string& source, const CursorOptions& options) = 0;
  // The catalogue for OpenSchema(adSchemaTables), in the order the provider reports it.
  virtual std::vector<TableEntry> tables() = 0;
  // Whether the database takes two table or column names for one, by its own rule; nullopt
  // when the provider has none and leaves the comparison to its caller.
  virtual std::optional<bool> sameName(const std::string& a, const std::string& b) {
    (void)a;
    (void)b;
    return std::nullopt;
  }
  // The schemas beyond the table list, for one table (named as tables() lists it). A provider
  // without them raises ado::Error 3251 (adErrFeatureNotAvailable).
  virtual std::vector<ColumnEntry> columns(const std::string& table);
  virtual std::vector<IndexEntry> indexes(const std::string& table);
  // The foreign keys whose referring table is `table`.
  virtual std::vector<ForeignKeyEntry> foreignKeys(const std::string& table);
  // The table's own validation rule, for the tables schema restricted to one table; none by
  // default (SQLite keeps its CHECK constraints in the table's SQL).
  virtual TableValidation tableValidation(const std::string& table) {
    (void)table;
    return {};
  }
  virtual void beginTransaction() = 0;
  virtual void commitTransaction() = 0;
  virtual void rollbackTransaction() = 0;
};

class Provider {
 public:
  virtual ~Provider() = default;
  virtual std::unique_ptr<Session> open(const ConnectionTarget& target, const ConnectionProperties& properties) = 0;
};

// Installs (or, with nullptr, removes) the provider for one kind of connection string. The SQLite
// provider is installed from the start; the Access provider is installed by the engine's glue
// code (call it explicitly at start-up: a self-registering object in a static library would be
// dropped by the linker).
void RegisterProvider(ProviderKind kind, std::shared_ptr<Provider> provider);

// Parses the connection string, picks its provider and opens a session. Throws ado::Error 3706
// when the string names no known provider or its provider is not installed.
std::unique_ptr<Session> OpenSession(const std::string& connectionString, const ConnectionProperties& properties);

}  // namespace ado
