// An open Access database for reading: the page file, its header and catalogue,
// table definitions on demand (cached), row cursors, and complex-column values.
// The engine's entry point: the write session (jet/write) opens one of these and reads
// through it, so reading and writing share one view of the file.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "jet/Catalog.h"
#include "jet/ComplexColumns.h"
#include "jet/PageFile.h"
#include "jet/Status.h"
#include "jet/TableCursor.h"
#include "jet/TableDef.h"

namespace jet {

class Database {
 public:
  struct Options {
    std::string password;  // UTF-8; empty for none
    size_t cachePages = 512;
    bool writable = false;  // the writer's sessions open the file for writing
    LockWait lockWait;      // for another program's lock on the file (jet/FileLock.h)
  };

  static Result<std::unique_ptr<Database>> Open(const std::string& path, const Options& options);

  PageFile& file() { return *file_; }
  const std::string& fileName() const { return file_->fileName(); }
  const DatabaseHeader& header() const { return file_->header(); }
  const Catalog& catalog() const { return catalog_; }

  // The definition of a table listed in the catalogue (name compared without case).
  Result<std::shared_ptr<const TableDef>> tableDef(const std::string& name);
  // The definition of the table whose TDEF starts at `page`, named `name` in errors.
  Result<std::shared_ptr<const TableDef>> tableDefAt(uint32_t page, const std::string& name);
  // A cursor over every live row of `name`; complex columns are resolved.
  Result<TableCursor> scan(const std::string& name);
  Result<TableCursor> scan(std::shared_ptr<const TableDef> def);
  // The values of complex columns (attachments, multiple values).
  ComplexColumns& complexColumns() { return *complex_; }
  // Reads the catalogue again and forgets cached definitions: after the writer changed them.
  Status reload();

 private:
  explicit Database(std::unique_ptr<PageFile> file);
  // Gives columns what the table's properties in the catalogue say about them: result types of
  // calculated columns, Required and DefaultValue.
  void loadColumnProperties(TableDef& def);

  std::unique_ptr<PageFile> file_;
  Catalog catalog_;
  std::map<uint32_t, std::shared_ptr<const TableDef>> defs_;
  std::unique_ptr<ComplexColumns> complex_;
};

}  // namespace jet
