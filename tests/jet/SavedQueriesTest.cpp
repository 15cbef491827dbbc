// Saved queries of the corpus: each query's kind and the Access SQL rebuilt from its
// MSysQueries rows, and the rows the engine would write for that SQL, which must give the
// same SQL again.
#include <gtest/gtest.h>

#include <map>

#include "CorpusFiles.h"
#include "jet/Database.h"
#include "jet/SavedQueries.h"

namespace {

std::vector<jet::SavedQuery> QueriesOf(const std::string& relative) {
  auto db = jet::Database::Open((jettest::CorpusDir() / relative).string(), {});
  EXPECT_TRUE(db.ok()) << db.status().message();
  if (!db.ok()) return {};
  auto queries = jet::ReadSavedQueries(**db);
  EXPECT_TRUE(queries.ok()) << queries.status().message();
  return queries.ok() ? *queries : std::vector<jet::SavedQuery>{};
}

// Runs of blanks and line breaks as one space: a stored part keeps the line breaks it was typed with.
std::string Spaced(const std::string& s) {
  std::string out;
  for (char c : s) {
    const bool blank = c == ' ' || c == '\r' || c == '\n' || c == '\t';
    if (blank && (out.empty() || out.back() == ' ')) continue;
    out += blank ? ' ' : c;
  }
  return out;
}

TEST(SavedQueriesTest, CorpusQueriesGiveTheirKindAndSql) {
  for (const char* file : {"jackcess/V2000/queryTestV2000.mdb", "jackcess/V2007/queryTestV2007.accdb"}) {
    SCOPED_TRACE(file);
    std::map<std::string, std::string> kinds, sql;
    for (const auto& q : QueriesOf(file)) {
      kinds[q.name] = jet::QueryKindName(q.kind);
      auto text = jet::AccessSqlOf(q);
      sql[q.name] = text.ok() ? *text : "error: " + text.status().message();
    }
    EXPECT_EQ(kinds, (std::map<std::string, std::string>{{"AppendQuery", "append"},
                                                         {"CrosstabQuery", "crosstab"},
                                                         {"DataDefinitionQuery", "data-definition"},
                                                         {"DeleteQuery", "delete"},
                                                         {"MakeTableQuery", "make-table"},
                                                         {"PassthroughQuery", "pass-through"},
                                                         {"SelectQuery", "select"},
                                                         {"UnionQuery", "union"},
                                                         {"UpdateQuery", "update"}}));
    // Two joins between the same two inputs are one join with both conditions; the left
    // join of joins comes first, in parentheses.
    EXPECT_EQ(sql["SelectQuery"],
              "SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\r\n"
              "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON (Table3.col1 = "
              "Table2.col1) AND (Table3.col1 = Table2.col2)\r\n"
              "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))\r\nORDER BY Table2.col1;");
    EXPECT_EQ(sql["UpdateQuery"],
              "PARAMETERS [User Name] Text;\r\nUPDATE Table1\r\nSET Table1.col1 = \"foo\", Table1.col2 = [Table2].[col3], "
              "[Table2].[col1] = [User Name]\r\nWHERE ((([Table2].[col1]) Is Not Null));");
    EXPECT_EQ(sql["CrosstabQuery"],
              "TRANSFORM Count([Table2].[col2]) AS CountOfcol2\r\nSELECT Table2_1.col1, [Table2].[col3], "
              "Avg(Table2_1.col2) AS AvgOfcol2\r\nFROM (Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1]) "
              "INNER JOIN Table2 AS Table2_1 ON [Table2].[col1]=Table2_1.col3\r\nWHERE ((([Table1].[col1])>\"10\") And "
              "((Table2_1.col1) Is Not Null) And ((Avg(Table2_1.col2))>\"10\"))\r\nGROUP BY Table2_1.col1, "
              "[Table2].[col3]\r\nORDER BY [Table2].[col3]\r\nPIVOT [Table1].[col1];");
    EXPECT_EQ(sql["DataDefinitionQuery"], "CREATE TABLE Table5 (col1 CHAR, col2 CHAR);");
    EXPECT_NE(sql["UnionQuery"].find("\r\nUNION ALL\r\nSelect Table3.col1"), std::string::npos) << sql["UnionQuery"];
  }
}

TEST(SavedQueriesTest, SelectAndUnionSqlGivesRowsThatGiveItBack) {
  int roundTrips = 0;
  for (const char* file : {"jackcess/V2000/queryTestV2000.mdb", "jackcess/V2007/queryTestV2007.accdb",
                           "jackcess/V2007/odbcLinkerTestV2007.accdb", "mdb-reader/real/ASampleDatabase.accdb"}) {
    for (const auto& q : QueriesOf(file)) {
      if (q.kind != jet::QueryKind::kSelect && q.kind != jet::QueryKind::kUnion) continue;
      SCOPED_TRACE(std::string(file) + ": " + q.name);
      auto sql = jet::AccessSqlOf(q);
      ASSERT_TRUE(sql.ok()) << sql.status().message();
      auto rows = jet::SavedQueryFromSql(q.name, *sql);
      if (!rows.ok()) {
        // Record sources with parameters (the parent record's key) are not written.
        EXPECT_NE(rows.status().message().find("parameters"), std::string::npos) << rows.status().message();
        continue;
      }
      EXPECT_EQ(rows->kind, q.kind);
      auto again = jet::AccessSqlOf(*rows);
      ASSERT_TRUE(again.ok()) << again.status().message();
      EXPECT_EQ(Spaced(*again), Spaced(*sql));
      ++roundTrips;
    }
  }
  EXPECT_GE(roundTrips, 40);

  // What the rows cannot hold is refused with the reason.
  for (const auto& [sql, reason] : std::vector<std::pair<const char*, const char*>>{
           {"UPDATE t SET x = 1", "only SELECT and UNION"},
           {"PARAMETERS p Long; SELECT * FROM t", "parameters"},
           {"SELECT * INTO t2 FROM t", "makes a table"},
           {"SELECT (x FROM t", "not closed"},
           {"SELECT x FROM t IN 'other.mdb'", "unexpected"}}) {
    auto rows = jet::SavedQueryFromSql("q", sql);
    ASSERT_FALSE(rows.ok()) << sql;
    EXPECT_NE(rows.status().message().find(reason), std::string::npos) << sql << ": " << rows.status().message();
  }
}

}  // namespace
