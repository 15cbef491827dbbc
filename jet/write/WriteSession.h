// A database opened for writing, and the statements the Access provider runs on it.
// Every statement runs in a scope: its changes are flushed when it succeeds and undone
// exactly when it fails (the file is then as before the statement). Inside a batch
// (beginBatch .. commitBatch) successful statements stay in memory until the commit;
// a failing one is still undone alone.
//
// While a session is open it holds the database's exclusive lock (jet/FileLock.h) and the
// lock file Access keeps beside it (jet/write/AccessLockFile.h): no other writer, and no
// reader, ever sees the file between two of its writes. Another program's session is
// waited for up to the given time.
//
// Encoded and encrypted files are written through the page codec the reader uses: every
// page goes to disk encoded with the file's keys, the header page's encryption data as
// it was. Access 97 (Jet3) files are written in their own layouts (2 KB pages, code-page
// text). Writing is refused, with a message that says why, for files whose sort order has
// no known index keys.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/Database.h"
#include "jet/Status.h"
#include "jet/Value.h"
#include "jet/write/AccessLockFile.h"
#include "jet/write/PageWriter.h"
#include "jet/write/RelationshipWriter.h"
#include "jet/write/TableCreator.h"

namespace jet {

class WriteSession {
 public:
  static Result<std::unique_ptr<WriteSession>> Open(const std::string& path, const std::string& password = {},
                                                    const LockWait& wait = {});
  ~WriteSession();

  Database& database() { return *db_; }
  // The session's page writer, for statements made of engine calls run through run()
  // (e.g. a relationship: its catalogue rows and AddRelationshipIndexes together).
  PageWriter& writer() { return writer_; }

  // CREATE TABLE name (columns, constraints): the indexes are those of its primary key
  // and unique constraints.
  Status createTable(const std::string& name, const std::vector<NewColumn>& columns,
                     const std::vector<NewIndex>& indexes = {}, const NewTableProperties& table = {});
  // CREATE [UNIQUE] INDEX index ON table (...): the table's rows are indexed; a row the
  // index refuses leaves the file as it was.
  Status createIndex(const std::string& table, const NewIndex& index);
  // INSERT INTO name VALUES (values): one value per column, in column-number order.
  Status insert(const std::string& name, std::vector<Value> values);
  // The columns of table `name` in column-number order, the order INSERT takes its values
  // in; refused for tables rows cannot be added to. Valid until the catalogue changes.
  Result<const std::vector<const ColumnDef*>*> insertColumns(const std::string& name);
  // DROP TABLE name.
  Status dropTable(const std::string& name);
  // ALTER TABLE ... ADD CONSTRAINT ... FOREIGN KEY: an Access relationship (RelationshipWriter.h).
  Status createRelationship(const NewRelationship& relationship);
  // CREATE VIEW name AS select: a saved select or union query (jet/write/QueryWriter.h).
  Status createQuery(const std::string& name, const std::string& accessSql);
  // SELECT * INTO target FROM source: a new table with source's columns and rows.
  Status copyTable(const std::string& source, const std::string& target);

  void beginBatch() { inBatch_ = true; }
  Status commitBatch();
  void rollbackBatch();

  // Lowers the largest size the file may reach (tests only: the real one is 1 or 2 GiB).
  void limitFileSizeForTests(uint64_t bytes) { writer_.limitFileBytesForTests(bytes); }

  // Runs `body` as one statement (used by the statements above).
  Status run(const std::function<Status()>& body, bool catalogueChanges);

 private:
  WriteSession(std::unique_ptr<Database> db, std::unique_ptr<AccessLockFile> lockFile);
  // The enforced relationships (cached until the catalogue changes).
  Result<const std::vector<StoredRelationship>*> enforcedRelationships();

  std::unique_ptr<Database> db_;
  // Removed before the database's lock goes (members end in reverse order).
  std::unique_ptr<AccessLockFile> lockFile_;
  PageWriter writer_;
  bool inBatch_ = false;
  std::optional<std::vector<StoredRelationship>> enforcedRelationships_;

  // What adding rows to one table needs besides the values, worked out for its first row
  // and kept while the catalogue stays as it is: a copy sends row after row to one table.
  struct InsertTarget {
    std::string name;  // as the statements spell it
    std::shared_ptr<const TableDef> def;
    std::vector<const ColumnDef*> byNumber;
    bool numberOrder = true;  // the definition lists the columns in number order
    std::vector<ReferenceCheck> references;  // the enforced relationships it refers through
  };
  Result<const InsertTarget*> insertTarget(const std::string& name);
  // The body of insert(), run as one statement.
  Status insertRow(const std::string& name, std::vector<Value>& values);
  // Drops what is kept about the catalogue (after it changed or a statement failed).
  Status forgetCatalog();
  std::optional<InsertTarget> insertTarget_;
};

// The column list of an existing table of a file of `format`, as CREATE TABLE would make
// it (for copies).
Result<std::vector<NewColumn>> ColumnsOf(const TableDef& table, const std::string& fileName,
                                         const JetFormat& format = kJet4Format);

}  // namespace jet
