// CREATE TABLE with COUNTER, NOT NULL and DEFAULT; INSERT with a column list; ALTER TABLE ...
// ADD CONSTRAINT ... FOREIGN KEY; and the DefaultValue expressions between them.
#include <gtest/gtest.h>

#include "ado/access/AccessSql.h"
#include "ado/access/ColumnDefaults.h"

namespace ado::access {
namespace {

using jet::ColumnType;

template <typename T>
T ParsedAs(std::string_view sql) {
  auto result = ParseAccessSql(sql);
  EXPECT_TRUE(result.ok()) << sql << "\n" << result.status().message();
  if (!result.ok() || !std::holds_alternative<T>(*result)) return T{};
  return std::get<T>(*result);
}

std::string ErrorOf(std::string_view sql) {
  auto result = ParseAccessSql(sql);
  EXPECT_FALSE(result.ok()) << sql;
  return result.ok() ? std::string() : result.status().message();
}

TEST(ColumnConstraintsSql, CounterNotNullAndDefaultInAnyOrder) {
  const auto create = ParsedAs<CreateTableStatement>(
      "CREATE TABLE [t] ([id] COUNTER NOT NULL, [a] TEXT(50) NOT NULL DEFAULT 'x''y', [n] LONG DEFAULT -5 NOT NULL,"
      " [f] BIT DEFAULT True, [d] DOUBLE NULL, [m] MEMO DEFAULT NULL)");
  ASSERT_EQ(create.columns.size(), 6u);
  EXPECT_TRUE(create.columns[0].type.autoIncrement);
  EXPECT_TRUE(create.columns[0].notNull);
  EXPECT_FALSE(create.columns[0].defaultValue);
  EXPECT_EQ(create.columns[1].type, (AccessColumnType{ColumnType::kText, 50}));
  EXPECT_TRUE(create.columns[1].notNull);
  EXPECT_EQ(create.columns[1].defaultValue, SqlLiteral::Text("x'y"));
  EXPECT_EQ(create.columns[2].defaultValue, SqlLiteral::Number("-5"));
  EXPECT_TRUE(create.columns[2].notNull);
  EXPECT_EQ(create.columns[3].defaultValue, SqlLiteral::Boolean(true));
  EXPECT_FALSE(create.columns[4].notNull);
  EXPECT_EQ(create.columns[5].defaultValue, SqlLiteral::Null());

  // Mixed with the keys of the same column, in either order.
  const auto keyed = ParsedAs<CreateTableStatement>(
      "CREATE TABLE t (id COUNTER PRIMARY KEY NOT NULL, a TEXT(5) UNIQUE DEFAULT 'x' NOT NULL, b LONG NOT NULL UNIQUE)");
  ASSERT_EQ(keyed.columns.size(), 3u);
  EXPECT_EQ(keyed.keys.size(), 3u);
  EXPECT_TRUE(keyed.columns[0].notNull && keyed.columns[1].notNull && keyed.columns[2].notNull);
  EXPECT_EQ(keyed.columns[1].defaultValue, SqlLiteral::Text("x"));

  EXPECT_NE(ErrorOf("CREATE TABLE t (a INT NOT 5)").find("expected NULL after NOT"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (a INT DEFAULT)").find("expected a value"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (a INT DEFAULT 1 DEFAULT 2)").find("two defaults"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (a INT DEFAULT 1 b INT)").find("\"b\""), std::string::npos);
}

TEST(ColumnConstraintsSql, InsertWithAColumnList) {
  const auto insert = ParsedAs<InsertStatement>("INSERT INTO [t] ([id], `Name`) VALUES (17, 'x');");
  EXPECT_EQ(insert.columns, (std::vector<std::string>{"id", "Name"}));
  EXPECT_EQ(insert.values, (std::vector<SqlLiteral>{SqlLiteral::Number("17"), SqlLiteral::Text("x")}));
  EXPECT_TRUE(ParsedAs<InsertStatement>("INSERT INTO t VALUES (1)").columns.empty());
  EXPECT_NE(ErrorOf("INSERT INTO t (a, b) VALUES (1)").find("names 2 columns but 1 values"), std::string::npos);
  EXPECT_NE(ErrorOf("INSERT INTO t (a, A) VALUES (1, 2)").find("named twice"), std::string::npos);
  EXPECT_NE(ErrorOf("INSERT INTO t () VALUES ()").find("expected a column name"), std::string::npos);
  EXPECT_NE(ErrorOf("INSERT INTO t (a VALUES (1)").find("expected \")\""), std::string::npos);
}

TEST(ForeignKeySql, AlterTableAddConstraint) {
  auto key = ParsedAs<AddForeignKeyStatement>(
      "ALTER TABLE [Orders] ADD CONSTRAINT [OrdersCustomers] FOREIGN KEY ([CustomerId], [Shop]) "
      "REFERENCES [Customers] ([Id], [Shop]) ON UPDATE CASCADE ON DELETE CASCADE;");
  EXPECT_EQ(key, (AddForeignKeyStatement{"Orders", "OrdersCustomers", {"CustomerId", "Shop"}, "Customers",
                                         {"Id", "Shop"}, true, true}));
  key = ParsedAs<AddForeignKeyStatement>(
      "alter table o add constraint fk foreign key (c) references p on delete no action on update cascade");
  EXPECT_EQ(key, (AddForeignKeyStatement{"o", "fk", {"c"}, "p", {}, true, false}));
  key = ParsedAs<AddForeignKeyStatement>("ALTER TABLE o ADD CONSTRAINT fk FOREIGN KEY (c) REFERENCES p (k)");
  EXPECT_FALSE(key.cascadeUpdates || key.cascadeDeletes);

  EXPECT_NE(ErrorOf("ALTER TABLE o ADD CONSTRAINT fk FOREIGN KEY (a, b) REFERENCES p (k)").find("2 columns but refers to 1"),
            std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE o ADD CONSTRAINT fk FOREIGN KEY (a) REFERENCES p ON DELETE SET NULL")
                .find("CASCADE or NO ACTION"),
            std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE o ADD CONSTRAINT fk FOREIGN KEY (a) REFERENCES p ON DELETE CASCADE ON DELETE CASCADE")
                .find("twice"),
            std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE o ADD CONSTRAINT [a.b] FOREIGN KEY (a) REFERENCES p").find("relationship name"),
            std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE o DROP CONSTRAINT fk").find("expected ADD"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE o ADD CONSTRAINT fk FOREIGN KEY (a) REFERENCES p extra").find("extra"),
            std::string::npos);
}

// What CREATE TABLE keeps as DefaultValue reads back as the same constant at INSERT time, and
// the forms Access itself writes are read too.
TEST(ColumnDefaults, ExpressionsRoundTripAndAccessFormsAreRead) {
  for (const SqlLiteral& literal : {SqlLiteral::Number("-1.5e3"), SqlLiteral::Text("O\"Brien's"), SqlLiteral::Text(""),
                                    SqlLiteral::Boolean(false), SqlLiteral::Boolean(true)}) {
    auto expression = DefaultExpression(literal, "c");
    ASSERT_TRUE(expression.ok());
    ASSERT_TRUE(expression->has_value());
    EXPECT_EQ(ConstantOfDefault(**expression), literal) << **expression;
  }
  EXPECT_EQ(*DefaultExpression(SqlLiteral::Text("O\"B"), "c").value(), "\"O\"\"B\"");
  EXPECT_FALSE(DefaultExpression(SqlLiteral::Null(), "c")->has_value());
  EXPECT_NE(DefaultExpression(SqlLiteral::Binary({1}), "col").status().message().find("\"col\""), std::string::npos);

  EXPECT_EQ(ConstantOfDefault("0"), SqlLiteral::Number("0"));          // Access's numbers
  EXPECT_EQ(ConstantOfDefault("No"), SqlLiteral::Boolean(false));      // Access's Yes/No columns
  EXPECT_EQ(ConstantOfDefault(" =5 "), SqlLiteral::Number("5"));
  EXPECT_EQ(ConstantOfDefault("'a''b'"), SqlLiteral::Text("a'b"));
  EXPECT_EQ(ConstantOfDefault("#2020-01-31#"), SqlLiteral::Text("2020-01-31"));
  EXPECT_EQ(ConstantOfDefault("null"), SqlLiteral::Null());
  for (const char* computed : {"GenGUID()", "Now()", "Date()", "\"a\" & \"b\"", "1+1", "\"unclosed", "", "-"}) {
    EXPECT_FALSE(ConstantOfDefault(computed)) << computed;
  }
}

}  // namespace
}  // namespace ado::access
