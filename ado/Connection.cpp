#include "ado/Connection.h"

#include "ado/Error.h"

#include <vector>

namespace ado {

namespace {

// The record set that OpenSchema returns: the catalogue rows, held in memory (a catalogue is small).
class TableSchemaCursor : public Cursor {
 public:
  explicit TableSchemaCursor(std::vector<TableEntry> rows) : rows_(std::move(rows)) {}
  const std::vector<Column>& columns() const override { return columns_; }
  std::int64_t recordCount() const override { return static_cast<std::int64_t>(rows_.size()); }
  bool next() override { return ++row_ < rows_.size(); }
  Variant value(std::size_t column) const override {
    const TableEntry& entry = rows_[row_];
    switch (column) {
      case 2: return Variant::text(entry.name);
      case 3: return Variant::text(entry.type);
      default: return Variant::null();  // catalogue and schema: files have neither
    }
  }

 private:
  std::vector<TableEntry> rows_;
  std::size_t row_ = static_cast<std::size_t>(-1);
  std::vector<Column> columns_{{"TABLE_CATALOG", adVarWChar}, {"TABLE_SCHEMA", adVarWChar},
                               {"TABLE_NAME", adVarWChar}, {"TABLE_TYPE", adVarWChar}};
};

void requireClosed(const std::unique_ptr<Session>& session) {
  if (session) throw Error(adErrObjectOpen, "Operation is not allowed when the object is open.");
}

}  // namespace

Connection::~Connection() { Close(); }

void Connection::SetCursorLocation(int value) {
  requireClosed(session_);
  if (value != adUseServer && value != adUseClient)
    throw Error(adErrInvalidArgument, "CursorLocation must be 2 (adUseServer) or 3 (adUseClient), not " +
                                          std::to_string(value) + ".");
  properties_.cursorLocation = value;
}

void Connection::SetMode(int value) {
  requireClosed(session_);
  properties_.mode = value;
}

void Connection::SetCommandTimeout(int seconds) {
  requireClosed(session_);
  if (seconds < 0) throw Error(adErrInvalidArgument, "CommandTimeout cannot be negative.");
  properties_.commandTimeout = seconds;
}

void Connection::SetConnectionTimeout(int seconds) {
  requireClosed(session_);
  if (seconds < 0) throw Error(adErrInvalidArgument, "ConnectionTimeout cannot be negative.");
  properties_.connectionTimeout = seconds;
}

void Connection::Open(const std::string& connectionString) {
  requireClosed(session_);
  session_ = OpenSession(connectionString, properties_);
}

Session& Connection::openSession() {
  if (!session_) throw Error(adErrObjectClosed, "Operation is not allowed when the object is closed.");
  return *session_;
}

void Connection::Execute(const std::string& sql) { openSession().execute(sql); }

void Connection::Execute(const std::string& sql, const PreparedStatement* prepared) {
  if (prepared) {
    openSession().execute(sql, *prepared);
  } else {
    openSession().execute(sql);
  }
}

StatementPreparer Connection::Preparer() { return openSession().preparer(); }

Recordset Connection::OpenSchema(int schema) {
  Session& session = openSession();
  if (schema != adSchemaTables)
    throw Error(adErrFeatureNotAvailable,
                "Schema " + std::to_string(schema) + " is not supported; only the table schema (20) is.");
  Recordset recordset;
  recordset.attach(std::make_unique<TableSchemaCursor>(session.tables()), this);
  return recordset;
}

void Connection::BeginTrans() { openSession().beginTransaction(); }
void Connection::CommitTrans() { openSession().commitTransaction(); }
void Connection::RollbackTrans() { openSession().rollbackTransaction(); }

void Connection::Close() {
  // Cursors first: they belong to the session and must not outlive it.
  while (!recordsets_.empty()) (*recordsets_.begin())->detachFromConnection();
  session_.reset();
}

}  // namespace ado
