#include "ado/Connection.h"

#include "ado/Command.h"
#include "ado/Error.h"
#include "ado/Schema.h"

#include <vector>

namespace ado {

namespace {

void requireClosed(const std::unique_ptr<Session>& session) {
  if (session) throw Error(adErrObjectOpen, "Operation is not allowed when the object is open.");
}

}  // namespace

Connection::~Connection() {
  Close();
  for (Command* command : commands_) command->connection_ = nullptr;
}

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


Recordset Connection::OpenSchema(int schema, const std::vector<Variant>& restrictions) {
  Session& session = openSession();
  Recordset recordset;
  recordset.attach(SchemaCursor(session, schema, restrictions), this);
  return recordset;
}

std::optional<bool> Connection::SameName(const std::string& a, const std::string& b) {
  return openSession().sameName(a, b);
}

void Connection::BeginTrans() { openSession().beginTransaction(); }
void Connection::CommitTrans() { openSession().commitTransaction(); }
void Connection::RollbackTrans() { openSession().rollbackTransaction(); }

void Connection::Close() {
  // Cursors first: they belong to the session and must not outlive it.
  while (!recordsets_.empty()) (*recordsets_.begin())->detachFromConnection();
  for (Command* command : commands_) command->closeConnection();
  session_.reset();
}

}  // namespace ado
