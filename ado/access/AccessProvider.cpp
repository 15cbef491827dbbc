#include "ado/access/AccessProvider.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "ado/Constants.h"
#include "ado/Error.h"
#include "ado/SqlText.h"
#include "ado/access/AccessCatalog.h"
#include "ado/access/AccessLiteral.h"
#include "ado/access/AccessSchema.h"
#include "ado/access/AccessSql.h"
#include "ado/access/AccessStatements.h"
#include "ado/access/AccessComplexCursor.h"
#include "ado/access/AccessTableCursor.h"
#include "jet/Database.h"
#include "jet/write/WriteSession.h"

namespace ado::access {

namespace {

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

std::string beginningOf(const std::string& sql) {
  constexpr std::size_t kQuoted = 120;
  return sql.size() <= kQuoted ? sql : sql.substr(0, kQuoted) + "...";
}

long errorNumberOf(jet::ErrorCode code) {
  switch (code) {
    case jet::ErrorCode::kWrongPassword: return kErrAuthenticationFailed;
    case jet::ErrorCode::kNotFound: return kErrNoSuchTable;
    case jet::ErrorCode::kExists:
    case jet::ErrorCode::kInvalidArgument: return kErrCommandText;
    default: return adErrProviderFailed;
  }
}

// A statement or commit that could not read or write the file, or that would make it larger
// than Access opens: nothing more of the transaction can be trusted to reach it (see
// ado::IsStorageFailure), so a copy gives the table up once instead of failing row by row.
long writeErrorNumberOf(jet::ErrorCode code) {
  if (code == jet::ErrorCode::kTooLarge) return kErrStorageFull;
  return code == jet::ErrorCode::kIo ? kErrStorageFailed : errorNumberOf(code);
}

[[noreturn]] void failOpen(const jet::Status& status, const std::string& path) {
  throw Error(errorNumberOf(status.code()),
              "Cannot open the Access database " + inQuotes(path) + ": " + status.messageBeside(path) + ".");
}

// A failed statement: what went wrong, the statement, and the file.
[[noreturn]] void failStatement(const jet::Status& status, const std::string& sql, const std::string& path) {
  std::string what = status.messageBeside(path);
  if (!what.empty()) what[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(what[0])));
  // The report without the statement: the column's own reason, or the engine's message
  // (which names no value of the row then).
  std::string reason = (status.reason().empty() ? what : status.reason()) + " (Access database " + inQuotes(path) + ")";
  throw Error(writeErrorNumberOf(status.code()),
              what + " (statement: " + beginningOf(sql) + "; Access database " + inQuotes(path) + ")",
              std::move(reason), status.column());
}

// How long opening the file waits for another program's lock: the connection's
// ConnectionTimeout in seconds, 0 for as long as it takes, ADO's 15 s when not set.
jet::LockWait LockWaitOf(const ConnectionProperties& properties) {
  return properties.connectionTimeout ? jet::LockWait::Seconds(*properties.connectionTimeout) : jet::LockWait{};
}

class AccessSession : public Session {
 public:
  AccessSession(std::unique_ptr<jet::Database> database, std::string path, std::string password, bool readOnly,
                jet::LockWait lockWait)
      : reader_(std::move(database)),
        path_(std::move(path)),
        password_(std::move(password)),
        readOnly_(readOnly),
        lockWait_(lockWait) {}

  void execute(const std::string& sql) override {
    AccessStatement statement = parse(sql);
    if (hasMarker(statement))
      throw Error(kErrCommandText, "The statement \"" + beginningOf(sql) +
                                       "\" has parameter markers (?): it runs as a command with their values "
                                       "(Access database " + inQuotes(path_) + ").");
    if (const auto* select = std::get_if<SelectAllStatement>(&statement)) {
      openTable(select->table);  // runs the query as Access would; the rows are not wanted
      return;
    }
    jet::WriteSession& session = writer(sql);
    const jet::Status status = ExecuteAccessStatement(session, std::move(statement));
    if (!status.ok()) failStatement(status, sql, path_);
  }

  std::unique_ptr<PreparedCommand> prepare(const std::string& sql) override;

  // One row of a prepared INSERT, its k-th value converted by `valueOf`; `sql` makes its text
  // for a message.
  template <class Sql>
  void insert(const InsertStatement& insert, const InsertValueOf& valueOf, const Sql& sql) {
    jet::WriteSession& session = writer(sql);
    const jet::Status status = ExecuteAccessInsert(session, insert.table, insert.columns, insert.values.size(), valueOf);
    if (!status.ok()) failStatement(status, sql(), path_);
  }

  std::unique_ptr<Cursor> query(const std::string& source, const CursorOptions&) override {
    const AccessStatement statement = parse(source);
    if (const auto* values = std::get_if<SelectComplexStatement>(&statement)) return openValues(*values);
    const auto* select = std::get_if<SelectAllStatement>(&statement);
    if (!select)
      throw Error(kErrCommandText, "The statement \"" + beginningOf(source) +
                                       "\" returns no rows: a record set on the Access database " + inQuotes(path_) +
                                       " opens SELECT * FROM a table.");
    return openTable(select->table);
  }

  std::vector<TableEntry> tables() override { return SchemaTables(database().catalog()); }
  std::optional<bool> sameName(const std::string& a, const std::string& b) override {
    return database().catalog().names().same(a, b);
  }
  std::vector<ColumnEntry> columns(const std::string& table) override { return SchemaColumns(database(), table); }
  std::vector<IndexEntry> indexes(const std::string& table) override { return SchemaIndexes(database(), table); }
  std::vector<ForeignKeyEntry> foreignKeys(const std::string& table) override {
    return SchemaForeignKeys(database(), table);
  }
  TableValidation tableValidation(const std::string& table) override { return SchemaTableValidation(database(), table); }

  // A transaction is one batch of the engine's writer: statements inside it reach the file
  // together at the commit, or not at all after a rollback. One level (no nesting).
  void beginTransaction() override {
    if (inTransaction_)
      throw Error(adErrProviderFailed, "A transaction is already active on the Access database " + inQuotes(path_) +
                                           "; transactions cannot be nested here.");
    inTransaction_ = true;
    if (writer_) writer_->beginBatch();
  }

  void commitTransaction() override {
    requireTransaction();
    inTransaction_ = false;
    if (!writer_) return;
    const jet::Status status = writer_->commitBatch();
    if (!status.ok())
      throw Error(writeErrorNumberOf(status.code()), "The transaction could not be written to the Access database " +
                                                         inQuotes(path_) + ": " + status.messageBeside(path_) + ".");
  }

  void rollbackTransaction() override {
    requireTransaction();
    inTransaction_ = false;
    if (writer_) writer_->rollbackBatch();
  }

 private:
  void requireTransaction() const {
    if (!inTransaction_)
      throw Error(adErrProviderFailed, "No transaction is active on the Access database " + inQuotes(path_) + ".");
  }

  // The database as it is now: the writer's once it exists (it sees its own changes).
  jet::Database& database() { return writer_ ? writer_->database() : *reader_; }

  // The writer, opened on the first statement that changes the file. The reader stays open for
  // the record sets that still read through it.
  jet::WriteSession& writer(const std::string& sql) {
    return writer([&] { return sql; });
  }
  template <class Sql>
  jet::WriteSession& writer(const Sql& sql) {
    if (writer_) return *writer_;
    if (readOnly_)
      throw Error(adErrProviderFailed, "Cannot change the Access database " + inQuotes(path_) +
                                           ": the connection was opened read-only (statement: " + beginningOf(sql()) +
                                           ")");
    // The reader's shared lock would keep the writer's exclusive one out: it is given up,
    // and the reader stays for record sets still open on it.
    reader_->file().unlock();
    auto opened = jet::WriteSession::Open(path_, password_, lockWait_);
    if (!opened.ok()) {
      relockReader();
      throw Error(errorNumberOf(opened.status().code()), "Cannot change the Access database " + inQuotes(path_) + ": " +
                                                             opened.status().messageBeside(path_) +
                                                             " (statement: " + beginningOf(sql()) + ")");
    }
    writer_ = std::move(opened.value());
    if (inTransaction_) writer_->beginBatch();
    return *writer_;
  }

  // After a writer could not be opened: reads go on through a reader that holds its lock
  // again and sees the file as it is now. The old one stays for open record sets.
  void relockReader() {
    jet::Database::Options options;
    options.password = password_;
    options.lockWait = lockWait_;
    auto reopened = jet::Database::Open(path_, options);
    if (!reopened.ok()) return;  // reads go on through the old reader, unlocked
    retired_.push_back(std::move(reader_));
    reader_ = std::move(reopened.value());
  }

  AccessStatement parse(const std::string& sql) const { return take(ParseAccessSql(sql)); }

  static bool hasMarker(const AccessStatement& statement) {
    const auto* insert = std::get_if<InsertStatement>(&statement);
    return insert && std::any_of(insert->values.begin(), insert->values.end(),
                                 [](const SqlLiteral& v) { return v.kind == SqlLiteral::Kind::kMarker; });
  }

  AccessStatement take(jet::Result<AccessStatement>&& statement) const {
    if (!statement.ok())
      throw Error(kErrCommandText, statement.status().message() + " (Access database " + inQuotes(path_) + ")");
    return std::move(statement.value());
  }

  std::unique_ptr<Cursor> openValues(const SelectComplexStatement& select) {
    jet::Database& db = database();
    const jet::CatalogEntry* table = db.catalog().findTable(select.table);
    if (!table) return openTable(select.table);  // throws, saying why there is no table of that name
    auto definition = db.tableDefAt(table->tableDefPage(), table->name);
    if (!definition.ok()) throw Error(adErrProviderFailed, definition.status().message());
    std::vector<AccessComplexCursor::Selected> selected;
    for (const auto& column : select.columns) selected.push_back({column.name, column.part});
    return std::make_unique<AccessComplexCursor>(db, std::move(definition.value()), selected);
  }

  std::unique_ptr<Cursor> openTable(const std::string& name) {
    jet::Database& db = database();
    const jet::Catalog& catalog = db.catalog();
    if (const jet::CatalogEntry* table = catalog.findTable(name)) {
      auto definition = db.tableDefAt(table->tableDefPage(), table->name);
      if (!definition.ok()) throw Error(adErrProviderFailed, definition.status().message());
      return std::make_unique<AccessTableCursor>(db, std::move(definition.value()));
    }
    for (const jet::CatalogEntry& entry : catalog.entries()) {
      if (!catalog.names().same(entry.name, name)) continue;
      if (entry.isLinkedTable())
        throw Error(adErrProviderFailed, inQuotes(entry.name) + " in the Access database " + inQuotes(path_) +
                                             " is a linked table; its rows live in another database, "
                                             "which this provider does not open.");
      if (entry.isQuery())
        throw Error(adErrProviderFailed, inQuotes(entry.name) + " in the Access database " + inQuotes(path_) +
                                             " is a stored query; only tables can be read.");
    }
    throw Error(kErrNoSuchTable, "The Access database " + inQuotes(path_) + " has no table named " + inQuotes(name) + ".");
  }

  std::unique_ptr<jet::Database> reader_;
  std::vector<std::unique_ptr<jet::Database>> retired_;
  std::unique_ptr<jet::WriteSession> writer_;
  std::string path_;
  std::string password_;
  bool readOnly_;
  jet::LockWait lockWait_;
  bool inTransaction_ = false;
};

// An INSERT parsed once, its ? markers filled with each run's values (AccessLiteral.h) and
// converted to the columns' types as its literals would be. Any other statement, one that does
// not parse, or a run whose values do not fill the markers, runs as its text with the values
// written in: the provider then answers as it does for that text.
class AccessCommand : public PreparedCommand {
 public:
  AccessCommand(AccessSession& session, std::string sql)
      : session_(session), sql_(std::move(sql)), parsed_(ParseAccessSql(sql_)) {
    if (!parsed_.ok()) return;
    insert_ = std::get_if<InsertStatement>(&parsed_.value());
    if (!insert_) return;
    for (const SqlLiteral& value : insert_->values) {
      parameterOf_.push_back(value.kind == SqlLiteral::Kind::kMarker ? markers_ : kNoParameter);
      markers_ += value.kind == SqlLiteral::Kind::kMarker ? 1 : 0;
    }
  }

  void execute(const std::vector<Variant>& parameters) override {
    if (!insert_ || parameters.size() != markers_) {
      session_.execute(text(parameters));
      return;
    }
    // Each value is converted where it is: a bound text is copied once, into the engine's value.
    const auto valueOf = [&](std::size_t k, const AccessColumnType& column, std::string_view name) {
      const std::size_t parameter = parameterOf_[k];
      return parameter == kNoParameter ? ConvertLiteral(insert_->values[k], column, name)
                                       : ConvertBoundValue(parameters[parameter], column, name);
    };
    session_.insert(*insert_, valueOf, [&] { return text(parameters); });
  }

  std::string text(const std::vector<Variant>& parameters) const override {
    return StatementWithValues(sql_, parameters, &AppendAccessLiteral);
  }

 private:
  AccessSession& session_;
  const std::string sql_;
  jet::Result<AccessStatement> parsed_;
  static constexpr std::size_t kNoParameter = static_cast<std::size_t>(-1);
  const InsertStatement* insert_ = nullptr;
  std::vector<std::size_t> parameterOf_;  // per value of the INSERT: its parameter, or kNoParameter
  std::size_t markers_ = 0;
};

std::unique_ptr<PreparedCommand> AccessSession::prepare(const std::string& sql) {
  return std::make_unique<AccessCommand>(*this, sql);
}

}  // namespace

std::unique_ptr<Session> AccessProvider::open(const ConnectionTarget& target, const ConnectionProperties& properties) {
  const std::string& path = target.access.dataSource;
  if (path.empty())
    throw Error(adErrProviderFailed, "The Access connection string names no database file (Data Source= is empty).");

  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(status))
    throw Error(adErrProviderFailed, "The Access database file " + inQuotes(path) + " does not exist.");
  if (std::filesystem::is_directory(status))
    throw Error(adErrProviderFailed, inQuotes(path) + " is a folder, not an Access database file.");

  jet::Database::Options options;
  options.password = target.access.password;
  options.lockWait = LockWaitOf(properties);
  auto database = jet::Database::Open(path, options);
  if (!database.ok()) failOpen(database.status(), path);
  return std::make_unique<AccessSession>(std::move(database.value()), path, target.access.password,
                                         properties.mode == adModeRead, options.lockWait);
}

void RegisterAccessProvider() { RegisterProvider(ProviderKind::Access, std::make_shared<AccessProvider>()); }

}  // namespace ado::access
