// A record set's rows read straight from one Access table: columns in column-number order,
// rows streamed through the engine's table cursor (one page and one row in memory at a time),
// values decoded when a field is read.
//
// RecordCount is known before the first row: opening walks the table's rows once without
// decoding any value (the row count stored in the table definition can be stale, so it is not
// used). That walk reads the data pages but no long values, and it counts exactly the rows
// the cursor then delivers.
#pragma once

#include <memory>
#include <vector>

#include "ado/Provider.h"
#include "jet/Database.h"

namespace ado::access {

class AccessTableCursor : public Cursor {
 public:
  // Throws ado::Error when the table's pages cannot be read.
  AccessTableCursor(jet::Database& database, std::shared_ptr<const jet::TableDef> table);

  const std::vector<Column>& columns() const override { return columns_; }
  std::int64_t recordCount() const override { return recordCount_; }
  bool next() override;
  Variant value(std::size_t column) const override;

 private:
  std::shared_ptr<const jet::TableDef> table_;
  std::vector<Column> columns_;
  std::vector<std::size_t> definitionIndex_;  // per field: the column's index in the definition
  // Decoding a value reads pages through the cursor; the record set's view of it stays const.
  mutable std::unique_ptr<jet::TableCursor> rows_;
  std::int64_t recordCount_ = 0;
};

}  // namespace ado::access
