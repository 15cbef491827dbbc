// ADO's connection: set the properties, Open with a connection string (which picks the
// provider), run statements, read the table schema, Close. The destructor closes.
#pragma once

#include "ado/Constants.h"
#include "ado/Error.h"
#include "ado/Provider.h"
#include "ado/Recordset.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ado {

class Command;

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Properties: accepted only while closed (ado::Error 3705 when open).
  void SetCursorLocation(int value);
  void SetMode(int value);
  void SetCommandTimeout(int seconds);
  void SetConnectionTimeout(int seconds);
  const ConnectionProperties& Properties() const { return properties_; }

  // ado::Error 3706 for an unknown provider, 3705 when already open, or the provider's error.
  void Open(const std::string& connectionString);
  bool IsOpen() const { return session_ != nullptr; }
  // Runs one statement; nothing it returns is kept.
  void Execute(const std::string& sql);
  // adSchemaTables (20): fields TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE; the
  // columns, indexes, primary keys and foreign keys schemas as ado/Schema.h says, restricted
  // by `restrictions` (Empty for none). Other schemas raise ado::Error 3251.
  Recordset OpenSchema(int schema, const std::vector<Variant>& restrictions = {});
  // Whether the database takes the two names for one table or column name (Access: by its
  // sort order, so letter case never tells names apart); nullopt when the provider leaves
  // that to the caller.
  std::optional<bool> SameName(const std::string& a, const std::string& b);
  void BeginTrans();
  void CommitTrans();
  void RollbackTrans();
  // Closes the connection's open record sets, then the connection. Closing a closed one does nothing.
  void Close();

 private:
  friend class Recordset;
  friend class Command;
  Session& openSession();
  std::unique_ptr<Session> session_;
  ConnectionProperties properties_;
  std::set<Recordset*> recordsets_;  // open record sets on this connection
  std::set<Command*> commands_;      // commands prepared on this connection
};

}  // namespace ado
