// ADO's record set: a forward walk over the rows of a query, streamed from the provider one
// row at a time, so memory does not grow with the size of a table.
//
//   ado::Recordset rs;
//   rs.Open("SELECT * FROM [Orders]", connection);
//   for (; !rs.Eof(); rs.MoveNext()) use(rs.Fields()["Name"].Value());
//   rs.Close();
#pragma once

#include "ado/Constants.h"
#include "ado/Field.h"
#include "ado/Provider.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ado {

class Connection;

class Recordset {
 public:
  Recordset();
  ~Recordset();  // closes
  Recordset(Recordset&& other) noexcept;
  Recordset& operator=(Recordset&& other) noexcept;
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Runs the source query on an open connection and moves to its first row.
  // Cursor and lock type are passed to the provider; every provider streams forward.
  void Open(const std::string& source, Connection& activeConnection, int cursorType = adOpenForwardOnly,
            int lockType = adLockReadOnly);
  bool IsOpen() const { return cursor_ != nullptr; }
  // True when there is no current row (past the last row, or no rows at all).
  bool Eof() const;
  // ado::Error 3021 when already at EOF.
  void MoveNext();
  // Rows in all, known before the first row (-1 if the provider cannot tell).
  std::int64_t RecordCount() const;
  FieldCollection Fields() const { return FieldCollection(this); }
  void Close();

 private:
  friend class Connection;
  friend class Field;
  friend class FieldCollection;
  void attach(std::unique_ptr<Cursor> cursor, Connection* connection);
  void detachFromConnection();  // the connection closes: drop the cursor first
  const Cursor& openCursor() const;
  std::unique_ptr<Cursor> cursor_;
  Connection* connection_ = nullptr;
  bool eof_ = true;
};

}  // namespace ado
