#include "transfer/FaithfulCopy.h"

#include "ado/Constants.h"

namespace transfer {

std::vector<std::string> TablesOfRun(const app::TableList& source, const app::TableList& target) {
  std::vector<std::string> names;
  for (int i = 0; i < source.count(); ++i)
    if (source.isSelected(i)) names.push_back(source.item(i).toStdString());
  for (int i = 0; i < target.count(); ++i) names.push_back(target.item(i).toStdString());
  return names;
}

FaithfulTables::FaithfulTables(Target target, ado::Connection& source, ado::Connection& destination,
                               std::vector<std::string> tablesCopied, const FaithfulMode& mode)
    : target_(target), source_(source), destination_(destination), tablesCopied_(std::move(tablesCopied)), mode_(mode) {}

void FaithfulTables::note(const std::string& text) const {
  if (mode_.note) mode_.note(QString::fromStdString(text));
}

void FaithfulTables::plan(const std::string& table) {
  const TableDesign design = ReadTableDesign(source_, table);
  if (target_ == Target::kSQLite) {
    plan_ = faithful::PlanSQLiteTable(design, tablesCopied_, [this](const std::string& name) {
      ado::Recordset rs = destination_.OpenSchema(ado::adSchemaIndexes, {{}, {}, ado::Variant::text(name)});
      return !rs.Eof();
    });
  } else {
    std::vector<faithful::ColumnFacts> facts;
    if (!design.columns.empty()) {
      ado::Recordset rs;
      rs.Open(faithful::SQLiteFactsQuery(design), source_);
      std::vector<ado::Variant> row;
      for (int i = 0; !rs.Eof() && i < rs.Fields().Count(); ++i) row.push_back(rs.Fields()[i].Value());
      facts = faithful::FactsFromRow(row, design.columns.size());
    }
    plan_ = faithful::PlanAccessTable(design, facts, {}, tablesCopied_);
  }
  forms_.clear();
  for (const auto& column : plan_.columns) forms_.push_back(column.form);
  for (const std::string& text : plan_.notes) note(text);
}

std::string FaithfulTables::insertStart() const {
  if (target_ == Target::kSQLite) return "INSERT INTO " + faithful::SQLiteName(plan_.table) + " VALUES(";
  bool counter = false;
  for (const auto& column : plan_.columns) counter = counter || column.rowidKey;
  std::string start = "INSERT INTO " + faithful::AccessName(plan_.table) + " ";
  if (counter) {
    start += "(";
    for (std::size_t i = 0; i < plan_.columns.size(); ++i)
      start += (i ? ", " : "") + faithful::AccessName(plan_.columns[i].name);
    start += ") ";
  }
  return start + "VALUES(";
}

void FaithfulTables::appendValue(std::string& statement, const ado::Variant& value, int field) const {
  const auto form = field >= 0 && static_cast<std::size_t>(field) < forms_.size() ? forms_[static_cast<std::size_t>(field)]
                                                                                  : faithful::ValueForm::kText;
  if (target_ == Target::kSQLite) faithful::AppendSQLiteValue(statement, value, form);
  else faithful::AppendAccessValue(statement, value, form);
}

void FaithfulTables::tableCopied() {
  foreignKeys_.insert(foreignKeys_.end(), plan_.foreignKeys.begin(), plan_.foreignKeys.end());
}

}  // namespace transfer
