// Saved queries through the faithful copy: Access expressions give in SQLite what Access
// gives; Northwind-style queries written into an Access file become views whose rows are the
// ones computed here from the data, and come back to a new Access file as the same queries;
// the corpus's queries of every kind are views or notes, each kept in _access_queries.
#include "TransferFixture.h"
#include "db/Connections.h"
#include "jet/Database.h"
#include "jet/SavedQueries.h"
#include "jet/check/DatabaseCheck.h"
#include "transfer/AccessExpression.h"
#include "transfer/AccessToSQLite.h"
#include "transfer/FaithfulCopy.h"
#include "transfer/QueryTranslation.h"
#include "transfer/SQLiteViewSql.h"
#include "transfer/SQLiteToAccess.h"

#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace transfer_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// What Access gives for each expression, as an SQLite value text (t: text, i: integer, r: real).
TEST(AccessExpressionTest, ExpressionsGiveWhatAccessGives) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      // Text joins: Null only when every part is Null.
      {"\"a\" & Null & 1", "t:a1"},
      {"Null & Null", "NULL"},
      {"[x] & [y]", "NULL"},
      {"Left(\"hello\", 2) & Right(\"hello\", 3) & Right(\"hi\", 5) & Mid(\"abcdef\", 2, 3)", "t:hellohibcd"},
      {"Len(\"abc\") + InStr(\"Hello\", \"L\") + InStr(4, \"Hello\", \"l\")", "i:10"},
      {"UCase(Trim(\"  ab  \")) & LCase(\"Q\") & Replace(\"a-b-c\", \"-\", \"+\")", "t:ABqa+b+c"},
      // Numbers: / is real, \\ whole, Int rounds down, Fix toward zero.
      {"7 / 2", "r:3.5"},
      {"7 \\ 2 + 7 Mod 3", "i:4"},
      {"Int(-2.5) * 10 + Fix(-2.5)", "i:-32"},
      {"-2 ^ 2", "i:-4"},
      {"Sgn(-3) + Abs(-4) + CInt(2.6) + Val(\"12abc\")", "i:18"},
      {"Iif(Null, 1, 2) + Nz(Null, 5) + Switch(1 = 2, 10, 1 = 1, 20)", "i:27"},
      // Comparisons: texts without regard to case, Like with * and ?.
      {"\"abc\" = \"ABC\"", "i:1"},
      {"\"Berlin\" Like \"b*n\" And \"Bonn\" Like \"B?nn\" And Not \"Bern\" Like \"B?rlin\"", "i:1"},
      {"\"50%\" Like \"5[%]\"", "i:0"},
      {"\"x\" In (\"A\", \"X\") And 5 Between 1 And 10 And Null Is Null", "i:1"},
      // Dates in the copy's text form; DateAdd keeps the month's last day as Access does.
      {"#2/29/2020 10:30:00#", "t:2020-02-29 10:30:00"},
      {"DateAdd(\"m\", 1, #1/31/2020#)", "t:2020-02-29 00:00:00"},
      {"DateAdd(\"yyyy\", -1, #2/29/2020 10:30#)", "t:2019-02-28 10:30:00"},
      {"DateAdd(\"ww\", 2, #12/25/2020#)", "t:2021-01-08 00:00:00"},
      {"#1/1/2021# + 1.5", "t:2021-01-02 12:00:00"},
      {"DateDiff(\"m\", #1/31/2020#, #2/1/2020#) * 100 + DateDiff(\"d\", #2/28/1997 13:30#, #3/5/1997#)", "i:105"},
      {"DateDiff(\"ww\", #1/4/2020#, #1/5/2020#) + DateDiff(\"h\", #1/1/2020 10:59#, #1/1/2020 11:00#)", "i:2"},
      {"DatePart(\"ww\", #1/2/2022#) * 10 + DatePart(\"q\", #8/1/2022#)", "i:23"},
      {"Year(#3/5/2021#) + Month(#3/5/2021#) + Day(#3/5/2021#) + Weekday(#1/5/2020#)", "i:2030"},
      {"DateSerial(2020, 14, 1)", "t:2021-02-01 00:00:00"},
      // Format: date and number patterns, named formats in their English forms.
      {"Format(#3/5/2021 14:07:09#, \"dddd, mmmm d, yyyy h:nn AM/PM\")", "t:Friday, March 5, 2021 2:07 PM"},
      {"Format(#3/5/2021 14:07:09#, \"yyyy-mm-dd hh:nn:ss\") & \"|\" & Format(#3/5/2021#, \"Short Date\")",
       "t:2021-03-05 14:07:09|3/5/2021"},
      {"Format(#3/5/2021#, \"dd-mmm-yy\")", "t:05-Mar-21"},
      {"Format(1234567.891, \"#,##0.00\") & \"|\" & Format(-1234.5, \"Currency\") & \"|\" & Format(0.256, \"Percent\")",
       "t:1,234,567.89|($1,234.50)|25.60%"},
      {"Format(3.14159, \"0.000\") & Format(Null, \"0.0\")", "t:3.142"},
  };
  RawSQLite db(QStringLiteral(":memory:"));
  db.exec("CREATE TABLE t (x, y)");
  db.exec("INSERT INTO t VALUES (NULL, NULL)");
  for (const auto& [access, expected] : cases) {
    SCOPED_TRACE(access);
    const transfer::SQLiteExpression e = transfer::TranslateAccessExpression(access);
    ASSERT_TRUE(e.ok()) << e.reason;
    const Rows rows = db.rows("SELECT " + e.sql + " FROM t");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], expected) << e.sql;
  }

  // A column's validation rule leaves its column out.
  for (const auto& [rule, sql] : std::vector<std::pair<const char*, const char*>>{
           {">0 And <100", "\"Price\" > 0 AND \"Price\" < 100"},
           {"Between 1 And 10", "\"Price\" BETWEEN 1 AND 10"},
           {"Is Not Null", "\"Price\" IS NOT NULL"},
           {"Not In (\"a\",\"b\")", "\"Price\" COLLATE NOCASE NOT IN ('a', 'b')"},
           {"[End]>=[Start]", "\"End\" >= \"Start\""}}) {
    const auto e = transfer::TranslateAccessExpression(rule, {.impliedOperand = "Price"});
    EXPECT_EQ(e.sql, sql) << rule << ": " << e.reason;
  }

  // What has no SQLite form is refused with the reason, never guessed.
  for (const auto& [access, reason] : std::vector<std::pair<const char*, const char*>>{
           {"[Forms]![Orders]![OrderID]", "form"},
           {"DLookup(\"x\", \"t\")", "DLookup"},
           {"First([x])", "First"},
           {"[x] Like \"##\"", "digit"},
           {"Format([x], \"ww\")", "week"},
           {"MyFunction([x])", "MyFunction"},
           {"[x] Imp [y]", "Imp"},
           {"(1 + 2", "expected ')'"},
           {"", "empty"}}) {
    const auto e = transfer::TranslateAccessExpression(access);
    EXPECT_FALSE(e.ok()) << access << " gave " << e.sql;
    EXPECT_NE(e.reason.find(reason), std::string::npos) << access << ": " << e.reason;
  }
  // Nesting deeper than any real query is refused, not followed down the stack.
  for (const std::string& deep : {std::string(100000, '(') + "1", std::string(100000, '-') + "1",
                                  "SELECT * FROM " + std::string(100000, '(') + "t"}) {
    const auto e = deep[0] == 'S' ? transfer::TranslateAccessQuery(deep).reason : transfer::TranslateAccessExpression(deep).reason;
    EXPECT_NE(e.find("nested more than"), std::string::npos) << e;
  }
  EXPECT_FALSE(jet::SavedQueryFromSql("q", "SELECT * FROM " + std::string(100000, '(') + "t").ok());
}

// The Northwind-like data the queries read.
const std::vector<std::string> kTables = {
    "CREATE TABLE Customers (CustomerID VARCHAR(5) PRIMARY KEY, CompanyName VARCHAR(40) NOT NULL, City VARCHAR(15), "
    "Region VARCHAR(15))",
    "INSERT INTO Customers VALUES ('ALFKI', 'Alfreds', 'Berlin', NULL), ('ANATR', 'Ana Trujillo', 'México D.F.', NULL), "
    "('AROUT', 'Around the Horn', 'London', 'UK'), ('BERGS', 'Berglunds', 'Luleå', NULL), ('BONAP', 'Bon app''', "
    "'Marseille', NULL)",
    "CREATE TABLE Suppliers (SupplierID INTEGER PRIMARY KEY, CompanyName VARCHAR(40), City VARCHAR(15))",
    "INSERT INTO Suppliers VALUES (1, 'Exotic Liquids', 'London'), (2, 'Tokyo Traders', 'Tokyo'), (3, 'Pavlova', "
    "'Melbourne'), (4, 'Lyngbysild', 'Berlin')",
    "CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID VARCHAR(5) REFERENCES Customers (CustomerID), "
    "OrderDate DATETIME, ShippedDate DATETIME, Freight REAL)",
    "INSERT INTO Orders VALUES (10248, 'ALFKI', '1997-01-15 00:00:00', '1997-01-20 00:00:00', 32.38), "
    "(10249, 'ALFKI', '1997-02-10 00:00:00', NULL, 11.61), (10250, 'AROUT', '1997-02-28 13:30:00', "
    "'1997-03-05 00:00:00', 65.83), (10251, 'AROUT', '1997-04-01 00:00:00', '1997-04-03 00:00:00', 41.34), "
    "(10252, 'BERGS', '1996-12-31 23:59:59', '1997-01-02 00:00:00', 51.3), (10253, 'AROUT', '1998-03-31 00:00:00', "
    "NULL, 58.17)",
    "CREATE TABLE Products (ProductID INTEGER PRIMARY KEY, ProductName VARCHAR(40), UnitPrice REAL, "
    "Discontinued BOOLEAN NOT NULL)",
    "INSERT INTO Products VALUES (1, 'Chai', 18, 0), (2, 'Chang', 19, 0), (3, 'Aniseed Syrup', 10, 1), "
    "(4, 'Côte de Blaye', 263.5, 0), (5, 'Mishi Kobe Niku', 97, 1), (6, 'Ikura', 31, 0)"};

struct Order {
  int id;
  std::string customer, ordered, shipped;  // shipped empty: Null
  double freight;
};
const std::vector<Order> kOrders = {{10248, "ALFKI", "1997-01-15 00:00:00", "1997-01-20 00:00:00", 32.38},
                                    {10249, "ALFKI", "1997-02-10 00:00:00", "", 11.61},
                                    {10250, "AROUT", "1997-02-28 13:30:00", "1997-03-05 00:00:00", 65.83},
                                    {10251, "AROUT", "1997-04-01 00:00:00", "1997-04-03 00:00:00", 41.34},
                                    {10252, "BERGS", "1996-12-31 23:59:59", "1997-01-02 00:00:00", 51.3},
                                    {10253, "AROUT", "1998-03-31 00:00:00", "", 58.17}};
const std::map<std::string, std::pair<std::string, std::string>> kCustomers = {  // name, region
    {"ALFKI", {"Alfreds", ""}},
    {"ANATR", {"Ana Trujillo", ""}},
    {"AROUT", {"Around the Horn", "UK"}},
    {"BERGS", {"Berglunds", ""}},
    {"BONAP", {"Bon app'", ""}}};
const std::map<std::string, std::string> kCities = {
    {"ALFKI", "Berlin"}, {"ANATR", "México D.F."}, {"AROUT", "London"}, {"BERGS", "Luleå"}, {"BONAP", "Marseille"}};

// The saved queries, in Access SQL as Access writes it; the one that reads another comes first.
const std::vector<std::pair<std::string, std::string>> kQueries = {
    {"Big Freight Cities",
     "SELECT [Freight By City].City\r\nFROM [Freight By City]\r\nWHERE ((([Freight By City].TotalFreight)>50));"},
    {"Freight By City",
     "SELECT Customers.City, Count(Orders.OrderID) AS OrderCount, Sum(Orders.Freight) AS TotalFreight\r\n"
     "FROM Customers INNER JOIN Orders ON Customers.CustomerID = Orders.CustomerID\r\nGROUP BY Customers.City\r\n"
     "HAVING (((Count(Orders.OrderID))>=1))\r\nORDER BY Customers.City;"},
    {"Three Most Expensive",
     "SELECT TOP 3 Products.ProductName, Products.UnitPrice\r\nFROM Products\r\nORDER BY Products.UnitPrice DESC;"},
    {"First Quarter 1997",
     "SELECT Orders.OrderID, DateDiff(\"d\",[OrderDate],[ShippedDate]) AS DaysToShip\r\nFROM Orders\r\n"
     "WHERE (((Orders.OrderDate) Between #1/1/1997# And #3/31/1997 23:59:59#))\r\nORDER BY Orders.OrderID;"},
    {"Cities", "SELECT City FROM Customers\r\nUNION SELECT City FROM Suppliers\r\nORDER BY City;"},
    {"Order Labels",
     "SELECT Orders.OrderID, IIf([Freight]>50,\"heavy\",\"light\") AS Weight, Nz([ShippedDate],\"not shipped\") AS "
     "Shipped, Format([OrderDate],\"yyyy-mm-dd\") AS [Day], [CompanyName] & \" (\" & [Region] & \")\" AS Who\r\n"
     "FROM Customers RIGHT JOIN Orders ON Customers.CustomerID = Orders.CustomerID\r\nORDER BY Orders.OrderID;"},
    {"Orders Per Customer",
     "SELECT Customers.CompanyName, (SELECT Count(*) FROM Orders WHERE Orders.CustomerID = Customers.CustomerID) AS "
     "Placed\r\nFROM Customers\r\nWHERE (((Customers.CustomerID) In (SELECT CustomerID FROM Orders)))\r\n"
     "ORDER BY Customers.CompanyName;"},
    {"Orders Of The Form", "SELECT *\r\nFROM Orders\r\nWHERE (((Orders.CustomerID)=[Forms]![Orders]![CustomerID]));"}};

std::string Text(const std::string& s) { return "t:" + s; }
std::string Real(double v) {
  char out[64];
  std::snprintf(out, sizeof out, "r:%.17g", v);
  return out;
}

// A text as SQLite's julianday would count its day.
long DayNumber(const std::string& date) {
  int y = std::stoi(date.substr(0, 4)), m = std::stoi(date.substr(5, 2)), d = std::stoi(date.substr(8, 2));
  y -= m <= 2;
  const long era = y / 400, yoe = y - era * 400, doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy;
}

// Each view's rows, computed here from the data above.
std::map<std::string, Rows> ExpectedViews() {
  std::map<std::string, Rows> views;
  std::map<std::string, std::pair<int, double>> byCity;
  for (const auto& o : kOrders) {
    auto& [count, freight] = byCity[kCities.at(o.customer)];
    ++count;
    freight += o.freight;
  }
  for (const auto& [city, totals] : byCity) {
    views["Freight By City"].push_back({Text(city), "i:" + std::to_string(totals.first), Real(totals.second)});
    if (totals.second > 50) views["Big Freight Cities"].push_back({Text(city)});
  }
  views["Three Most Expensive"] = {{"t:Côte de Blaye", "r:263.5"}, {"t:Mishi Kobe Niku", "r:97"}, {"t:Ikura", "r:31"}};
  for (const auto& o : kOrders) {
    if (o.ordered < "1997-01-01" || o.ordered > "1997-03-31 23:59:59") continue;
    views["First Quarter 1997"].push_back(
        {"i:" + std::to_string(o.id), o.shipped.empty() ? "NULL" : "i:" + std::to_string(DayNumber(o.shipped) - DayNumber(o.ordered))});
  }
  std::set<std::string> cities;
  for (const auto& [id, city] : kCities) cities.insert(city);
  for (const char* city : {"London", "Tokyo", "Melbourne", "Berlin"}) cities.insert(city);
  for (const auto& city : cities) views["Cities"].push_back({Text(city)});
  for (const auto& o : kOrders) {
    const auto& [name, region] = kCustomers.at(o.customer);
    views["Order Labels"].push_back({"i:" + std::to_string(o.id), Text(o.freight > 50 ? "heavy" : "light"),
                                     Text(o.shipped.empty() ? "not shipped" : o.shipped), Text(o.ordered.substr(0, 10)),
                                     Text(name + " (" + region + ")")});
  }
  std::map<std::string, int> placed;
  for (const auto& o : kOrders) ++placed[kCustomers.at(o.customer).first];
  for (const auto& [name, count] : placed) views["Orders Per Customer"].push_back({Text(name), "i:" + std::to_string(count)});
  return views;
}

// Each saved query of an Access file: name -> kind and Access SQL.
std::map<std::string, std::string> SavedQueries(const QString& path) {
  auto db = jet::Database::Open(path.toStdString(), {});
  EXPECT_TRUE(db.ok()) << db.status().message();
  std::map<std::string, std::string> out;
  if (!db.ok()) return out;
  auto queries = jet::ReadSavedQueries(**db);
  EXPECT_TRUE(queries.ok()) << queries.status().message();
  if (!queries.ok()) return out;
  for (const auto& q : *queries) {
    auto sql = jet::AccessSqlOf(q);
    out[q.name] = std::string(jet::QueryKindName(q.kind)) + ": " + (sql.ok() ? *sql : sql.status().message());
  }
  return out;
}

// The MSysQueries rows of an Access file as mdbtools reads them, one JSON object a line, where
// it is installed (none otherwise): as many as our reader reads.
QList<QByteArray> MSysQueriesByMdbTools(const QString& access) {
  const QString mdbJson = QStandardPaths::findExecutable(QStringLiteral("mdb-json"));
  if (mdbJson.isEmpty()) return {};
  QProcess reader;
  reader.start(mdbJson, {access, QStringLiteral("MSysQueries")});
  EXPECT_TRUE(reader.waitForFinished(60000));
  EXPECT_EQ(reader.exitCode(), 0);
  EXPECT_TRUE(reader.readAllStandardError().isEmpty());
  const QList<QByteArray> lines = reader.readAllStandardOutput().trimmed().split('\n');
  size_t ours = 0;
  auto db = jet::Database::Open(access.toStdString(), {});
  EXPECT_TRUE(db.ok());
  if (!db.ok()) return lines;
  auto queries = jet::ReadSavedQueries(**db);
  EXPECT_TRUE(queries.ok());
  if (queries.ok())
    for (const auto& q : *queries) ours += q.rows.size();
  EXPECT_EQ(static_cast<size_t>(lines.size()), ours);
  return lines;
}

class SavedQueryTest : public TransferTest {
 protected:
  void copy(bool toAccess) {
    accessList.clear();
    sqliteList.clear();
    notes.clear();
    failures.clear();
    faithfulCopyAll(toAccess, notes);
    for (const auto& f : failures) ADD_FAILURE() << f.description.toStdString();
  }
  // A corpus file copied to a new SQLite file; its path.
  QString corpusInSQLite(const QString& corpus, const QString& name) {
    const QString access = copyCorpus(corpus);
    const QString path = newSQLite(name);
    useFiles(path, access);
    copy(false);
    return path;
  }
  void expectSound(const QString& access) {
    const auto check = jet::check::CheckDatabase(access.toStdString());
    ASSERT_TRUE(check.ok()) << check.status().message();
    for (const auto& problem : check.value().problems) ADD_FAILURE() << problem;
    QProcess reader;
    reader.start(QStringLiteral(TABLOREN_ACCESS_DUMP), {access});
    ASSERT_TRUE(reader.waitForFinished(120000));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
  }
  std::vector<std::string> notes;
};

TEST_F(SavedQueryTest, NorthwindQueriesBecomeViewsWithTheirRowsAndComeBack) {
  // The tables go to Access, the queries are written there as Access keeps them.
  const QString source = newSQLite(QStringLiteral("northwind.db"), kTables);
  const QString access = newAccess(QStringLiteral("northwind.accdb"));
  useFiles(source, access);
  copy(true);
  {
    const auto connection = db::OpenAccessConnection(*settings_, db::profiles::kNone, access, QString());
    for (const auto& [name, sql] : kQueries) connection->Execute("CREATE VIEW [" + name + "] AS " + sql);
  }
  expectSound(access);
  const auto written = SavedQueries(access);
  ASSERT_EQ(written.size(), kQueries.size());
  EXPECT_EQ(written.at("Cities"), "union: SELECT City FROM Customers\r\nUNION\r\nSELECT City FROM Suppliers\r\nORDER BY City;");
  EXPECT_EQ(written.at("Freight By City"), "select: " + kQueries[1].second);

  // Access to SQLite: views, the one that cannot be a note.
  const QString copyPath = newSQLite(QStringLiteral("copy.db"));
  useFiles(copyPath, access);
  copy(false);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("query Orders Of The Form was not made a view: it refers to a form"), std::string::npos)
      << notes[0];
  RawSQLite copied(copyPath);
  for (const auto& [view, rows] : ExpectedViews()) {
    SCOPED_TRACE(view);
    Rows got = copied.rows("SELECT * FROM \"" + view + "\"");
    // Rows the query does not order are compared as a set.
    if (view == "Big Freight Cities") std::sort(got.begin(), got.end());
    EXPECT_EQ(got, rows);
  }
  EXPECT_EQ(copied.rows("SELECT count(*) FROM sqlite_master WHERE type = 'view'"), (Rows{{"i:7"}}));
  const Rows kept = copied.rows("SELECT name, type FROM _access_queries ORDER BY name");
  EXPECT_EQ(kept.size(), kQueries.size());
  EXPECT_EQ(copied.rows("SELECT sql FROM _access_queries WHERE name = 'Orders Of The Form'"),
            (Rows{{Text(kQueries.back().second)}}));

  // SQLite to a new Access file: every query comes back with the same SQL.
  const QString back = newAccess(QStringLiteral("back.mdb"));
  useFiles(copyPath, back);
  copy(true);  // views and _access_queries are selected too: they are queries, not tables
  EXPECT_TRUE(notes.empty()) << notes[0];
  expectSound(back);
  EXPECT_EQ(SavedQueries(back), written);

  const QList<QByteArray> lines = MSysQueriesByMdbTools(back);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const QByteArray& line) {
              return line.contains("\"Attribute\":7") &&
                     line.contains("\"Expression\":\"Customers.CustomerID = Orders.CustomerID\"") &&
                     line.contains("\"Flag\":3");
            }),
            lines.isEmpty() ? 0 : 1);
}

// The corpus's queries: select queries become views that run, every other kind is a note, and
// all are kept in _access_queries with the SQL the engine rebuilds.
TEST_F(SavedQueryTest, CorpusQueriesAreViewsOrNotes) {
  RawSQLite copied(corpusInSQLite(QStringLiteral("jackcess/V2000/queryTestV2000.mdb"), QStringLiteral("querytest.db")));
  EXPECT_EQ(copied.rows("SELECT name, type FROM _access_queries ORDER BY name"),
            (Rows{{"t:AppendQuery", "t:append"},
                  {"t:CrosstabQuery", "t:crosstab"},
                  {"t:DataDefinitionQuery", "t:data-definition"},
                  {"t:DeleteQuery", "t:delete"},
                  {"t:MakeTableQuery", "t:make-table"},
                  {"t:PassthroughQuery", "t:pass-through"},
                  {"t:SelectQuery", "t:select"},
                  {"t:UnionQuery", "t:union"},
                  {"t:UpdateQuery", "t:update"}}));
  EXPECT_EQ(copied.rows("SELECT name FROM sqlite_master WHERE type = 'view'"), (Rows{{"t:SelectQuery"}}));
  std::string all;
  for (const auto& n : notes) all += n + "\n";
  for (const char* name : {"AppendQuery", "CrosstabQuery", "DataDefinitionQuery", "DeleteQuery", "MakeTableQuery",
                           "PassthroughQuery", "UnionQuery", "UpdateQuery"})
    EXPECT_NE(all.find(std::string("query ") + name + " was not made a view: "), std::string::npos) << name << "\n" << all;
  EXPECT_EQ(notes.size(), 8u) << all;

  // Real queries of a real database: the sums per owner match the table's own.
  RawSQLite s(corpusInSQLite(QStringLiteral("mdb-reader/real/ASampleDatabase.accdb"), QStringLiteral("sample.db")));
  EXPECT_EQ(s.rows("SELECT Owner, \"Asset Category\", SumOfCost FROM qryCostsSummedByOwner ORDER BY 1, 2"),
            s.rows("SELECT Owner, \"Asset Category\", sum(Cost) FROM \"Asset Items\" GROUP BY 1, 2 ORDER BY 1, 2"));
  EXPECT_EQ(s.rows("SELECT count(*) FROM qryComputerHardwareInOwnerOrder"),
            s.rows("SELECT count(*) FROM \"Asset Items\" WHERE \"Asset Category\" = 'Computer Hardware'"));
  EXPECT_EQ(s.rows("SELECT count(*) FROM sqlite_master WHERE type = 'view'"), (Rows{{"i:3"}}));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0], "3 hidden queries (record sources of forms and reports) kept in _access_queries only");
}


// SQLite views in Access SQL: names in brackets with their tables, || keeping SQLite's Null,
// ISO dates compared with date columns as #dates#, 0 and 1 with Yes/No columns as False and
// True, CASE as IIf, results named as SQLite names them; what has no Access form is refused.
TEST(SQLiteViewSqlTest, ViewsInAccessSql) {
  const transfer::ColumnLookup columns = [](const std::string& table,
                                            const std::string& column) -> std::optional<transfer::ColumnKind> {
    static const std::map<std::string, std::map<std::string, const char*>> kDeclared = {
        {"Orders", {{"OrderID", "INTEGER"}, {"CustomerID", "VARCHAR(5)"}, {"OrderDate", "DATETIME"}, {"Freight", "REAL"}}},
        {"Products", {{"ProductName", "VARCHAR(40)"}, {"Discontinued", "BOOLEAN"}}}};
    auto t = kDeclared.find(table);
    if (t == kDeclared.end() || !t->second.count(column)) return std::nullopt;
    return transfer::KindOfDeclaredType(t->second.at(column));
  };
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"CREATE VIEW v AS SELECT o.OrderID, upper(\"CustomerID\") AS who, count(*), OrderID / 2 FROM Orders AS o "
       "WHERE OrderDate >= '1997-01-01' AND NOT Freight > 10 OR CustomerID IN (SELECT CustomerID FROM Orders WHERE "
       "Freight > 100) GROUP BY 1, who ORDER BY 2 DESC LIMIT 3",
       "SELECT TOP 3 [o].[OrderID], UCase([o].[CustomerID]) AS [who], Count(*) AS [count(*)], [o].[OrderID] \\ 2 AS "
       "[OrderID / 2] FROM [Orders] AS [o] WHERE [o].[OrderDate] >= #1997-01-01# And Not [o].[Freight] > 10 Or "
       "[o].[CustomerID] In (SELECT [Orders].[CustomerID] FROM [Orders] WHERE [Orders].[Freight] > 100) GROUP BY ([o].[OrderID]), (UCase([o].[CustomerID])) ORDER BY (UCase([o].[CustomerID])) DESC"},
      {"CREATE VIEW v(n, state) AS SELECT ProductName || ' *', CASE Discontinued WHEN 1 THEN 'gone' END FROM Products "
       "WHERE ProductName LIKE 'C%\\_[1]' ESCAPE '\\' AND Discontinued = 0",
       "SELECT IIf([Products].[ProductName] Is Null, Null, [Products].[ProductName] & \" *\") AS [n], "
       "IIf([Products].[Discontinued] = True, \"gone\", Null) AS [state] FROM [Products] WHERE [Products].[ProductName] "
       "Like \"C*_[[]1]\" And [Products].[Discontinued] = False"},
      {"CREATE VIEW v AS SELECT coalesce(a, b, 0) AS x, substr(t, 2, 3) AS y, length(trim(t)) AS z, "
       "strftime('%Y/%m', d) AS w FROM (SELECT 1 AS a) AS s JOIN q ON s.a = q.a LEFT JOIN r ON r.b = q.b "
       "UNION ALL SELECT 1, 2, 3, 4 ORDER BY 1",
       "SELECT Nz([a], Nz([b], 0)) AS [x], Mid([t], 2, 3) AS [y], Len(Trim([t])) AS [z], Format([d], "
       "\"yyyy\\/mm\") AS [w] FROM ((SELECT 1 AS [a]) AS [s] INNER JOIN [q] ON [s].[a] = [q].[a]) LEFT JOIN [r] ON "
       "[r].[b] = [q].[b] UNION ALL SELECT 1 AS [1], 2 AS [2], 3 AS [3], 4 AS [4] ORDER BY [x]"},
  };
  for (const auto& [sqlite, access] : cases) {
    const transfer::AccessQuerySql q = transfer::TranslateSQLiteView(sqlite, columns);
    EXPECT_EQ(q.sql, access) << q.reason;
  }
  for (const auto& [sqlite, reason] : std::vector<std::pair<const char*, const char*>>{
           {"SELECT row_number() OVER (ORDER BY x) FROM t", "window function"},
           {"SELECT x FROM t LIMIT 2 OFFSET 1", "OFFSET"},
           {"SELECT x FROM t WHERE x GLOB 'a*'", "GLOB"},
           {"SELECT CURRENT_TIMESTAMP", "UTC"},
           {"SELECT date('now')", "UTC"},
           {"WITH c AS (SELECT 1) SELECT * FROM c", "WITH"},
           {"SELECT x FROM t JOIN u USING (x)", "USING"},
           {"SELECT x FROM t WHERE x = ?", "parameter"},
           {"SELECT group_concat(x) FROM t", "group_concat"},
           {"SELECT x FROM t EXCEPT SELECT x FROM u", "EXCEPT"},
           {"SELECT x & 1 FROM t", "bit operator"}}) {
    const transfer::AccessQuerySql q = transfer::TranslateSQLiteView(std::string("CREATE VIEW v AS ") + sqlite, columns);
    EXPECT_NE(q.reason.find(reason), std::string::npos) << sqlite << ": " << q.reason << q.sql;
  }
  // Nesting deeper than any real view is refused, not followed down the stack.
  for (const std::string& deep : {"SELECT * FROM " + std::string(100000, '(') + "t", "SELECT " + std::string(100000, '+') + "1",
                                  "SELECT * FROM " + std::string(50000, '(') + "SELECT * FROM " + std::string(50000, '(')})
    EXPECT_NE(transfer::TranslateSQLiteView("CREATE VIEW v AS " + deep, columns).reason.find("nested more than"),
              std::string::npos);
}

// Hand-written SQLite views, to Access with the faithful copy: those with an Access form are
// saved queries that both readers read, and back in SQLite (views again, from the Access SQL)
// give the rows the first views gave; one without, and the view that reads it, are tables.
TEST_F(SavedQueryTest, SQLiteViewsBecomeSavedQueriesWithTheirRows) {
  std::vector<std::string> statements = kTables;
  const std::vector<std::pair<std::string, std::string>> views = {
      {"City Freight",
       "SELECT c.City, count(*) AS orders, round(sum(o.Freight), 2) AS freight FROM Customers c JOIN Orders o "
       "ON o.CustomerID = c.CustomerID GROUP BY c.City HAVING count(*) >= 1 ORDER BY freight DESC"},
      {"Early Orders",
       "SELECT OrderID, CustomerID || '-' || OrderID AS label, coalesce(ShippedDate, 'not shipped') AS shipped, "
       "CASE WHEN Freight > 50 THEN 'heavy' ELSE 'light' END AS weight FROM Orders WHERE OrderDate < '1997-03-01' "
       "ORDER BY OrderID LIMIT 3"},
      {"Active Products",
       "SELECT ProductName, upper(substr(ProductName, 1, 3)) AS code, length(ProductName) AS len FROM Products "
       "WHERE Discontinued = 0 AND UnitPrice BETWEEN 10 AND 100 ORDER BY 1"},
      {"Places", "SELECT City FROM Customers UNION SELECT City FROM Suppliers ORDER BY 1"},
      {"Busy Cities", "SELECT City FROM \"City Freight\" WHERE orders > 1"},
      {"Ranked", "SELECT OrderID, row_number() OVER (ORDER BY Freight) AS r FROM Orders"},
      {"Top Ranked", "SELECT OrderID FROM Ranked WHERE r <= 2"}};
  for (const auto& [name, sql] : views) statements.push_back("CREATE VIEW \"" + name + "\" AS " + sql);
  const QString source = newSQLite(QStringLiteral("views.db"), statements);
  const QString access = newAccess(QStringLiteral("views.accdb"));
  useFiles(source, access);
  copy(true);
  std::string all;
  for (const auto& n : notes) all += n + "\n";
  ASSERT_EQ(notes.size(), 2u) << all;
  EXPECT_NE(all.find("view Ranked is copied as a table, not as a saved query: it uses the window function row_number"),
            std::string::npos) << all;
  EXPECT_NE(all.find("view Top Ranked is copied as a table, not as a saved query: it reads the view Ranked, which is "
                     "copied as a table"),
            std::string::npos) << all;
  expectSound(access);
  const auto written = SavedQueries(access);
  EXPECT_EQ(written.size(), 5u);
  EXPECT_EQ(written.at("Places"),
            "union: SELECT [Customers].[City] FROM [Customers]\r\nUNION\r\nSELECT [Suppliers].[City] FROM "
            "[Suppliers]\r\nORDER BY [City];");
  EXPECT_EQ(MSysQueriesByMdbTools(access).isEmpty(), QStandardPaths::findExecutable(QStringLiteral("mdb-json")).isEmpty());
  useFiles(QString(), access);
  Rows topRanked = accessRows(access, QStringLiteral("Top Ranked"));
  std::sort(topRanked.begin(), topRanked.end());
  EXPECT_EQ(topRanked, (Rows{{"10248"}, {"10249"}}));

  // Back to SQLite: the saved queries are views again, with the rows the first views gave.
  const QString back = newSQLite(QStringLiteral("back.db"));
  useFiles(back, access);
  copy(false);
  EXPECT_TRUE(notes.empty()) << notes[0];
  RawSQLite before(source), after(back);
  for (const auto& [name, sql] : views) {
    SCOPED_TRACE(name);
    // A window function's result has no declared type: as a table it holds texts.
    const std::string columns = name == "Ranked" ? "OrderID, CAST(r AS INTEGER)" : "*";
    Rows first = before.rows("SELECT * FROM \"" + name + "\""),
         second = after.rows("SELECT " + columns + " FROM \"" + name + "\"");
    if (name == "Busy Cities" || name == "Ranked" || name == "Top Ranked") {
      std::sort(first.begin(), first.end());
      std::sort(second.begin(), second.end());
    }
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(second, first);
  }
}

}  // namespace
}  // namespace transfer_test
