#include "transfer/FaithfulCopy.h"

#include "ado/Command.h"
#include "ado/Constants.h"
#include "ado/Error.h"
#include "jet/Text.h"
#include "transfer/SavedQueryViews.h"
#include "transfer/SqlNames.h"
#include "transfer/StatementRunner.h"

#include <QString>
#include <algorithm>
#include <cctype>
#include <optional>

namespace transfer {

namespace {

constexpr std::size_t kMostAccessColumns = 255;

void Note(const FaithfulMode& mode, const std::string& text) {
  if (mode.note) mode.note(QString::fromStdString(text));
}

// One table's statements from its plan. The source's fields must be the planned columns, in
// their order: a table that changed in between is given up rather than copied askew.
class PlannedStatements : public TableStatements {
 public:
  PlannedStatements(faithful::TablePlan plan, bool toSQLite) : plan_(std::move(plan)), toSQLite_(toSQLite) {
    for (const auto& column : plan_.columns) forms_.push_back(column.form);
    afterRows_ = plan_.indexes;
    if (toSQLite_) {
      for (std::string& statement : faithful::DesignTableStatements(plan_.table, plan_.design))
        afterRows_.push_back(std::move(statement));
    }
  }

  void addColumn(const ado::Field& field, int position) override {
    const auto at = static_cast<std::size_t>(position);
    if (at >= plan_.columns.size() || QString::fromStdString(plan_.columns[at].name)
                                              .compare(QString::fromStdString(field.Name()), Qt::CaseInsensitive) != 0)
      throw ado::Error(ado::adErrProviderFailed, "the field " + field.Name() + " is not the column its design lists there");
    fields_ = position + 1;
  }

  std::vector<std::string> createStatements() override {
    if (static_cast<std::size_t>(fields_) != plan_.columns.size())
      throw ado::Error(ado::adErrProviderFailed, "the table's fields are not the columns its design lists");
    return {plan_.create};
  }

  std::string insertStart() const override {
    if (toSQLite_) {
      // SQLite computes a generated column: the INSERT names the others.
      std::string start = "INSERT INTO " + faithful::SQLiteName(plan_.table) + " ";
      if (std::any_of(plan_.columns.begin(), plan_.columns.end(), [](const auto& c) { return c.generated; })) {
        std::string list;
        for (const faithful::ColumnPlan& c : plan_.columns)
          if (!c.generated) list += (list.empty() ? "(" : ", ") + faithful::SQLiteName(c.name);
        start += list + ") ";
      }
      return start + "VALUES(";
    }
    // An AutoNumber keeps its values when the INSERT names the columns.
    const bool counter = std::any_of(plan_.columns.begin(), plan_.columns.end(),
                                     [](const faithful::ColumnPlan& c) { return c.rowidKey; });
    std::string start = "INSERT INTO " + faithful::AccessName(plan_.table) + " ";
    if (counter) {
      start += "(";
      for (std::size_t i = 0; i < plan_.columns.size(); ++i)
        start += (i ? ", " : "") + faithful::AccessName(plan_.columns[i].name);
      start += ") ";
    }
    return start + "VALUES(";
  }

  RowsAhead::ValueRule valueRule() const override {
    return [forms = &forms_, toSQLite = toSQLite_](ado::Variant&& value, int field) {
      const auto form = static_cast<std::size_t>(field) < forms->size() ? (*forms)[static_cast<std::size_t>(field)]
                                                                        : faithful::ValueForm::kText;
      return toSQLite ? faithful::SQLiteBoundValue(std::move(value), form)
                      : faithful::AccessBoundValue(std::move(value), form);
    };
  }

  bool bindsField(int position) const override {
    const auto at = static_cast<std::size_t>(position);
    return at >= plan_.columns.size() || !plan_.columns[at].generated;
  }

  // The indexes, and in SQLite the table's rows of _access_design: inside its transaction.
  std::vector<std::string> statementsAfterRows() override { return afterRows_; }

  void afterRows(ado::Connection& source, ado::Connection& target) override {
    for (const ValuesTable& values : valuesTables_) CopyValues(values, source, target);
  }

  // The tables of the attachment and multi-value columns (to SQLite).
  struct ValuesTable {
    faithful::ValuesTablePlan plan;
    bool replaces = false;  // the table of the same column a former copy made is dropped first
    std::function<void(const std::string&)> note;
  };
  std::vector<ValuesTable> valuesTables_;

 private:
  // The values of one column into their table: attachments if the column has them, else
  // values; a column that has neither (a version history) keeps only its text, with a note.
  static void CopyValues(const ValuesTable& values, ado::Connection& source, ado::Connection& target) {
    const faithful::ValuesTablePlan& plan = values.plan;
    ado::Recordset rs;
    bool attachments = true;
    try {
      rs.Open(faithful::ValuesQuery(plan, true), source);
    } catch (const ado::Error&) {
      attachments = false;
      try {
        rs.Open(faithful::ValuesQuery(plan, false), source);
      } catch (const ado::Error& e) {
        if (values.note)
          values.note("table \"" + plan.parent + "\", column \"" + plan.column +
                      "\": its values are copied as text only; they are neither attachments nor values of a "
                      "multi-value column (" + e.what() + ")");
        return;
      }
    }
    const std::size_t keys = plan.key.size();
    std::vector<faithful::ValueForm> forms;
    for (const faithful::ColumnPlan& k : plan.key) forms.push_back(k.form);
    std::string valueType;
    if (attachments) {
      forms.insert(forms.end(), {faithful::ValueForm::kText, faithful::ValueForm::kText, faithful::ValueForm::kBytes});
    } else {
      const ValueColumn column = ValueColumnOf(rs.Fields()[static_cast<int>(keys)].Type());
      valueType = column.type;
      forms.push_back(column.form);
    }
    if (values.replaces) target.Execute("DROP TABLE IF EXISTS " + faithful::SQLiteName(plan.table));
    target.Execute(faithful::ValuesTableCreate(plan, attachments, valueType));
    std::string insert = "INSERT INTO " + faithful::SQLiteName(plan.table) + " VALUES(";
    for (std::size_t i = 0; i < forms.size(); ++i) insert += i ? ", ?" : "?";
    ado::Command command(target, insert + ")");
    std::vector<ado::Variant> row(forms.size());
    for (; !rs.Eof(); rs.MoveNext()) {
      const ado::FieldCollection fields = rs.Fields();
      for (std::size_t i = 0; i < forms.size(); ++i)
        row[i] = faithful::SQLiteBoundValue(fields[static_cast<int>(i)].Value(), forms[i]);
      command.Execute(row);
    }
    const std::string object = plan.parent + "." + plan.column;
    for (const std::string& statement : faithful::DesignFactStatements(
             {{object, faithful::property::kValuesTable, plan.table},
              {object, faithful::property::kValuesKind, attachments ? "attachments" : "values"}}))
      target.Execute(statement);
  }

  // A multi-value column's declared type and form in SQLite, by the type of its values.
  struct ValueColumn {
    std::string type;
    faithful::ValueForm form;
  };
  static ValueColumn ValueColumnOf(int adoType) {
    switch (adoType) {
      case ado::adUnsignedTinyInt:
      case ado::adSmallInt:
      case ado::adInteger:
      case ado::adBigInt: return {"INTEGER", faithful::ValueForm::kNumber};
      case ado::adSingle:
      case ado::adDouble: return {"REAL", faithful::ValueForm::kNumber};
      case ado::adCurrency: return {"DECIMAL_TEXT(19,4)", faithful::ValueForm::kExactDecimal};
      case ado::adNumeric:
      case ado::adDecimal: return {"DECIMAL_TEXT(28,10)", faithful::ValueForm::kExactDecimal};
      case ado::adDate: return {"DATETIME", faithful::ValueForm::kDateTime};
      case ado::adGUID: return {"GUID", faithful::ValueForm::kGuid};
      case ado::adBoolean: return {"BOOLEAN", faithful::ValueForm::kBoolean};
      default: return {"TEXT", faithful::ValueForm::kText};
    }
  }

  faithful::TablePlan plan_;
  bool toSQLite_;
  std::vector<faithful::ValueForm> forms_;
  std::vector<std::string> afterRows_;
  int fields_ = 0;
};

// The one row of the facts query. A record set counts its rows with a second run of its
// query, which here would read the whole table again: the row goes through a temporary table
// of its own (SQLite's temp schema, never the file; it goes when the connection closes, since
// no table can be dropped while the source's rows are being read), and is read directly only
// when that fails.
std::vector<ado::Variant> FactsRow(ado::Connection& source, const TableDesign& design, int number) {
  const std::string query = faithful::SQLiteFactsQuery(design);
  const std::string temporary = "temp.tabloren_faithful_facts_" + std::to_string(number);
  bool stored = true;
  try {
    source.Execute("CREATE TEMP TABLE " + temporary + " AS " + query);
  } catch (const std::exception&) {
    stored = false;
  }
  ado::Recordset rs;
  rs.Open(stored ? "SELECT * FROM " + temporary : query, source);
  std::vector<ado::Variant> row;
  for (int i = 0; !rs.Eof() && i < rs.Fields().Count(); ++i) row.push_back(rs.Fields()[i].Value());
  return row;
}

// A table or view of a connection (Access: also a query or a linked table).
struct ObjectEntry {
  std::string name;
  std::string type;
  std::string linkDatabase, linkTable;  // a linked table's source
};

// An ODBC link's connection string without its password (PWD=...), for a note.
std::string WithoutPassword(const std::string& connect) {
  std::string out;
  std::size_t start = 0;
  while (start <= connect.size()) {
    const std::size_t end = std::min(connect.find(';', start), connect.size());
    const std::string part = connect.substr(start, end - start);
    if (jet::AsciiLower(part).rfind("pwd=", 0) != 0) out += (out.empty() ? "" : ";") + part;
    start = end + 1;
  }
  return out;
}

std::vector<ObjectEntry> Objects(ado::Connection& connection) {
  const auto text = [](const ado::Field& field) {
    const ado::Variant value = field.Value();
    return value.isNull() || value.isEmpty() ? std::string() : value.toText();
  };
  std::vector<ObjectEntry> objects;
  ado::Recordset rs = connection.OpenSchema(ado::adSchemaTables);
  for (; !rs.Eof(); rs.MoveNext()) {
    const ado::FieldCollection f = rs.Fields();
    objects.push_back({text(f["TABLE_NAME"]), text(f["TABLE_TYPE"]), text(f["LINK_DATABASE"]), text(f["LINK_TABLE"])});
  }
  return objects;
}

// The rows of an SQLite database's _access_design; none when it has no such table.
faithful::DesignFacts DesignFactsOf(ado::Connection& sqlite) {
  faithful::DesignFacts facts;
  if (!sqlite.IsOpen()) return facts;
  ado::Recordset exists = sqlite.OpenSchema(ado::adSchemaTables, {{}, {}, ado::Variant::text(faithful::kDesignTable)});
  if (exists.Eof()) return facts;
  ado::Recordset rs;
  rs.Open(std::string("SELECT object, property, value FROM ") + faithful::SQLiteName(faithful::kDesignTable), sqlite);
  for (; !rs.Eof(); rs.MoveNext()) {
    const ado::FieldCollection f = rs.Fields();
    std::string text[3];
    for (int i = 0; i < 3; ++i) {
      const ado::Variant value = f[i].Value();
      if (!value.isNull() && !value.isEmpty()) text[i] = value.toText();
    }
    facts.push_back({text[0], text[1], text[2]});
  }
  return facts;
}

// A validation rule's SQLite form, by the translator of the saved queries (the same subset as
// the views); a rule it refuses is a note and a row of _access_design.
SQLiteExpression RuleInSQLite(const std::string& rule, const ExpressionOptions& options) {
  return TranslateAccessExpression(rule, options);
}

}  // namespace

std::vector<std::string> TablesOfRun(const app::TableList& source, const app::TableList& target) {
  std::vector<std::string> names;
  for (int i = 0; i < source.count(); ++i)
    if (source.isSelected(i)) names.push_back(source.item(i).toStdString());
  for (int i = 0; i < target.count(); ++i) names.push_back(target.item(i).toStdString());
  return names;
}

// --- to SQLite ---

FaithfulToSQLiteDirection::FaithfulToSQLiteDirection(const TransferEnvironment& env, const FaithfulMode& mode)
    : tables_(TablesOfRun(env.accessList, env.sqliteList)), mode_(mode) {}

void FaithfulToSQLiteDirection::connectionsOpened(ado::Connection& source, ado::Connection& target) {
  target_ = &target;
  // An index cannot take the name of a table or view of the target, nor of a table or query
  // of the source that the copy (now or later) makes one.
  for (ado::Connection* connection : {&source, &target}) {
    if (!connection->IsOpen()) continue;
    try {
      for (const ObjectEntry& object : Objects(*connection)) {
        objectNames_.insert(jet::AsciiLower(object.name));
        // A linked table's rows live elsewhere: it is named, not copied.
        if (connection == &source && object.type == "LINK")
          Note(mode_, "the linked table \"" + object.name + "\" is not copied: it links to table \"" +
                          object.linkTable + "\" of " + WithoutPassword(object.linkDatabase));
      }
    } catch (const std::exception& e) {
      Note(mode_, std::string("the names of the tables could not be read, so an index may take one: ") + e.what());
    }
  }
  objectNames_.insert(jet::AsciiLower(faithful::kDesignTable));
  // The tables of attachment and multi-value columns a former copy made: copied again, each
  // takes the place of its old one.
  try {
    for (const faithful::DesignFact& fact : DesignFactsOf(target))
      if (fact.property == faithful::property::kValuesTable) formerValuesTables_[jet::AsciiLower(fact.object)] = fact.value;
  } catch (const std::exception& e) {
    Note(mode_, std::string("the table ") + faithful::kDesignTable + " of the SQLite database could not be read, so "
                "the tables of attachments a former copy made are not replaced: " + e.what());
  }
}

bool FaithfulToSQLiteDirection::indexNameTaken(const std::string& name) const {
  if (indexNames_.count(jet::AsciiLower(name)) || objectNames_.count(jet::AsciiLower(name))) return true;
  if (!target_ || !target_->IsOpen()) return false;
  ado::Recordset rs = target_->OpenSchema(ado::adSchemaIndexes, {{}, {}, ado::Variant::text(name)});
  return !rs.Eof();
}

std::unique_ptr<TableStatements> FaithfulToSQLiteDirection::beginTable(const QString& name, ado::Connection& source) {
  const TableDesign design = ReadTableDesign(source, name.toStdString());
  faithful::TablePlan plan =
      faithful::PlanSQLiteTable(design, tables_, [this](const std::string& n) { return indexNameTaken(n); },
                                RuleInSQLite);
  for (const std::string& note : plan.notes) Note(mode_, note);
  // The names the plan chose are taken from now on.
  for (const std::string& index : plan.indexNames) indexNames_.insert(jet::AsciiLower(index));
  std::vector<PlannedStatements::ValuesTable> valuesTables;
  for (const ado::ColumnEntry& c : design.columns) {
    if (jet::AsciiLower(c.typeName) != "attachment or multiple values") continue;
    const std::string object = jet::AsciiLower(design.name + "." + c.name);
    const auto old = formerValuesTables_.find(object);
    std::string table = old != formerValuesTables_.end() ? old->second : design.name + "_" + c.name;
    if (old == formerValuesTables_.end()) {
      const std::string base = table;
      for (int n = 2; indexNameTaken(table); ++n) table = base + std::to_string(n);
    }
    std::optional<faithful::ValuesTablePlan> values = faithful::PlanValuesTable(design, plan, c.name, table);
    if (!values) {
      Note(mode_, "table \"" + design.name + "\", column \"" + c.name +
                      "\": the table has no primary key its values could refer to, so they are copied as text only");
      continue;
    }
    objectNames_.insert(jet::AsciiLower(table));
    valuesTables.push_back({std::move(*values), old != formerValuesTables_.end(),
                            [this](const std::string& note) { Note(mode_, note); }});
  }
  auto statements = std::make_unique<PlannedStatements>(std::move(plan), true);
  statements->valuesTables_ = std::move(valuesTables);
  return statements;
}

void FaithfulToSQLiteDirection::afterAllTables(ado::Connection& source, ado::Connection& target, StatementRunner& runner) {
  runner.run(0, QString::fromUtf8(kAccessQueriesTable), [&] {
    CopySavedQueriesToSQLite(source, target, [this](const std::string& note) { Note(mode_, note); });
  });
}

// --- to Access ---

FaithfulToAccessDirection::FaithfulToAccessDirection(const TransferEnvironment& env, const FaithfulMode& mode)
    : tables_(TablesOfRun(env.sqliteList, env.accessList)), mode_(mode), sqliteList_(env.sqliteList) {
  format_.calculatedColumns = env.settings.accessPath().endsWith(QStringLiteral(".accdb"), Qt::CaseInsensitive);
}

void FaithfulToAccessDirection::connectionsOpened(ado::Connection& source, ado::Connection& target) {
  target_ = &target;
  // The design facts a faithful copy to SQLite kept: read here, and their table is no table
  // of the copy.
  for (int i = 0; i < sqliteList_.count(); ++i)
    if (jet::AsciiLower(sqliteList_.item(i).toStdString()) == jet::AsciiLower(faithful::kDesignTable)) sqliteList_.setSelected(i, false);
  if (!source.IsOpen()) return;
  views_ = ViewsFromAccessQueries(source);
  // The other views the run copies: saved queries where their SQL has an Access form.
  std::set<std::string> selected;
  for (int i = 0; i < sqliteList_.count(); ++i)
    if (sqliteList_.isSelected(i)) selected.insert(sqliteList_.item(i).toCaseFolded().toStdString());
  try {
    sqliteViews_ = PlanQueriesOfSQLiteViews(source, selected, views_);
  } catch (const std::exception& e) {
    sqliteViews_ = {};
    Note(mode_, std::string("the views could not be read, so each is copied as a table: ") + e.what());
  }
  for (const PlannedView& view : sqliteViews_.views)
    viewQueries_.insert(QString::fromStdString(view.name).toCaseFolded().toStdString());
  for (const RefusedQuery& view : sqliteViews_.refused)
    Note(mode_, "view " + view.name + " is copied as a table, not as a saved query: " + view.reason);
  try {
    kept_ = DesignFactsOf(source);
    for (const faithful::DesignFact& fact : kept_)
      if (fact.property == faithful::property::kValuesTable) valuesTables_[jet::AsciiLower(fact.value)] = fact.object;
  } catch (const std::exception& e) {
    kept_.clear();
    Note(mode_, std::string("the table ") + faithful::kDesignTable + " could not be read, so the Access design it "
                "keeps is not restored: " + e.what());
  }
}

bool FaithfulToAccessDirection::leavesOut(const QString& name) const {
  const std::string key = name.toCaseFolded().toStdString();
  return views_.count(key) || viewQueries_.count(key) || key == kAccessQueriesTable;
}

std::unique_ptr<TableStatements> FaithfulToAccessDirection::beginTable(const QString& name, ado::Connection& source) {
  if (target_ && target_->IsOpen()) {
    ado::Recordset existing = target_->OpenSchema(ado::adSchemaTables, {{}, {}, ado::Variant::text(name.toStdString())});
    if (!existing.Eof())
      throw ado::Error(ado::adErrProviderFailed,
                       "the Access database still has a table named " + name.toStdString() +
                           " (one that takes part in a relationship cannot be dropped), and the copy's rows do not "
                           "go into an old table");
  }
  const TableDesign design = ReadTableDesign(source, name.toStdString());
  std::vector<faithful::ColumnFacts> facts;
  // A table wider than Access allows is refused by its create, in words that say so; its
  // facts are not measured (from 286 columns on they would not even fit one SQLite query).
  if (!design.columns.empty() && design.columns.size() <= kMostAccessColumns)
    facts = faithful::FactsFromRow(FactsRow(source, design, ++tablesPlanned_), design.columns.size());
  faithful::DesignFacts kept;
  const std::string prefix = jet::AsciiLower(design.name + ".");
  for (const faithful::DesignFact& fact : kept_) {
    const std::string object = jet::AsciiLower(fact.object);
    if (object == jet::AsciiLower(design.name) || object.rfind(prefix, 0) == 0) kept.push_back(fact);
  }
  faithful::TablePlan plan = faithful::PlanAccessTable(design, facts, format_, tables_, kept);
  for (const std::string& note : plan.notes) Note(mode_, note);
  // The engine writes no attachment or multi-value columns: their table comes back as one.
  if (const auto values = valuesTables_.find(jet::AsciiLower(design.name)); values != valuesTables_.end())
    Note(mode_, "table \"" + design.name + "\" holds the values of the attachment or multi-value column " +
                    values->second + "; it comes back as a table of its own");
  for (const std::string& key : plan.foreignKeys) foreignKeys_.emplace_back(plan.table, key);
  return std::make_unique<PlannedStatements>(std::move(plan), false);
}

void FaithfulToAccessDirection::afterAllTables(ado::Connection& source, ado::Connection& target, StatementRunner& runner) {
  // A relationship the source has and the target could not take (data that breaks it) is a
  // failure of its table's copy: the run ends with exit status 1, never with a note only.
  for (const auto& [table, key] : foreignKeys_)
    runner.run(300, QString::fromStdString(table), [&] { target.Execute(key); });
  runner.run(0, QString::fromUtf8(kAccessQueriesTable), [&] {
    CopySavedQueriesToAccess(source, target, [this](const std::string& note) { Note(mode_, note); });
  });
  // A view written as a saved query is not copied as a table: one Access refuses is a failure.
  for (const PlannedView& view : sqliteViews_.views)
    runner.run(0, QString::fromStdString(view.name), [&] {
      target.Execute("CREATE VIEW " + AccessQuoted(QString::fromStdString(view.name)) + " AS " + view.select);
    });
}

}  // namespace transfer
