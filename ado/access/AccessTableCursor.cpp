#include "ado/access/AccessTableCursor.h"

#include "ado/Error.h"
#include "ado/access/ValueConversion.h"

namespace ado::access {

namespace {

[[noreturn]] void fail(const jet::Status& status) { throw Error(adErrProviderFailed, status.message()); }

jet::TableCursor openRows(jet::Database& database, const std::shared_ptr<const jet::TableDef>& table) {
  auto rows = database.scan(table);
  if (!rows.ok()) fail(rows.status());
  return std::move(rows.value());
}

}  // namespace

AccessTableCursor::AccessTableCursor(jet::Database& database, std::shared_ptr<const jet::TableDef> table)
    : table_(std::move(table)) {
  for (const jet::ColumnDef* column : table_->columnsByNumber()) {
    columns_.push_back({column->name, AdoTypeOfColumn(*column)});
    definitionIndex_.push_back(static_cast<std::size_t>(column - table_->columns.data()));
  }
  jet::TableCursor counter = openRows(database, table_);
  for (;;) {
    auto more = counter.next();
    if (!more.ok()) fail(more.status());
    if (!*more) break;
    ++recordCount_;
  }
  rows_ = std::make_unique<jet::TableCursor>(openRows(database, table_));
}

bool AccessTableCursor::next() {
  auto more = rows_->next();
  if (!more.ok()) fail(more.status());
  return *more;
}

Variant AccessTableCursor::value(std::size_t column) const {
  auto decoded = rows_->value(definitionIndex_.at(column));
  if (!decoded.ok()) fail(decoded.status());
  return VariantFromValue(std::move(*decoded));
}

}  // namespace ado::access
