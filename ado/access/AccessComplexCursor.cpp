#include "ado/access/AccessComplexCursor.h"

#include "ado/Error.h"
#include "ado/access/ValueConversion.h"

namespace ado::access {

namespace {

[[noreturn]] void fail(const jet::Status& status) { throw Error(adErrProviderFailed, status.message()); }

template <class T>
T take(jet::Result<T>&& result) {
  if (!result.ok()) fail(result.status());
  return std::move(result.value());
}

std::optional<std::size_t> ColumnIndex(const jet::TableDef& table, const std::string& name) {
  for (std::size_t i = 0; i < table.columns.size(); ++i)
    if (jet::EqualsIgnoreCase(table.columns[i].name, name)) return i;
  return std::nullopt;
}

}  // namespace

AccessComplexCursor::AccessComplexCursor(jet::Database& database, std::shared_ptr<const jet::TableDef> table,
                                         const std::vector<Selected>& selected) {
  const std::string where = database.fileName() + ": table " + table->name;
  const jet::ColumnDef* complex = nullptr;
  std::vector<std::size_t> plain;  // definition indexes of the chosen columns of t
  for (const Selected& s : selected) {
    const auto at = ColumnIndex(*table, s.name);
    if (!at) throw Error(adErrItemNotFound, where + " has no column \"" + s.name + "\"");
    const jet::ColumnDef& column = table->columns[*at];
    if (s.part.empty()) {
      fields_.push_back({false, plain.size()});
      plain.push_back(*at);
      columns_.push_back({column.name, AdoTypeOfColumn(column)});
      continue;
    }
    if (column.type() != jet::ColumnType::kComplex)
      throw Error(adErrProviderFailed, where + ", column \"" + column.name + "\" holds no attachments or values");
    if (complex && complex != &column)
      throw Error(adErrProviderFailed, where + ": the values of one attachment or multi-value column at a time");
    complex = &column;
  }
  if (!complex) throw Error(adErrProviderFailed, where + ": the columns name no part of an attachment or multi-value column");
  const std::size_t complexAt = static_cast<std::size_t>(complex - table->columns.data());

  const jet::ComplexColumns::FlatTable flat = take(database.complexColumns().flatTable(*table, *complex));
  keyColumn_ = flat.keyColumn;
  for (std::size_t i = 0; i < selected.size(); ++i) {
    if (selected[i].part.empty()) continue;
    const auto at = ColumnIndex(*flat.def, selected[i].part);
    if (!at || *at == keyColumn_)
      throw Error(adErrItemNotFound, where + ", column \"" + complex->name + "\" has no part \"" + selected[i].part + "\"");
    const jet::ColumnDef& part = flat.def->columns[*at];
    columns_.insert(columns_.begin() + static_cast<std::ptrdiff_t>(i), {complex->name + "." + part.name, AdoTypeOfColumn(part)});
    fields_.insert(fields_.begin() + static_cast<std::ptrdiff_t>(i), {true, *at});
  }

  jet::TableCursor rows = take(database.scan(table));
  while (take(rows.next())) {
    const std::optional<std::int32_t> key = take(rows.complexKey(complexAt));
    if (!key) continue;
    std::vector<Variant> values;
    for (std::size_t at : plain) values.push_back(VariantFromValue(take(rows.value(at))));
    rowsByKey_.emplace(*key, std::move(values));
  }
  jet::TableCursor counter = take(database.scan(flat.def));
  while (take(counter.next())) {
    const jet::Value key = take(counter.value(keyColumn_));
    const auto* k = std::get_if<std::int32_t>(&key);
    if (k && rowsByKey_.count(*k)) ++recordCount_;
  }
  values_ = std::make_unique<jet::TableCursor>(take(database.scan(flat.def)));
}

bool AccessComplexCursor::next() {
  while (take(values_->next())) {
    const jet::Value key = take(values_->value(keyColumn_));
    const auto* k = std::get_if<std::int32_t>(&key);
    if (!k) continue;
    const auto row = rowsByKey_.find(*k);
    if (row == rowsByKey_.end()) continue;
    row_ = &row->second;
    return true;
  }
  return false;
}

Variant AccessComplexCursor::value(std::size_t column) const {
  const Field& field = fields_.at(column);
  if (!field.part) return row_->at(field.index);
  return VariantFromValue(take(values_->value(field.index)));
}

}  // namespace ado::access
