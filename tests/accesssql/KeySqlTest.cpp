// Keys in CREATE TABLE and CREATE INDEX, as Access's own DDL writes them.
#include <gtest/gtest.h>

#include "ado/access/AccessSql.h"

namespace ado::access {
namespace {

using jet::ColumnType;

AccessStatement Parsed(std::string_view sql) {
  auto result = ParseAccessSql(sql);
  EXPECT_TRUE(result.ok()) << sql << "\n" << result.status().message();
  return result.ok() ? result.value() : AccessStatement{};
}

std::string ErrorOf(std::string_view sql) {
  auto result = ParseAccessSql(sql);
  EXPECT_FALSE(result.ok()) << sql;
  return result.ok() ? std::string() : result.status().message();
}

TEST(KeySqlTest, ColumnAndTableConstraints) {
  const auto create = std::get<CreateTableStatement>(
      Parsed("CREATE TABLE [t] ([id] LONG PRIMARY KEY, [a] TEXT(50) unique, [b] DOUBLE CONSTRAINT [ub] UNIQUE,"
             " CONSTRAINT [pair] UNIQUE ([a], [B]), UNIQUE ([b], [id]))"));
  ASSERT_EQ(create.columns.size(), 3u);
  EXPECT_EQ(create.columns[1], (SqlColumnDefinition{"a", {ColumnType::kText, 50}}));
  ASSERT_EQ(create.keys.size(), 5u);
  EXPECT_EQ(create.keys[0], (SqlKeyConstraint{"", true, {"id"}}));
  EXPECT_EQ(create.keys[1], (SqlKeyConstraint{"", false, {"a"}}));
  EXPECT_EQ(create.keys[2], (SqlKeyConstraint{"ub", false, {"b"}}));
  EXPECT_EQ(create.keys[3], (SqlKeyConstraint{"pair", false, {"a", "B"}}));
  EXPECT_EQ(create.keys[4], (SqlKeyConstraint{"", false, {"b", "id"}}));

  const auto composite = std::get<CreateTableStatement>(
      Parsed("CREATE TABLE t (a LONG, b TEXT(5), CONSTRAINT pk PRIMARY KEY (b, a));"));
  ASSERT_EQ(composite.keys.size(), 1u);
  EXPECT_EQ(composite.keys[0], (SqlKeyConstraint{"pk", true, {"b", "a"}}));
}

TEST(KeySqlTest, ConstraintsThatCannotBeMadeAreRefused) {
  EXPECT_NE(ErrorOf("CREATE TABLE t (a LONG PRIMARY KEY, b LONG PRIMARY KEY)").find("more than one primary key"),
            std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (a LONG, UNIQUE (c))").find("\"c\", which is not a column"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (a LONG, UNIQUE (a, A))").find("twice"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (a LONG, CONSTRAINT x UNIQUE (a), CONSTRAINT X PRIMARY KEY (a))")
                .find("two constraints are named"),
            std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (a LONG PRIMARY)").find("expected KEY after PRIMARY"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (a LONG, CONSTRAINT [x.y] UNIQUE (a))").find("index name"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (a LONG, UNIQUE ())").find("expected a column name"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (UNIQUE (a))").find("has no column"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (a LONG, PRIMARY KEY (a) x)").find("\"x\""), std::string::npos);
}

TEST(KeySqlTest, CreateIndexForms) {
  EXPECT_EQ(Parsed("CREATE INDEX [ix] ON [t] ([a])"),
            AccessStatement(CreateIndexStatement{"ix", "t", false, {{"a", true}}, CreateIndexStatement::With::kNone}));
  EXPECT_EQ(Parsed("create unique index ix on t (a asc, [b c] DESC) with primary;"),
            AccessStatement(CreateIndexStatement{"ix", "t", true, {{"a", true}, {"b c", false}},
                                                 CreateIndexStatement::With::kPrimary}));
  EXPECT_EQ(std::get<CreateIndexStatement>(Parsed("CREATE INDEX i ON t (a) WITH DISALLOW NULL")).with,
            CreateIndexStatement::With::kDisallowNull);
  EXPECT_EQ(std::get<CreateIndexStatement>(Parsed("CREATE INDEX i ON t (a) WITH IGNORE NULL")).with,
            CreateIndexStatement::With::kIgnoreNull);
}

TEST(KeySqlTest, MalformedCreateIndexIsRefused) {
  EXPECT_NE(ErrorOf("CREATE UNIQUE TABLE t (a LONG)").find("expected INDEX after CREATE UNIQUE"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE INDEX i t (a)").find("expected ON"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE INDEX i ON t (a, A)").find("twice"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE INDEX i ON t (a) WITH NOTHING").find("PRIMARY, DISALLOW NULL or IGNORE NULL"),
            std::string::npos);
  EXPECT_NE(ErrorOf("CREATE INDEX i ON t (a) WITH IGNORE").find("expected NULL after IGNORE"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE INDEX i ON t (a) WITH PRIMARY DISALLOW NULL").find("complete"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE INDEX i ON t (a,b,c,d,e,f,g,h,i,j,k)").find("at most 10"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE INDEX [a!b] ON t (a)").find("index name"), std::string::npos);
}

}  // namespace
}  // namespace ado::access
