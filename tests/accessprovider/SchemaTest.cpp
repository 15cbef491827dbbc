// The table schema of real files: every kind of catalogue object Access makes.
#include "Corpus.h"

#include "ado/Connection.h"

#include <gtest/gtest.h>

#include <map>

namespace {

std::map<std::string, std::string> schemaOf(const std::string& relative) {
  ado::Connection connection;
  connection.Open(corpus::AceConnectionString(corpus::File(relative)));
  ado::Recordset rs = connection.OpenSchema(ado::adSchemaTables);
  std::map<std::string, std::string> typeByName;
  for (; !rs.Eof(); rs.MoveNext())
    typeByName[rs.Fields()["TABLE_NAME"].Value().asText()] = rs.Fields()["TABLE_TYPE"].Value().asText();
  return typeByName;
}

TEST(AccessSchema, RowReturningQueriesAreViewsActionQueriesAreNotListed) {
  for (const char* file : {"jackcess/V2000/queryTestV2000.mdb", "jackcess/V2007/queryTestV2007.accdb"}) {
    SCOPED_TRACE(file);
    const auto schema = schemaOf(file);
    EXPECT_EQ(schema.at("Table1"), "TABLE");
    EXPECT_EQ(schema.at("MSysObjects"), "SYSTEM TABLE");
    EXPECT_EQ(schema.at("MSysQueries"), "SYSTEM TABLE");
    for (const char* view : {"SelectQuery", "CrosstabQuery", "UnionQuery"}) EXPECT_EQ(schema.at(view), "VIEW") << view;
    for (const char* action : {"AppendQuery", "DeleteQuery", "UpdateQuery", "MakeTableQuery", "DataDefinitionQuery",
                               "PassthroughQuery"})
      EXPECT_EQ(schema.count(action), 0u) << action;
  }
}

TEST(AccessSchema, LinkedTablesOfBothKindsAreLinksAndHiddenQueriesAreLeftOut) {
  const auto access = schemaOf("jackcess/V2007/linkerTestV2007.accdb");
  EXPECT_EQ(access.at("Table1"), "TABLE");
  EXPECT_EQ(access.at("Table2"), "LINK");

  const auto odbc = schemaOf("jackcess/V2007/odbcLinkerTestV2007.accdb");
  EXPECT_EQ(odbc.at("Lokal"), "TABLE");
  EXPECT_EQ(odbc.at("Ordrar"), "LINK");
  for (const auto& [name, type] : odbc) EXPECT_NE(name.rfind("~sq_", 0), 0u) << name;  // form record sources
}

TEST(AccessSchema, RowsComeSortedByTypeThenName) {
  ado::Connection connection;
  connection.Open(corpus::AceConnectionString(corpus::File("jackcess/V2007/queryTestV2007.accdb")));
  ado::Recordset rs = connection.OpenSchema(ado::adSchemaTables);
  std::vector<std::pair<std::string, std::string>> rows;
  for (; !rs.Eof(); rs.MoveNext())
    rows.emplace_back(rs.Fields()["TABLE_TYPE"].Value().asText(), rs.Fields()["TABLE_NAME"].Value().asText());
  EXPECT_EQ(rs.RecordCount(), static_cast<std::int64_t>(rows.size()));
  // By type, then by name without regard to case. MSysCompactError, left behind by a conversion, is
  // flagged as a user table, so it sorts among the TABLE rows.
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return QString::fromStdString(a.second).compare(QString::fromStdString(b.second), Qt::CaseInsensitive) < 0;
  }));
  const std::vector<std::pair<std::string, std::string>> tables(
      std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.first == "TABLE"; }),
      std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.first == "VIEW"; }));
  EXPECT_EQ(tables, (std::vector<std::pair<std::string, std::string>>{
                        {"TABLE", "MSysCompactError"}, {"TABLE", "Table1"}, {"TABLE", "Table2"}, {"TABLE", "Table3"}}));
}

TEST(AccessSchema, LinksAndQueriesCannotBeOpenedAsTables) {
  ado::Connection connection;
  connection.Open(corpus::AceConnectionString(corpus::File("jackcess/V2007/linkerTestV2007.accdb")));
  ado::Recordset rs;
  try {
    rs.Open("SELECT * FROM Table2", connection);
    FAIL() << "a linked table opened";
  } catch (const ado::Error& error) {
    EXPECT_NE(error.description().find("linked table"), std::string::npos) << error.description();
  }
}

}  // namespace
