#include "transfer/FaithfulRules.h"

#include "ado/Constants.h"
#include "ado/access/AccessLiteral.h"
#include "jet/DateSerial.h"
#include "jet/Text.h"
#include "transfer/SQLiteColumns.h"
#include "transfer/SqlNames.h"

#include <QString>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace transfer::faithful {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr int kMaxAccessText = 255;
constexpr int kMaxAccessDecimal = 28;

bool Has(const std::string& lower, const char* part) { return lower.find(part) != std::string::npos; }
bool SameName(const std::string& a, const std::string& b) { return jet::AsciiLower(a) == jet::AsciiLower(b); }
bool Listed(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameName(n, name); });
}

std::string Delimited(const std::string& name, char open, char close) {
  std::string out(1, open);
  for (char c : name) {
    out += c;
    if (c == close) out += close;
  }
  return out + close;
}

std::string Quoted(const std::string& text) {
  std::string out;
  AppendQuotedText(out, text);
  return out;
}

// A plain decimal number: optional sign, digits, optional fraction.
bool IsDecimalNumber(const std::string& text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  }
  return digits > 0 && i == text.size();
}

std::string Trimmed(const std::string& text) {
  std::size_t a = 0, b = text.size();
  while (a < b && std::isspace(static_cast<unsigned char>(text[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(text[b - 1]))) --b;
  return text.substr(a, b - a);
}

// The text inside matching quotes ("..." or '...', the quote doubled inside), or nothing.
std::optional<std::string> Unquoted(const std::string& text) {
  if (text.size() < 2) return std::nullopt;
  const char q = text.front();
  if ((q != '"' && q != '\'') || text.back() != q) return std::nullopt;
  std::string out;
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == q) {
      if (i + 2 < text.size() && text[i + 1] == q) {
        out += q;
        ++i;
        continue;
      }
      return std::nullopt;  // an expression of several quoted pieces
    }
    out += text[i];
  }
  return out;
}

std::string Column(const std::string& table, const std::string& column) {
  return "table \"" + table + "\", column \"" + column + "\"";
}

// --- the to-SQLite column rule ---

// The SQLite default of an Access expression default that reads the clock, in the copy's date
// text form and, as Access's, the local time.
std::optional<std::string> ClockDefault(const std::string& lower) {
  if (lower == "now()" || lower == "now") return "(datetime('now','localtime'))";
  if (lower == "date()" || lower == "date") return "(date('now','localtime') || ' 00:00:00')";
  if (lower == "time()" || lower == "time") return "('1899-12-30 ' || time('now','localtime'))";
  return std::nullopt;
}

// The columns whose numbers the copy stores as text: Currency and Decimal.
std::vector<std::string> NumbersAsText(const TableDesign& design) {
  std::vector<std::string> names;
  for (const ado::ColumnEntry& c : design.columns)
    if (jet::AsciiLower(c.typeName) == "currency" || jet::AsciiLower(c.typeName) == "decimal") names.push_back(c.name);
  return names;
}

ColumnPlan SQLiteColumnFor(const TableDesign& design, const ado::ColumnEntry& c, bool rowidKey,
                           std::vector<std::string>& notes, DesignFacts& facts, const ExpressionTranslator& translate) {
  const std::string object = design.name + "." + c.name;
  if (!c.typeName.empty()) facts.push_back({object, property::kAccessType, c.typeName});
  ColumnPlan plan;
  plan.name = c.name;
  plan.notNull = !c.nullable;
  const std::string type = jet::AsciiLower(c.typeName);
  auto sized = [&](const char* word, std::optional<std::int64_t> size) {
    return size ? std::string(word) + "(" + std::to_string(*size) + ")" : std::string(word);
  };
  if (type == "yes/no") {
    plan.type = "BOOLEAN";
    plan.form = ValueForm::kBoolean;
    plan.check = SQLiteName(c.name) + " IN (0,1)";
  } else if (type == "byte" || type == "integer" || type == "long integer" || type == "autonumber" ||
             type == "large number") {
    plan.type = "INTEGER";
    plan.form = ValueForm::kNumber;
  } else if (type == "single" || type == "double") {
    plan.type = "REAL";
    plan.form = ValueForm::kNumber;
  } else if (type == "currency") {
    plan.type = "DECIMAL_TEXT(19,4)";
    plan.form = ValueForm::kExactDecimal;
  } else if (type == "decimal") {
    plan.type = "DECIMAL_TEXT(" + std::to_string(c.precision.value_or(18)) + "," + std::to_string(c.scale.value_or(0)) + ")";
    plan.form = ValueForm::kExactDecimal;
  } else if (type == "date/time") {
    plan.type = "DATETIME";
    plan.form = ValueForm::kDateTime;
  } else if (type == "date/time extended") {
    plan.type = "DATETIME2(7)";
    plan.form = ValueForm::kText;  // the provider gives "YYYY-MM-DD HH:MM:SS.fffffff"
  } else if (type == "text") {
    plan.type = sized("VARCHAR", c.maxLength);
    plan.form = ValueForm::kText;
  } else if (type == "binary") {
    plan.type = sized("VARBINARY", c.maxLength);
    plan.form = ValueForm::kBytes;
  } else if (type == "ole object") {
    plan.type = "BLOB";
    plan.form = ValueForm::kBytes;
  } else if (type == "replication id") {
    plan.type = "GUID";
    plan.form = ValueForm::kGuid;
  } else {  // Memo, attachments and multiple values (readable text), anything unknown
    plan.type = "TEXT";
    plan.form = ValueForm::kText;
  }
  if (rowidKey) {
    plan.type = "INTEGER";
    plan.rowidKey = true;
    plan.notNull = false;  // the rowid is never Null
  } else if (c.autoIncrement && type == "autonumber") {
    notes.push_back(Column(design.name, c.name) +
                    ": an AutoNumber that is not the whole primary key is copied as plain numbers");
  }
  if (c.computed) {
    if (c.expression) facts.push_back({object, property::kExpression, *c.expression});
    // SQLite computes it from the row where the expression has an SQLite form; a generated
    // column may not read the clock or other tables.
    SQLiteExpression generated{"", "its expression is not known"};
    if (c.expression) generated = translate ? translate(*c.expression, {"", NumbersAsText(design)}) : SQLiteExpression{"", "no translator"};
    if (generated.ok() && Has(jet::AsciiLower(generated.sql), "'now'")) generated = {"", "it reads the clock"};
    if (generated.ok() && Has(jet::AsciiLower(generated.sql), "select")) generated = {"", "it reads other rows"};
    if (generated.ok()) {
      // SQLite computes in floating point; Access keeps a Currency result to four places.
      plan.generated = type == "currency" ? "round(" + generated.sql + ", 4)" : generated.sql;
      plan.notNull = false;
    } else {
      notes.push_back(Column(design.name, c.name) + ": a calculated column" +
                      (c.expression ? " (" + *c.expression + ")" : std::string()) + " is copied as its values" +
                      (translate ? ": " + generated.reason : std::string()));
    }
  }
  if (c.validationRule) {
    facts.push_back({object, property::kValidationRule, *c.validationRule});
    const SQLiteExpression check =
        translate ? translate(*c.validationRule, {c.name, NumbersAsText(design)}) : SQLiteExpression{"", "no translator"};
    if (check.ok()) {
      plan.check = plan.check ? "(" + *plan.check + ") AND (" + check.sql + ")" : check.sql;
    } else {
      notes.push_back(Column(design.name, c.name) + ": the validation rule " + *c.validationRule +
                      " is not copied" + (translate ? ": " + check.reason : std::string()));
    }
  }
  if (c.validationText) facts.push_back({object, property::kValidationText, *c.validationText});
  if (c.defaultText) {
    std::string text = Trimmed(*c.defaultText);
    if (!text.empty() && text[0] == '=') text = Trimmed(text.substr(1));
    const std::string lower = jet::AsciiLower(text);
    if (IsDecimalNumber(text)) {
      plan.defaultLiteral = plan.form == ValueForm::kExactDecimal ? Quoted(text) : text;
    } else if (auto inner = Unquoted(text)) {
      plan.defaultLiteral = Quoted(*inner);
    } else if (lower == "true" || lower == "yes" || lower == "on") {
      plan.defaultLiteral = "1";
    } else if (lower == "false" || lower == "no" || lower == "off") {
      plan.defaultLiteral = "0";
    } else if (lower == "null") {
    } else if (!c.autoIncrement) {
      facts.push_back({object, property::kDefaultValue, text});
      const auto clock = plan.form == ValueForm::kDateTime ? ClockDefault(lower) : std::nullopt;
      if (clock) plan.defaultLiteral = *clock;
      else notes.push_back(Column(design.name, c.name) + ": the default " + text + " is an expression and is not copied");
    }
  }
  return plan;
}

// The indexes Access makes for an enforced relationship, marked as foreign-key indexes: on the
// referring table one named after the relationship (often sharing the real index of a user
// index on the same columns), on the referenced table one whose name starts with "." (".rC"),
// which no user index can have. The foreign key makes them again on the way back, and an
// index of the same name would stop it there. Only the index of a relationship that is not
// copied (its other table is not) is copied as an index of its own.
bool IsAccessRelationshipIndex(const ado::IndexEntry& index, const std::vector<ado::ForeignKeyEntry>& keys,
                               const std::vector<std::string>& tablesCopied) {
  if (!index.name.empty() && index.name[0] == '.') return true;
  const auto sameColumns = [&](const ado::ForeignKeyEntry& key) {
    if (key.columns.size() != index.columns.size()) return false;
    for (std::size_t k = 0; k < key.columns.size(); ++k)
      if (!SameName(key.columns[k], index.columns[k].column)) return false;
    return true;
  };
  for (const ado::ForeignKeyEntry& key : keys)
    if (SameName(key.name, index.name) || (index.foreignKey && sameColumns(key)))
      return Listed(tablesCopied, key.referencedTable);
  return index.foreignKey;  // the referenced side's
}

std::string IndexColumns(const ado::IndexEntry& index, const std::function<std::string(const std::string&)>& name,
                         bool withOrder) {
  std::string out = "(";
  for (std::size_t k = 0; k < index.columns.size(); ++k) {
    if (k) out += ", ";
    out += name(index.columns[k].column);
    if (withOrder && index.columns[k].descending) out += " DESC";
  }
  return out + ")";
}

std::string KeyColumns(const std::vector<std::string>& columns, const std::function<std::string(const std::string&)>& name) {
  std::string out = "(";
  for (std::size_t k = 0; k < columns.size(); ++k) out += (k ? ", " : "") + name(columns[k]);
  return out + ")";
}

// "a IS NOT NULL AND b IS NOT NULL" for the index's columns: the filter that leaves out the
// rows an index that ignores Nulls leaves out (every key column Null).
std::string NotNullFilter(const ado::IndexEntry& index, const std::function<std::string(const std::string&)>& name) {
  std::string out;
  for (std::size_t k = 0; k < index.columns.size(); ++k)
    out += (k ? " AND " : "") + name(index.columns[k].column) + " IS NOT NULL";
  return out;
}

}  // namespace

std::string AccessName(const std::string& name) { return Delimited(name, '[', ']'); }
std::string SQLiteName(const std::string& name) { return Delimited(name, '"', '"'); }

std::string IsoDateTime(ado::Date value) {
  const jet::SerialDayTime split = jet::SplitSerial(value.days);
  const std::int64_t seconds = split.secondOfDay;
  const auto [year, month, dayOfMonth] = jet::CivilFromSerialDay(split.day);
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02lld:%02lld:%02lld", static_cast<long long>(year), month,
                dayOfMonth, static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60));
  return text;
}

std::string RelationshipObject(const std::string& table, const std::vector<std::string>& columns,
                               const std::string& referencedTable) {
  std::string object = table + ".";
  for (std::size_t k = 0; k < columns.size(); ++k) object += (k ? "," : "") + columns[k];
  return object + "->" + referencedTable;
}

const std::string* FindFact(const DesignFacts& facts, const std::string& object, const char* property) {
  for (const DesignFact& fact : facts)
    if (fact.property == property && SameName(fact.object, object)) return &fact.value;
  return nullptr;
}

std::vector<std::string> DesignFactStatements(const DesignFacts& facts) {
  const std::string name = SQLiteName(kDesignTable);
  std::vector<std::string> out = {"CREATE TABLE IF NOT EXISTS " + name +
                                  " (object TEXT NOT NULL, property TEXT NOT NULL, value TEXT, "
                                  "PRIMARY KEY (object, property))"};
  if (facts.empty()) return out;
  std::string insert = "INSERT OR REPLACE INTO " + name + " VALUES ";
  for (std::size_t i = 0; i < facts.size(); ++i)
    insert += (i ? ", (" : "(") + Quoted(facts[i].object) + ", " + Quoted(facts[i].property) + ", " +
              Quoted(facts[i].value) + ")";
  out.push_back(std::move(insert));
  return out;
}

std::vector<std::string> DesignTableStatements(const std::string& table, const DesignFacts& facts) {
  std::vector<std::string> out = DesignFactStatements(facts);
  // The table's own facts and its columns', indexes' and relationships' ("table."): the old
  // ones go before the new ones come.
  const std::string name = SQLiteName(kDesignTable);
  out.insert(out.begin() + 1, "DELETE FROM " + name + " WHERE object = " + Quoted(table) +
                                  " COLLATE NOCASE OR substr(object, 1, length(" + Quoted(table + ".") + ")) = " +
                                  Quoted(table + ".") + " COLLATE NOCASE");
  return out;
}

TablePlan PlanSQLiteTable(const TableDesign& design, const std::vector<std::string>& tablesCopied,
                          const std::function<bool(const std::string&)>& indexNameTaken,
                          const ExpressionTranslator& translate) {
  TablePlan plan;
  plan.table = design.name;
  const ado::IndexEntry* key = design.primaryKey();
  const ado::ColumnEntry* keyColumn = key && key->columns.size() == 1 ? design.column(key->columns[0].column) : nullptr;
  // An AutoNumber that is the whole primary key becomes the rowid. Any other whole-number key
  // is declared INT, which SQLite does not take as the rowid, so that it comes back a plain key.
  const bool rowid = keyColumn && !key->columns[0].descending && keyColumn->autoIncrement &&
                     jet::AsciiLower(keyColumn->typeName) == "autonumber";
  // SQLite's primary keys have no name.
  if (key && !key->name.empty() && !SameName(key->name, "PrimaryKey"))
    plan.design.push_back({design.name, property::kPrimaryKeyName, key->name});

  plan.create = "CREATE TABLE " + SQLiteName(design.name) + " (";
  for (std::size_t i = 0; i < design.columns.size(); ++i) {
    const ado::ColumnEntry& c = design.columns[i];
    ColumnPlan column = SQLiteColumnFor(design, c, rowid && &c == keyColumn, plan.notes, plan.design, translate);
    if (!rowid && &c == keyColumn && column.type == "INTEGER") column.type = "INT";
    if (column.rowidKey) column.defaultLiteral.reset();
    if (i) plan.create += ", ";
    plan.create += SQLiteName(column.name) + " " + column.type;
    if (column.rowidKey) plan.create += " PRIMARY KEY";
    if (column.notNull) plan.create += " NOT NULL";
    if (column.generated) column.defaultLiteral.reset();  // SQLite takes no default there
    if (column.defaultLiteral) plan.create += " DEFAULT " + *column.defaultLiteral;
    if (column.check) plan.create += " CHECK (" + *column.check + ")";
    if (column.generated) plan.create += " GENERATED ALWAYS AS (" + *column.generated + ") VIRTUAL";
    plan.columns.push_back(std::move(column));
  }
  if (key && !rowid) plan.create += ", PRIMARY KEY " + IndexColumns(*key, SQLiteName, true);
  // The table's own rule compares its columns: a CHECK of the table where it translates.
  if (design.validationRule) {
    plan.design.push_back({design.name, property::kValidationRule, *design.validationRule});
    const SQLiteExpression check =
        translate ? translate(*design.validationRule, {"", NumbersAsText(design)}) : SQLiteExpression{"", "no translator"};
    if (check.ok())
      plan.create += ", CHECK (" + check.sql + ")";
    else
      plan.notes.push_back("table \"" + design.name + "\": the validation rule " + *design.validationRule +
                           " is not copied" + (translate ? ": " + check.reason : std::string()));
  }
  if (design.validationText) plan.design.push_back({design.name, property::kValidationText, *design.validationText});
  for (const ado::ForeignKeyEntry& fk : design.foreignKeys) {
    if (!Listed(tablesCopied, fk.referencedTable)) {
      plan.notes.push_back("table \"" + design.name + "\": the relationship " + fk.name + " to table \"" +
                           fk.referencedTable + "\" is not copied, since that table is not copied");
      continue;
    }
    plan.design.push_back({RelationshipObject(design.name, fk.columns, fk.referencedTable), property::kRelationshipName,
                           fk.name});
    plan.create += ", FOREIGN KEY " + KeyColumns(fk.columns, SQLiteName) + " REFERENCES " +
                   SQLiteName(fk.referencedTable) + " " + KeyColumns(fk.referencedColumns, SQLiteName);
    if (fk.updateRule != "NO ACTION" && !fk.updateRule.empty()) plan.create += " ON UPDATE " + fk.updateRule;
    if (fk.deleteRule != "NO ACTION" && !fk.deleteRule.empty()) plan.create += " ON DELETE " + fk.deleteRule;
  }
  plan.create += ")";

  for (const ado::IndexEntry& index : design.indexes) {
    if (index.primaryKey || IsAccessRelationshipIndex(index, design.foreignKeys, tablesCopied)) continue;
    // Access keeps a unique index on the key of each attachment or multi-value column; the
    // readable texts the column becomes are no such keys.
    const bool complex = std::any_of(index.columns.begin(), index.columns.end(), [&](const ado::IndexEntry::Part& p) {
      const ado::ColumnEntry* c = design.column(p.column);
      return c && jet::AsciiLower(c->typeName) == "attachment or multiple values";
    });
    if (complex) continue;
    // SQLite has one name space for tables, views and indexes.
    std::string name = index.name;
    if (indexNameTaken && (indexNameTaken(name) || Listed(plan.indexNames, name))) {
      const std::string base = design.name + "_" + index.name;
      name = base;
      for (int n = 2; indexNameTaken(name) || Listed(plan.indexNames, name); ++n) name = base + std::to_string(n);
      plan.design.push_back({design.name + "." + name, property::kIndexName, index.name});
    }
    std::string sql = std::string(index.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + SQLiteName(name) +
                      " ON " + SQLiteName(design.name) + " " + IndexColumns(index, SQLiteName, true);
    if (index.nulls == ado::DBPROPVAL_IN_IGNORENULL) sql += " WHERE " + NotNullFilter(index, SQLiteName);
    if (index.nulls == ado::DBPROPVAL_IN_DISALLOWNULL)
      plan.notes.push_back("table \"" + design.name + "\": the index " + index.name +
                           " refuses Nulls in Access; SQLite indexes have no such rule");
    plan.indexes.push_back(std::move(sql));
    plan.indexNames.push_back(std::move(name));
  }
  return plan;
}

std::optional<ValuesTablePlan> PlanValuesTable(const TableDesign& design, const TablePlan& parent,
                                               const std::string& column, std::string table) {
  const ado::IndexEntry* key = design.primaryKey();
  if (!key) return std::nullopt;
  ValuesTablePlan plan{std::move(table), design.name, column, {}};
  for (const auto& part : key->columns) {
    const auto planned = std::find_if(parent.columns.begin(), parent.columns.end(),
                                      [&](const ColumnPlan& c) { return SameName(c.name, part.column); });
    if (planned == parent.columns.end()) return std::nullopt;
    ColumnPlan k = *planned;
    k.rowidKey = false;
    k.notNull = true;
    k.defaultLiteral.reset();
    k.check.reset();
    k.generated.reset();
    plan.key.push_back(std::move(k));
  }
  return plan;
}

std::string ValuesTableCreate(const ValuesTablePlan& plan, bool attachments, const std::string& valueType) {
  std::string create = "CREATE TABLE " + SQLiteName(plan.table) + " (";
  std::vector<std::string> keyNames;
  for (const ColumnPlan& k : plan.key) {
    create += SQLiteName(k.name) + " " + k.type + " NOT NULL, ";
    keyNames.push_back(k.name);
  }
  if (attachments) {
    create += "\"FileName\" TEXT NOT NULL, \"FileType\" TEXT, \"FileData\" BLOB";
  } else {
    create += SQLiteName(kValuePart) + (valueType.empty() ? std::string() : " " + valueType);
  }
  return create + ", FOREIGN KEY " + KeyColumns(keyNames, SQLiteName) + " REFERENCES " + SQLiteName(plan.parent) + " " +
         KeyColumns(keyNames, SQLiteName) + " ON UPDATE CASCADE ON DELETE CASCADE)";
}

std::string ValuesQuery(const ValuesTablePlan& plan, bool attachments) {
  std::string select = "SELECT ";
  for (const ColumnPlan& k : plan.key) select += AccessName(k.name) + ", ";
  const std::string column = AccessName(plan.column) + ".";
  if (attachments) {
    for (std::size_t i = 0; i < std::size(kAttachmentParts); ++i)
      select += (i ? ", " : "") + column + AccessName(kAttachmentParts[i]);
  } else {
    select += column + AccessName(kValuePart);
  }
  return select + " FROM " + AccessName(plan.parent);
}

ado::Variant SQLiteBoundValue(ado::Variant&& value, ValueForm form) {
  using Kind = ado::Variant::Kind;
  switch (value.kind()) {
    case Kind::Empty:
    case Kind::Null: return ado::Variant::null();
    case Kind::Boolean: return ado::Variant::int64(value.asBoolean() ? 1 : 0);
    case Kind::Bytes:
    case Kind::Text: return std::move(value);
    case Kind::Date: return ado::Variant::text(IsoDateTime(value.asDate()));
    case Kind::Guid: return ado::Variant::text(ado::GuidToText(value.asGuid()));
    case Kind::Currency:
    case Kind::Decimal: return ado::Variant::text(value.toText());
    case Kind::Single:
    case Kind::Double: {
      const double d = value.asDouble();
      if (std::isnan(d)) return ado::Variant::null();
      if (std::isinf(d)) return ado::Variant::real(d);
      return ado::sqlite::SQLiteNumberLiteral(value.toText());
    }
    default:  // whole numbers
      if (form == ValueForm::kText) return ado::Variant::text(value.toText());
      return ado::Variant::int64(value.asInt64());
  }
}

void AppendSQLiteValue(std::string& statement, const ado::Variant& value, ValueForm form) {
  ado::sqlite::AppendSQLiteLiteral(statement, SQLiteBoundValue(ado::Variant(value), form));
}

// --- to Access ---

std::string SQLiteFactsQuery(const TableDesign& design) {
  // Only what a column's rule asks for is measured: a pattern over every long text of a table
  // would cost more than copying it.
  std::string sql = "SELECT ";
  for (std::size_t i = 0; i < design.columns.size(); ++i) {
    const std::string c = SQLiteName(design.columns[i].name);
    const std::string type = jet::AsciiLower(design.columns[i].typeName);
    const bool integer = Has(type, "int");
    // The longest text matters only where the declared size could make a Text(n).
    const auto size = design.columns[i].maxLength;
    const bool text = (Has(type, "char") || Has(type, "text") || Has(type, "clob")) && size && *size <= kMaxAccessText;
    const bool date = !integer && (Has(type, "date") || Has(type, "time"));
    const bool boolean = Has(type, "bool") || type == "bit";
    const bool bytes = Has(type, "blob") || Has(type, "binary");
    const auto measured = [](bool wanted, const std::string& expression) { return wanted ? expression : std::string("NULL"); };
    if (i) sql += ", ";
    sql += measured(integer, "min(CASE WHEN typeof(" + c + ")='integer' THEN " + c + " END)") + ", ";
    sql += measured(integer, "max(CASE WHEN typeof(" + c + ")='integer' THEN " + c + " END)") + ", ";
    sql += measured(text, "max(length(CASE WHEN typeof(" + c + ")='text' THEN " + c + " END))") + ", ";
    sql += measured(date, "sum(CASE WHEN " + c + " IS NULL THEN 0 WHEN typeof(" + c + ")<>'text' THEN 1 WHEN " + c +
                              " GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' OR " + c +
                              " GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9]*:[0-9][0-9]*' THEN 0 ELSE 1 END)") +
           ", ";
    sql += measured(date, "sum(CASE WHEN typeof(" + c + ")='text' AND " + c + " GLOB '*:[0-9][0-9].*[1-9]*' THEN 1 "
                                                                                       "ELSE 0 END)") + ", ";
    sql += measured(boolean, "sum(" + c + " IS NULL)") + ", ";
    sql += measured(bytes, "sum(typeof(" + c + ")='blob' AND length(" + c + ")=0)");
  }
  if (design.columns.empty()) sql += "1";
  return sql + " FROM " + SQLiteName(design.name);
}

std::vector<ColumnFacts> FactsFromRow(const std::vector<ado::Variant>& row, std::size_t columns) {
  constexpr std::size_t kPerColumn = 7;
  std::vector<ColumnFacts> facts(columns);
  auto number = [&](std::size_t at) -> std::optional<std::int64_t> {
    if (at >= row.size() || !row[at].isInteger()) return std::nullopt;
    return row[at].asInt64();
  };
  for (std::size_t i = 0; i < columns; ++i) {
    const std::size_t at = i * kPerColumn;
    facts[i].minInteger = number(at);
    facts[i].maxInteger = number(at + 1);
    facts[i].longestText = number(at + 2).value_or(0);
    facts[i].nonIsoDateText = number(at + 3).value_or(0) > 0;
    facts[i].fractionOfSecond = number(at + 4).value_or(0) > 0;
    facts[i].nullValue = number(at + 5).value_or(0) > 0;
    facts[i].emptyBytes = number(at + 6).value_or(0) > 0;
  }
  return facts;
}

namespace {

// The narrower Access type the first copy had, where the SQLite column still has the declared
// type that copy gave it and every value fits: "Byte" for INTEGER, "Single" for REAL, ...
std::optional<std::string> KeptAccessType(const std::string& declared, const std::string& accessType,
                                          const ColumnFacts& facts, AccessFormat format) {
  const auto within = [&](std::int64_t low, std::int64_t high) {
    return (!facts.minInteger || *facts.minInteger >= low) && (!facts.maxInteger || *facts.maxInteger <= high);
  };
  const std::string kept = jet::AsciiLower(accessType);
  if (declared == "integer") {
    if (kept == "byte" && within(0, 255)) return "BYTE";
    if (kept == "integer" && within(INT16_MIN, INT16_MAX)) return "SHORT";
    if (kept == "large number" && format.bigInt) return "BIGINT";
  }
  if (declared == "real" && kept == "single") return "SINGLE";
  return std::nullopt;
}

// Access calculates results of these types only (not Byte, Binary, OLE Object or Large Number).
bool IsCalculatedResult(const ColumnPlan& plan) {
  const std::string type = jet::AsciiLower(plan.type);
  for (const char* word : {"yesno", "short", "long", "single", "double", "currency", "datetime", "guid", "memo", "text(",
                           "decimal("})
    if (type.rfind(word, 0) == 0) return true;
  return false;
}

ColumnPlan AccessColumnFor(const TableDesign& design, const ado::ColumnEntry& c, const ColumnFacts& facts,
                           AccessFormat format, bool counterKey, std::vector<std::string>& notes,
                           const DesignFacts& kept) {
  ColumnPlan plan;
  plan.name = c.name;
  plan.notNull = !c.nullable;
  const std::string type = jet::AsciiLower(c.typeName);
  const std::string where = Column(design.name, c.name);
  auto memo = [&] {
    plan.type = "MEMO";
    plan.form = ValueForm::kText;
  };
  const std::optional<std::int64_t> size = c.maxLength;
  if (counterKey) {
    plan.type = "COUNTER";
    plan.form = ValueForm::kNumber;
    plan.rowidKey = true;
    plan.notNull = false;
  } else if (Has(type, "bool") || type == "bit") {
    plan.type = "YESNO";
    plan.form = ValueForm::kBoolean;
    // A calculated Yes/No comes back calculated, and Access requires nothing of those.
    const bool calculated = format.calculatedColumns &&
                            FindFact(kept, design.name + "." + c.name, property::kExpression) && !counterKey;
    if (c.nullable && !calculated)
      notes.push_back(where + ": a Yes/No column holds no Null, so it is NOT NULL in Access" +
                      (facts.nullValue ? "; its Nulls are stored as No" : ""));
  } else if (Has(type, "decimal_text") || ((Has(type, "dec") || Has(type, "num")) && c.precision)) {
    const int p = c.precision.value_or(18), s = c.scale.value_or(0);
    plan.form = ValueForm::kExactDecimal;
    if (p == 19 && s == 4) {
      plan.type = "CURRENCY";
    } else if (p >= 1 && p <= kMaxAccessDecimal && s <= p) {
      plan.type = "DECIMAL(" + std::to_string(p) + "," + std::to_string(s) + ")";
    } else {
      plan.type = "DOUBLE";
      plan.form = ValueForm::kNumber;
      notes.push_back(where + ": " + c.typeName + " has more digits than an Access Decimal (28); stored as Double");
    }
  } else if (Has(type, "int")) {
    plan.type = "LONG";
    plan.form = ValueForm::kNumber;
    const bool beyondLong = (facts.minInteger && *facts.minInteger < INT32_MIN) ||
                            (facts.maxInteger && *facts.maxInteger > INT32_MAX);
    if (beyondLong && format.bigInt) {
      plan.type = "BIGINT";
    } else if (beyondLong) {
      plan.type = "DOUBLE";
      notes.push_back(where + ": values beyond Long Integer, and the file has no Large Number type; stored as Double "
                      "(exact up to 2^53)");
    }
  } else if (Has(type, "real") || Has(type, "floa") || Has(type, "doub")) {
    plan.type = "DOUBLE";
    plan.form = ValueForm::kNumber;
  } else if (Has(type, "num") || Has(type, "dec")) {
    plan.type = "DOUBLE";
    plan.form = ValueForm::kNumber;
  } else if (Has(type, "date") || Has(type, "time")) {
    if (facts.nonIsoDateText) {
      memo();
      notes.push_back(where + ": holds values that are no ISO dates (YYYY-MM-DD [HH:MM:SS]); copied as text");
    } else {
      plan.type = "DATETIME";
      plan.form = ValueForm::kDateTime;
      if (facts.fractionOfSecond)
        notes.push_back(where + ": fractions of a second are rounded to whole seconds by Access's Date/Time");
    }
  } else if (Has(type, "char") || Has(type, "text") || Has(type, "clob")) {
    if (size && *size >= 1 && *size <= kMaxAccessText && facts.longestText <= *size) {
      plan.type = "TEXT(" + std::to_string(*size) + ")";
      plan.form = ValueForm::kText;
    } else {
      memo();
      if (size && *size <= kMaxAccessText)
        notes.push_back(where + ": values longer than " + c.typeName + " are stored, so the column is a Memo");
    }
  } else if (Has(type, "blob") || Has(type, "binary")) {
    plan.form = ValueForm::kBytes;
    plan.type = size && *size >= 1 && *size <= kMaxAccessText && Has(type, "binary") ? "BINARY(" + std::to_string(*size) + ")"
                                                                                      : "LONGBINARY";
    if (facts.emptyBytes) notes.push_back(where + ": zero-length blobs are stored as Null");
  } else if (type == "guid" || type == "uniqueidentifier") {
    plan.type = "GUID";
    plan.form = ValueForm::kGuid;
  } else {
    memo();
  }
  if (const std::string* accessType = FindFact(kept, design.name + "." + c.name, property::kAccessType);
      accessType && !counterKey) {
    if (auto narrower = KeptAccessType(jet::AsciiLower(c.typeName), *accessType, facts, format)) plan.type = *narrower;
  }
  // Rules, texts and a calculated column's expression the first copy kept, as Access keeps them.
  const std::string object = design.name + "." + c.name;
  for (const char* name : {property::kValidationRule, property::kValidationText})
    if (const std::string* text = FindFact(kept, object, name); text && !text->empty())
      (name == property::kValidationRule ? plan.validationRule : plan.validationText) = *text;
  if (const std::string* expression = FindFact(kept, object, property::kExpression); expression && !counterKey) {
    if (format.calculatedColumns && IsCalculatedResult(plan)) {
      plan.expression = *expression;
      plan.notNull = false;  // Access gives a calculated column no Required (a Yes/No's NOT NULL)
    } else {
      notes.push_back(where + ": the calculated column (" + *expression + ") is copied as its values" +
                      (format.calculatedColumns ? ": Access calculates no " + plan.type + " result"
                                                : ": calculated columns need an Access 2010 or later .accdb file"));
    }
  }
  if (c.computed && !plan.expression) notes.push_back(where + ": a generated column is copied as its values");
  // A clock default the first copy turned into SQLite's local time comes back as Access's.
  const std::string* keptDefault = FindFact(kept, design.name + "." + c.name, property::kDefaultValue);
  const std::optional<std::string> clock = keptDefault ? ClockDefault(jet::AsciiLower(*keptDefault)) : std::nullopt;
  if (clock && plan.form == ValueForm::kDateTime && !counterKey) {
    const std::string lower = jet::AsciiLower(*keptDefault);
    plan.defaultLiteral = lower.rfind("now", 0) == 0 ? "Now()" : lower.rfind("date", 0) == 0 ? "Date()" : "Time()";
  } else if (c.defaultText && !counterKey) {
    const std::string text = Trimmed(*c.defaultText);
    const std::string lower = jet::AsciiLower(text);
    if (IsDecimalNumber(text)) {
      plan.defaultLiteral = plan.form == ValueForm::kBoolean ? (text == "0" ? "False" : "True") : text;
    } else if (auto inner = Unquoted(text); inner && text.front() == '\'') {
      // A number column's default written as text ('0') is the number to Access.
      const bool number = plan.form == ValueForm::kNumber || plan.form == ValueForm::kExactDecimal;
      plan.defaultLiteral = number && IsDecimalNumber(*inner) ? *inner : Quoted(*inner);
    } else if (lower == "true" || lower == "false") {
      plan.defaultLiteral = lower == "true" ? "True" : "False";
    } else if (lower != "null") {
      notes.push_back(where + ": the default " + text + " is an expression and is not copied");
    }
  }
  return plan;
}

}  // namespace

TablePlan PlanAccessTable(const TableDesign& design, const std::vector<ColumnFacts>& facts, AccessFormat format,
                          const std::vector<std::string>& tablesCopied, const DesignFacts& kept) {
  TablePlan plan;
  plan.table = design.name;
  const ado::IndexEntry* key = design.primaryKey();
  const ado::ColumnEntry* keyColumn = key && key->columns.size() == 1 ? design.column(key->columns[0].column) : nullptr;
  // The rowid becomes an AutoNumber, a Long Integer: not when its values go beyond one.
  const std::size_t keyAt = keyColumn ? static_cast<std::size_t>(keyColumn - design.columns.data()) : 0;
  const bool beyondLong = keyColumn && keyAt < facts.size() &&
                          ((facts[keyAt].minInteger && *facts[keyAt].minInteger < INT32_MIN) ||
                           (facts[keyAt].maxInteger && *facts[keyAt].maxInteger > INT32_MAX));
  const bool counter = keyColumn && keyColumn->autoIncrement && !beyondLong;
  const std::string* keptKeyName = FindFact(kept, design.name, property::kPrimaryKeyName);
  plan.create = "CREATE TABLE " + AccessName(design.name) + " (";
  for (std::size_t i = 0; i < design.columns.size(); ++i) {
    const ado::ColumnEntry& c = design.columns[i];
    ColumnPlan column =
        AccessColumnFor(design, c, i < facts.size() ? facts[i] : ColumnFacts{}, format, counter && &c == keyColumn,
                        plan.notes, kept);
    if (i) plan.create += ", ";
    plan.create += AccessName(column.name) + " " + column.type;
    if (column.notNull) plan.create += " NOT NULL";
    if (column.defaultLiteral) plan.create += " DEFAULT " + *column.defaultLiteral;
    if (column.rowidKey && !keptKeyName) plan.create += " PRIMARY KEY";
    if (column.validationRule) plan.create += " VALIDATION RULE " + Quoted(*column.validationRule);
    if (column.validationText) plan.create += " VALIDATION TEXT " + Quoted(*column.validationText);
    if (column.expression) plan.create += " EXPRESSION " + Quoted(*column.expression);
    plan.columns.push_back(std::move(column));
  }
  auto accessName = [](const std::string& n) { return AccessName(n); };
  if (key && (!counter || keptKeyName)) {
    const bool generated = key->name.empty() || key->name.rfind("sqlite_autoindex_", 0) == 0;
    const std::string name = keptKeyName ? *keptKeyName : generated ? "PrimaryKey" : key->name;
    plan.create += ", CONSTRAINT " + AccessName(name) + " PRIMARY KEY " + IndexColumns(*key, accessName, false);
    for (const auto& part : key->columns)
      if (part.descending)
        plan.notes.push_back("table \"" + design.name + "\": the primary key's column " + part.column +
                             " is descending; Access keys it ascending");
  }
  // The table's own rule and text, as the first copy kept them.
  if (const std::string* rule = FindFact(kept, design.name, property::kValidationRule); rule && !rule->empty())
    plan.create += ", VALIDATION RULE " + Quoted(*rule);
  if (const std::string* text = FindFact(kept, design.name, property::kValidationText); text && !text->empty())
    plan.create += ", VALIDATION TEXT " + Quoted(*text);
  plan.create += ")";

  for (const ado::IndexEntry& index : design.indexes) {
    if (index.primaryKey) continue;
    const bool expression = std::any_of(index.columns.begin(), index.columns.end(),
                                        [](const ado::IndexEntry::Part& p) { return p.column.empty(); });
    if (expression) {
      plan.notes.push_back("table \"" + design.name + "\": the index " + index.name +
                           " is on an expression, which Access cannot index; not copied");
      continue;
    }
    // SQLite's own names for its constraints' indexes cannot be used there again: the index is
    // named after its columns, as Access names the indexes it makes.
    std::string name = index.name;
    if (const std::string* original = FindFact(kept, design.name + "." + index.name, property::kIndexName)) {
      name = *original;
    } else if (jet::AsciiLower(name).rfind("sqlite_", 0) == 0) {
      std::string base;
      for (const auto& part : index.columns) base += part.column;
      name = base;
      const auto taken = [&](const std::string& candidate) {
        return Listed(plan.indexNames, candidate) || SameName(candidate, "PrimaryKey") ||
               std::any_of(design.indexes.begin(), design.indexes.end(),
                           [&](const ado::IndexEntry& other) { return SameName(other.name, candidate); });
      };
      for (int n = 1; taken(name); ++n) name = base + std::to_string(n);
    }
    std::string with;
    if (index.filter) {
      if (jet::AsciiLower(Trimmed(*index.filter)) == jet::AsciiLower(NotNullFilter(index, SQLiteName)) ||
          jet::AsciiLower(Trimmed(*index.filter)) == jet::AsciiLower(NotNullFilter(index, [](const std::string& n) { return n; }))) {
        with = " WITH IGNORE NULL";
      } else {
        plan.notes.push_back("table \"" + design.name + "\": the index " + index.name + " covers only rows where " +
                             *index.filter + "; Access indexes have no condition, so it is not copied");
        continue;
      }
    }
    if (index.nulls == ado::DBPROPVAL_IN_DISALLOWNULL) with = " WITH DISALLOW NULL";
    plan.indexNames.push_back(name);
    plan.indexes.push_back(std::string(index.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") +
                           AccessName(name) + " ON " + AccessName(design.name) + " " +
                           IndexColumns(index, accessName, true) + with);
  }

  for (const ado::ForeignKeyEntry& fk : design.foreignKeys) {
    const std::string what = "table \"" + design.name + "\": the foreign key to table \"" + fk.referencedTable + "\"";
    if (!Listed(tablesCopied, fk.referencedTable)) {
      plan.notes.push_back(what + " is not copied, since that table is not copied");
      continue;
    }
    // The relationship's Access name where the first copy kept it; never an index's name of
    // this table, since Access gives the foreign key an index of its name.
    const std::string* keptName =
        FindFact(kept, RelationshipObject(design.name, fk.columns, fk.referencedTable), property::kRelationshipName);
    const std::string base = keptName ? *keptName : fk.name;
    std::string keyName = base;
    for (int n = 1; Listed(plan.indexNames, keyName); ++n) keyName = base + std::to_string(n);
    std::string sql = "ALTER TABLE " + AccessName(design.name) + " ADD CONSTRAINT " + AccessName(keyName) +
                      " FOREIGN KEY " + KeyColumns(fk.columns, accessName) + " REFERENCES " +
                      AccessName(fk.referencedTable) + " " + KeyColumns(fk.referencedColumns, accessName);
    for (const auto& [rule, clause] : {std::pair{fk.updateRule, " ON UPDATE CASCADE"}, {fk.deleteRule, " ON DELETE CASCADE"}}) {
      if (rule == "CASCADE") sql += clause;
      else if (rule != "NO ACTION" && rule != "RESTRICT" && !rule.empty())
        plan.notes.push_back(what + ": the rule " + rule + " has no Access equivalent; the key is kept without it");
    }
    plan.foreignKeys.push_back(std::move(sql));
  }
  return plan;
}

// A number text of a number column is given as text, which Access converts to the column's
// number type exactly as the bare number.
ado::Variant AccessBoundValue(ado::Variant&& value, ValueForm form) {
  using Kind = ado::Variant::Kind;
  switch (value.kind()) {
    case Kind::Empty:
    case Kind::Null: return ado::Variant::null();
    case Kind::Bytes: return value.asBytes().empty() ? ado::Variant::null() : std::move(value);
    case Kind::Text: return std::move(value);
    default: break;
  }
  if (form == ValueForm::kBoolean && value.isNumber()) return ado::Variant::boolean(value.asDouble() != 0);
  if (form == ValueForm::kText || form == ValueForm::kDateTime || form == ValueForm::kGuid || !value.isNumber())
    return ado::Variant::text(value.toText());
  return std::move(value);
}

void AppendAccessValue(std::string& statement, const ado::Variant& value, ValueForm form) {
  if (value.kind() == ado::Variant::Kind::Text && (form == ValueForm::kExactDecimal || form == ValueForm::kNumber) &&
      IsDecimalNumber(value.asText())) {
    statement += value.asText();
    return;
  }
  ado::access::AppendAccessLiteral(statement, AccessBoundValue(ado::Variant(value), form));
}

}  // namespace transfer::faithful
