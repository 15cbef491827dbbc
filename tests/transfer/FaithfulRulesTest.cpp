// The type and value rules of the faithful copies, checked where a fault would show: the
// values as SQLite stores them and reads them back, and the statements each side is sent.
#include "TransferFixture.h"

#include "transfer/FaithfulRules.h"

namespace transfer_test {
namespace {

using transfer::TableDesign;
using namespace transfer::faithful;

ado::ColumnEntry Col(const std::string& name, const std::string& typeName, bool nullable = true) {
  ado::ColumnEntry c;
  c.name = name;
  c.typeName = typeName;
  c.nullable = nullable;
  return c;
}

ado::IndexEntry Index(const std::string& name, std::vector<ado::IndexEntry::Part> parts, bool unique = false,
                      bool primaryKey = false) {
  ado::IndexEntry index;
  index.name = name;
  index.columns = std::move(parts);
  index.unique = unique || primaryKey;
  index.primaryKey = primaryKey;
  return index;
}

bool Contains(const std::vector<std::string>& notes, const std::string& part) {
  for (const auto& n : notes)
    if (n.find(part) != std::string::npos) return true;
  return false;
}

class FaithfulRulesTest : public TransferTest {};

TEST_F(FaithfulRulesTest, ExactNumbersKeepEveryDigitInSQLite) {
  TableDesign design;
  design.name = "money";
  ado::ColumnEntry decimal = Col("d", "Decimal");
  decimal.precision = 28;
  decimal.scale = 10;
  design.columns = {Col("c", "Currency"), decimal, Col("s", "Single"), Col("b", "Yes/No", false)};
  const TablePlan plan = PlanSQLiteTable(design, {}, {});
  EXPECT_EQ(plan.create,
            "CREATE TABLE \"money\" (\"c\" DECIMAL_TEXT(19,4), \"d\" DECIMAL_TEXT(28,10), \"s\" REAL, "
            "\"b\" BOOLEAN NOT NULL CHECK (\"b\" IN (0,1)))");
  RawSQLite db(newSQLite(QStringLiteral("m.db")));
  db.exec(plan.create);
  ado::Decimal d;
  d.negative = true;
  d.scale = 10;
  d.magnitude = (static_cast<unsigned __int128>(999999999999999999ULL) * 10000000000ULL) + 9999999999ULL;  // 28 digits
  std::string insert = "INSERT INTO \"money\" VALUES (";
  AppendSQLiteValue(insert, ado::Variant::currency({INT64_MAX}), plan.columns[0].form);
  insert += ", ";
  AppendSQLiteValue(insert, ado::Variant::decimal(d), plan.columns[1].form);
  insert += ", ";
  AppendSQLiteValue(insert, ado::Variant::single(0.1f), plan.columns[2].form);
  insert += ", ";
  AppendSQLiteValue(insert, ado::Variant::boolean(true), plan.columns[3].form);
  db.exec(insert + ")");
  EXPECT_EQ(db.rows("SELECT c, d, s, b FROM money"),
            (std::vector<std::vector<std::string>>{
                {"t:922337203685477.5807", "t:-999999999999999999.9999999999", "r:0.10000000000000001", "i:1"}}));
  // The CHECK keeps a Yes/No a Yes/No.
  EXPECT_NE(sqlite3_exec(db.handle(), "INSERT INTO money (b) VALUES (2)", nullptr, nullptr, nullptr), SQLITE_OK);
}

TEST_F(FaithfulRulesTest, DatesAreWrittenInFullIsoFormAcrossDayBoundaries) {
  EXPECT_EQ(IsoDateTime({0}), "1899-12-30 00:00:00");
  EXPECT_EQ(IsoDateTime({-1.25}), "1899-12-29 06:00:00");  // whole days back, the time forward
  EXPECT_EQ(IsoDateTime({45351.5240277778}), "2024-02-29 12:34:36");
  EXPECT_EQ(IsoDateTime({45351.99999999}), "2024-03-01 00:00:00");  // rounds into the next day
  EXPECT_EQ(IsoDateTime({-693593}), "0001-01-01 00:00:00");
  EXPECT_EQ(IsoDateTime({2958465.9999884}), "9999-12-31 23:59:59");
  std::string s;
  AppendSQLiteValue(s, ado::Variant::text(""), ValueForm::kText);
  EXPECT_EQ(s, "''");  // a zero-length text is not Null here
}

TEST_F(FaithfulRulesTest, AccessKeysIndexesAndRelationshipsBecomeSQLiteOnes) {
  TableDesign orders;
  orders.name = "Orders";
  ado::ColumnEntry id = Col("ID", "AutoNumber", false);
  id.autoIncrement = true;
  ado::ColumnEntry customer = Col("Customer", "Long Integer");
  ado::ColumnEntry note = Col("Note", "Text");
  note.maxLength = 40;
  note.defaultText = "\"n/a\"";
  ado::ColumnEntry when = Col("When", "Date/Time");
  when.defaultText = "Now()";
  orders.columns = {id, customer, note, when};
  orders.indexes = {Index("PrimaryKey", {{"ID", false}}, true, true), Index("CustomersOrders", {{"Customer", false}}),
                    Index("Customer", {{"Customer", false}}), Index("Region", {{"Note", false}}),
                    Index("ByNote", {{"Note", true}, {"Customer", false}}, true)};
  orders.indexes.back().nulls = ado::DBPROPVAL_IN_IGNORENULL;
  // Access marks a relationship's indexes; the name need not be the relationship's.
  orders.indexes[2].foreignKey = true;
  ado::ForeignKeyEntry fk;
  fk.name = "CustomersOrders";
  fk.table = "Orders";
  fk.referencedTable = "Customers";
  fk.columns = {"Customer"};
  fk.referencedColumns = {"ID"};
  fk.updateRule = "CASCADE";
  fk.deleteRule = "SET NULL";
  orders.foreignKeys = {fk};

  // Taken: an index of another table ("ByNote"), a table ("Region") and the first rename of it.
  const auto taken = [](const std::string& n) { return n == "ByNote" || n == "Region" || n == "Orders_Region"; };
  const TablePlan plan = PlanSQLiteTable(orders, {"customers", "Orders"}, taken);
  EXPECT_EQ(plan.create,
            "CREATE TABLE \"Orders\" (\"ID\" INTEGER PRIMARY KEY, \"Customer\" INTEGER, \"Note\" VARCHAR(40) "
            "DEFAULT 'n/a', \"When\" DATETIME DEFAULT (datetime('now','localtime')), FOREIGN KEY (\"Customer\") "
            "REFERENCES \"Customers\" (\"ID\") ON UPDATE CASCADE ON DELETE SET NULL)");
  // The relationship's own indexes are made with the relationship, not copied; a taken name is
  // prefixed, and the Access name kept.
  EXPECT_EQ(plan.indexes, (std::vector<std::string>{
                              "CREATE INDEX \"Orders_Region2\" ON \"Orders\" (\"Note\")",
                              "CREATE UNIQUE INDEX \"Orders_ByNote\" ON \"Orders\" (\"Note\" DESC, "
                              "\"Customer\") WHERE \"Note\" IS NOT NULL AND \"Customer\" IS NOT NULL"}));
  EXPECT_TRUE(plan.notes.empty()) << plan.notes[0];
  for (const DesignFact& fact : std::vector<DesignFact>{{"Orders.Orders_Region2", "IndexName", "Region"},
                                                        {"Orders.Orders_ByNote", "IndexName", "ByNote"},
                                                        {"Orders.Customer->Customers", "RelationshipName", "CustomersOrders"},
                                                        {"Orders.When", "DefaultValue", "Now()"},
                                                        {"Orders.ID", "AccessType", "AutoNumber"}})
    EXPECT_NE(std::find(plan.design.begin(), plan.design.end(), fact), plan.design.end()) << fact.object;
  // What Access checks or computes itself is named, not dropped silently.
  TableDesign checked;
  checked.name = "Checked";
  ado::ColumnEntry age = Col("Age", "Integer");
  age.validationRule = ">=0";
  ado::ColumnEntry total = Col("Total", "Double");
  total.computed = true;
  total.expression = "[Qty]*[Price]";
  checked.columns = {age, total};
  const TablePlan checkedPlan = PlanSQLiteTable(checked, {}, {});
  EXPECT_TRUE(Contains(checkedPlan.notes, "table \"Checked\", column \"Age\": the validation rule >=0 is not copied"));
  EXPECT_TRUE(Contains(checkedPlan.notes, "column \"Total\": a calculated column ([Qty]*[Price]) is copied as its values"));
  EXPECT_EQ(checkedPlan.create, "CREATE TABLE \"Checked\" (\"Age\" INTEGER, \"Total\" REAL)");
  EXPECT_NE(std::find(checkedPlan.design.begin(), checkedPlan.design.end(),
                      DesignFact{"Checked.Total", "Expression", "[Qty]*[Price]"}),
            checkedPlan.design.end());
  // A rule the translator takes is a CHECK on its column, beside the one a Yes/No has.
  ado::ColumnEntry flag = Col("Flag", "Yes/No");
  flag.validationRule = "<>0";
  checked.columns.push_back(flag);
  const auto translate = [](const std::string& e, const transfer::ExpressionOptions& o) -> transfer::SQLiteExpression {
    if (e == ">=0" && o.impliedOperand == "Age") return {"\"Age\" >= 0", ""};
    if (e == "<>0" && o.impliedOperand == "Flag") return {"\"Flag\" <> 0", ""};
    return {"", "no form"};
  };
  const TablePlan translated = PlanSQLiteTable(checked, {}, {}, translate);
  EXPECT_EQ(translated.create, "CREATE TABLE \"Checked\" (\"Age\" INTEGER CHECK (\"Age\" >= 0), \"Total\" REAL, "
                               "\"Flag\" BOOLEAN CHECK ((\"Flag\" IN (0,1)) AND (\"Flag\" <> 0)))");
  EXPECT_FALSE(Contains(translated.notes, "validation rule"));
  // The statements are SQLite's: they run.
  RawSQLite db(newSQLite(QStringLiteral("k.db")));
  db.exec("CREATE TABLE Customers (ID INTEGER PRIMARY KEY)");
  db.exec(plan.create);
  db.exec(plan.indexes[0]);
  db.exec("INSERT INTO Orders (ID) VALUES (1)");
  EXPECT_EQ(db.rows("SELECT length(\"When\") FROM Orders"), (std::vector<std::vector<std::string>>{{"i:19"}}));
  // The design facts go in; copied again, the table's old ones go, another table's stay.
  for (int pass = 0; pass < 2; ++pass)
    for (const std::string& statement : DesignTableStatements("Orders", plan.design)) db.exec(statement);
  for (const std::string& statement : DesignTableStatements("Ord", {{"Ord", "ValidationRule", "[a]<'x'"}})) db.exec(statement);
  EXPECT_EQ(db.rows("SELECT count(*) FROM _access_design"),
            (std::vector<std::vector<std::string>>{{"i:" + std::to_string(plan.design.size() + 1)}}));

  // A calculated column whose expression translates is computed by SQLite; one that reads the
  // clock may not be a generated column there and stays stored, with a note.
  TableDesign lines;
  lines.name = "Lines";
  ado::ColumnEntry lineTotal = Col("Total", "Currency", false);
  lineTotal.computed = true;
  lineTotal.expression = "[Qty]*[Price]";
  ado::ColumnEntry stamp = Col("Stamp", "Date/Time");
  stamp.computed = true;
  stamp.expression = "Now()";
  ado::ColumnEntry files = Col("Files", "Attachment or multiple values");
  lines.columns = {Col("Order", "Long Integer", false), Col("Line", "Integer", false), Col("Qty", "Integer"),
                   Col("Price", "Currency"), lineTotal, stamp, files};
  lines.indexes = {Index("PrimaryKey", {{"Order", false}, {"Line", false}}, true, true)};
  const auto computing = [](const std::string& e, const transfer::ExpressionOptions&) -> transfer::SQLiteExpression {
    if (e == "[Qty]*[Price]") return {"(\"Qty\" * \"Price\")", ""};
    if (e == "Now()") return {"datetime('now','localtime')", ""};
    return {"", "no form"};
  };
  const TablePlan linesPlan = PlanSQLiteTable(lines, {}, {}, computing);
  EXPECT_NE(linesPlan.create.find("\"Total\" DECIMAL_TEXT(19,4) GENERATED ALWAYS AS (round((\"Qty\" * \"Price\"), 4)) "
                                  "VIRTUAL"),
            std::string::npos) << linesPlan.create;
  EXPECT_TRUE(linesPlan.columns[4].generated && !linesPlan.columns[5].generated);
  EXPECT_TRUE(Contains(linesPlan.notes, "column \"Stamp\": a calculated column (Now()) is copied as its values: it "
                                        "reads the clock"));
  db.exec(linesPlan.create);
  db.exec("INSERT INTO Lines (\"Order\", Line, Qty, Price, Stamp, Files) VALUES (7, 1, 3, '2.5', NULL, 'a.txt'), "
          "(7, 2, 3, '0.1', NULL, NULL)");
  // (DECIMAL_TEXT's text affinity gives the result as text, like the stored Currency values.)
  EXPECT_EQ(db.rows("SELECT Total FROM Lines ORDER BY Line"), (std::vector<std::vector<std::string>>{{"t:7.5"}, {"t:0.3"}}));
  // The attachments' table: the parent's key, the parts, a foreign key that follows the parent.
  const auto values = PlanValuesTable(lines, linesPlan, "Files", "Lines_Files");
  ASSERT_TRUE(values);
  EXPECT_EQ(ValuesQuery(*values, true),
            "SELECT [Order], [Line], [Files].[FileName], [Files].[FileType], [Files].[FileData] FROM [Lines]");
  EXPECT_EQ(ValuesQuery(*values, false), "SELECT [Order], [Line], [Files].[Value] FROM [Lines]");
  db.exec(ValuesTableCreate(*values, true, ""));
  db.exec("PRAGMA foreign_keys = ON");
  db.exec("INSERT INTO Lines_Files VALUES (7, 1, 'a.txt', 'txt', x'00')");
  EXPECT_NE(sqlite3_exec(db.handle(), "INSERT INTO Lines_Files VALUES (8, 1, 'b', 'txt', x'00')", nullptr, nullptr,
                         nullptr),
            SQLITE_OK);
  db.exec("DELETE FROM Lines");
  EXPECT_EQ(db.rows("SELECT count(*) FROM Lines_Files"), (std::vector<std::vector<std::string>>{{"i:0"}}));
  db.exec("PRAGMA foreign_keys = OFF");
  lines.indexes.clear();
  EXPECT_FALSE(PlanValuesTable(lines, linesPlan, "Files", "Lines_Files"));

  // Without the referenced table the key is left out with a note; a composite key is a table constraint.
  TableDesign pair;
  pair.name = "Pair";
  pair.columns = {Col("a", "Memo", false), Col("b", "Integer", false)};
  pair.indexes = {Index("PrimaryKey", {{"a", false}, {"b", true}}, true, true)};
  pair.foreignKeys = {fk};
  const TablePlan pairPlan = PlanSQLiteTable(pair, {}, {});
  EXPECT_EQ(pairPlan.create, "CREATE TABLE \"Pair\" (\"a\" TEXT NOT NULL, \"b\" INTEGER NOT NULL, PRIMARY KEY (\"a\", \"b\" DESC))");
  EXPECT_TRUE(Contains(pairPlan.notes, "not copied"));
}

TEST_F(FaithfulRulesTest, SQLiteTypesBecomeAccessColumnsByTheirValues) {
  TableDesign t;
  t.name = "t";
  ado::ColumnEntry id = Col("id", "INTEGER", false);
  id.autoIncrement = true;
  ado::ColumnEntry shortText = Col("name", "VARCHAR(10)");
  shortText.maxLength = 10;
  ado::ColumnEntry longText = Col("code", "VARCHAR(5)");
  longText.maxLength = 5;
  ado::ColumnEntry money = Col("price", "DECIMAL_TEXT(19,4)");
  money.precision = 19;
  money.scale = 4;
  ado::ColumnEntry exact = Col("ratio", "NUMERIC(28,12)");
  exact.precision = 28;
  exact.scale = 12;
  ado::ColumnEntry flag = Col("ok", "BOOLEAN", false);
  flag.defaultText = "1";
  ado::ColumnEntry big = Col("big", "BIGINT");
  ado::ColumnEntry stamp = Col("at", "DATETIME");
  ado::ColumnEntry raw = Col("raw", "BLOB");
  ado::ColumnEntry other = Col("x", "");
  t.columns = {id, shortText, longText, money, exact, flag, big, stamp, raw, other};
  t.indexes = {Index("", {{"id", false}}, true, true), Index("ix_cond", {{"name", false}}),
               Index("ix_expr", {{"", false}})};
  t.indexes[1].filter = "name > 'a'";
  std::vector<ColumnFacts> facts(t.columns.size());
  facts[2].longestText = 9;              // longer than its declared 5
  facts[6].maxInteger = 5'000'000'000;   // beyond Long Integer
  facts[7].fractionOfSecond = true;
  const TablePlan plan = PlanAccessTable(t, facts, {}, {});
  EXPECT_EQ(plan.create,
            "CREATE TABLE [t] ([id] COUNTER PRIMARY KEY, [name] TEXT(10), [code] MEMO, [price] CURRENCY, "
            "[ratio] DECIMAL(28,12), [ok] YESNO NOT NULL DEFAULT True, [big] DOUBLE, [at] DATETIME, [raw] LONGBINARY, "
            "[x] MEMO)");
  EXPECT_TRUE(plan.indexes.empty());
  for (const char* part : {"code", "big", "fractions", "ix_cond", "ix_expr"}) EXPECT_TRUE(Contains(plan.notes, part)) << part;

  AccessFormat withBigInt;
  withBigInt.bigInt = true;
  EXPECT_NE(PlanAccessTable(t, facts, withBigInt, {}).create.find("[big] BIGINT"), std::string::npos);

  // A rowid beyond Long Integer cannot be an AutoNumber: a plain key of the wider type.
  facts[0].maxInteger = 3'000'000'000;
  EXPECT_NE(PlanAccessTable(t, facts, withBigInt, {}).create.find("[id] BIGINT NOT NULL"), std::string::npos);
  EXPECT_NE(PlanAccessTable(t, facts, withBigInt, {}).create.find("CONSTRAINT [PrimaryKey] PRIMARY KEY ([id])"),
            std::string::npos);
  facts[0].maxInteger.reset();

  // Texts that are no ISO dates keep the column a text.
  facts[7].nonIsoDateText = true;
  EXPECT_NE(PlanAccessTable(t, facts, {}, {}).create.find("[at] MEMO"), std::string::npos);
}

TEST_F(FaithfulRulesTest, SQLiteKeysIndexesAndForeignKeysBecomeAccessDdl) {
  TableDesign t;
  t.name = "line";
  t.columns = {Col("order_id", "INTEGER", false), Col("n", "INTEGER", false), Col("sku", "TEXT")};
  t.indexes = {Index("sqlite_autoindex_line_1", {{"order_id", false}, {"n", false}}, true, true),
               Index("by_sku", {{"sku", true}}, true), Index("nn", {{"sku", false}}),
               Index("sqlite_autoindex_line_2", {{"sku", false}}, true), Index("sku", {{"n", false}})};
  t.indexes[2].filter = "sku IS NOT NULL";
  ado::ForeignKeyEntry fk;
  fk.name = "orderline";
  fk.table = "line";
  fk.referencedTable = "order";
  fk.columns = {"order_id"};
  fk.referencedColumns = {"id"};
  fk.updateRule = "NO ACTION";
  fk.deleteRule = "CASCADE";
  ado::ForeignKeyEntry toNull = fk;
  toNull.name = "skuline";
  toNull.referencedTable = "sku";
  toNull.deleteRule = "SET NULL";
  t.foreignKeys = {fk, toNull};
  // What the first copy to SQLite kept: the Access type, an index's name before its rename
  // (here one the foreign key's name then has to give way to), a relationship's name.
  const DesignFacts kept = {{"line", "PrimaryKeyName", "LineKey"},
                            {"line.n", "AccessType", "Byte"}, {"line.sku", "IndexName", "skuline"},
                            {"line.order_id->order", "RelationshipName", "OrdersLines"}};
  const TablePlan plan = PlanAccessTable(t, std::vector<ColumnFacts>(3), {}, {"Order", "line", "SKU"}, kept);
  // A rule Access's statements cannot say: the key is kept without it, and a note says so.
  EXPECT_TRUE(Contains(plan.notes, "the rule SET NULL has no Access equivalent"));
  EXPECT_EQ(plan.create, "CREATE TABLE [line] ([order_id] LONG NOT NULL, [n] BYTE NOT NULL, [sku] MEMO, "
                         "CONSTRAINT [LineKey] PRIMARY KEY ([order_id], [n]))");
  // SQLite's names for its constraints' indexes are reserved there: they are named after their columns.
  EXPECT_EQ(plan.indexes, (std::vector<std::string>{"CREATE UNIQUE INDEX [by_sku] ON [line] ([sku] DESC)",
                                                    "CREATE INDEX [nn] ON [line] ([sku]) WITH IGNORE NULL",
                                                    "CREATE UNIQUE INDEX [sku1] ON [line] ([sku])",
                                                    "CREATE INDEX [skuline] ON [line] ([n])"}));
  EXPECT_EQ(plan.foreignKeys, (std::vector<std::string>{"ALTER TABLE [line] ADD CONSTRAINT [OrdersLines] FOREIGN KEY "
                                                        "([order_id]) REFERENCES [order] ([id]) ON DELETE CASCADE",
                                                        "ALTER TABLE [line] ADD CONSTRAINT [skuline1] FOREIGN KEY "
                                                        "([order_id]) REFERENCES [sku] ([id])"}));
}

TEST_F(FaithfulRulesTest, AccessLiteralsKeepWhatThePlainCopyLoses) {
  auto literal = [](const ado::Variant& v, ValueForm form) {
    std::string s;
    AppendAccessValue(s, v, form);
    return s;
  };
  EXPECT_EQ(literal(ado::Variant::text(""), ValueForm::kText), "''");
  EXPECT_EQ(literal(ado::Variant::text("922337203685477.5807"), ValueForm::kExactDecimal), "922337203685477.5807");
  EXPECT_EQ(literal(ado::Variant::text("1e5; DROP"), ValueForm::kExactDecimal), "'1e5; DROP'");
  EXPECT_EQ(literal(ado::Variant::int64(0), ValueForm::kBoolean), "False");
  EXPECT_EQ(literal(ado::Variant::int64(1), ValueForm::kBoolean), "True");
  EXPECT_EQ(literal(ado::Variant::int64(42), ValueForm::kText), "'42'");
  EXPECT_EQ(literal(ado::Variant::bytes({0x00, 0xFF}), ValueForm::kBytes), "0x00FF");
  EXPECT_EQ(literal(ado::Variant::null(), ValueForm::kNumber), "NULL");
}

TEST_F(FaithfulRulesTest, TheFactsQueryMeasuresWhatTheRulesAsk) {
  RawSQLite db(newSQLite(QStringLiteral("f.db"), {
      "CREATE TABLE t (i INTEGER, s TEXT, d DATETIME, b BLOB, f BOOLEAN)",
      "INSERT INTO t VALUES (-3000000000, 'abcdef', '2024-01-02 03:04:05.25', x'', 1)",
      "INSERT INTO t VALUES (7, 'ab', '2024-01-02', NULL, NULL)",
      "INSERT INTO t VALUES (NULL, NULL, '02/01/2024', x'00', 0)"}));
  TableDesign t;
  t.name = "t";
  t.columns = {Col("i", "INTEGER"), Col("s", "VARCHAR(9)"), Col("d", "DATETIME"), Col("b", "BLOB"), Col("f", "BOOLEAN")};
  t.columns[1].maxLength = 9;
  sqlite3_stmt* statement = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db.handle(), SQLiteFactsQuery(t).c_str(), -1, &statement, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
  std::vector<ado::Variant> row;
  for (int i = 0; i < sqlite3_column_count(statement); ++i)
    row.push_back(sqlite3_column_type(statement, i) == SQLITE_NULL ? ado::Variant::null()
                                                                    : ado::Variant::int64(sqlite3_column_int64(statement, i)));
  sqlite3_finalize(statement);
  const auto facts = FactsFromRow(row, 5);
  EXPECT_EQ(facts[0].minInteger, -3000000000);
  EXPECT_EQ(facts[0].maxInteger, 7);
  EXPECT_TRUE(facts[4].nullValue);
  EXPECT_FALSE(facts[1].nonIsoDateText);  // only what a column's rule asks for is measured
  EXPECT_EQ(facts[1].longestText, 6);
  EXPECT_TRUE(facts[2].nonIsoDateText);  // 02/01/2024
  EXPECT_TRUE(facts[2].fractionOfSecond);
  EXPECT_TRUE(facts[3].emptyBytes);
}

}  // namespace
}  // namespace transfer_test
