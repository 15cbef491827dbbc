// The rows of SELECT k, ..., c.part, ... FROM t (AccessSql.h): one row per value of the
// complex column c (an attachment or one of several values), with the chosen columns of the
// row of t that holds it. Rows of t without values give no row. The parts are read from the
// hidden table as Access stores them: FileData is the stored bytes (wrapped, maybe deflated),
// not the file.
//
// The chosen columns of t are read once, for every row of t that has values; the hidden table
// is then streamed in its storage order, one row at a time.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "ado/Provider.h"
#include "jet/Database.h"

namespace ado::access {

class AccessComplexCursor : public Cursor {
 public:
  struct Selected {
    std::string name;
    std::string part;  // empty: a column of t
  };
  // Throws ado::Error naming the table and column when a column, the complex column or a part
  // is not there, or the pages cannot be read.
  AccessComplexCursor(jet::Database& database, std::shared_ptr<const jet::TableDef> table,
                      const std::vector<Selected>& selected);

  const std::vector<Column>& columns() const override { return columns_; }
  std::int64_t recordCount() const override { return recordCount_; }
  bool next() override;
  Variant value(std::size_t column) const override;

 private:
  struct Field {
    bool part = false;
    std::size_t index = 0;  // in the row of t chosen (part: in the hidden table's definition)
  };
  std::vector<Column> columns_;
  std::vector<Field> fields_;
  std::unordered_map<std::int32_t, std::vector<Variant>> rowsByKey_;  // the chosen columns of t
  const std::vector<Variant>* row_ = nullptr;
  std::size_t keyColumn_ = 0;
  mutable std::unique_ptr<jet::TableCursor> values_;
  std::int64_t recordCount_ = 0;
};

}  // namespace ado::access
