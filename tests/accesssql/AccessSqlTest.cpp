#include "ado/access/AccessSql.h"

#include <gtest/gtest.h>

#include <random>

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

TEST(AccessSqlTest, StatementsTheProgramSends) {
  EXPECT_EQ(Parsed("SELECT * FROM `Customers`"), AccessStatement(SelectAllStatement{"Customers"}));
  EXPECT_EQ(Parsed("SELECT a1.* INTO `New name` FROM `Old` AS a1;"),
            AccessStatement(SelectIntoStatement{"New name", "Old"}));
  EXPECT_EQ(Parsed("DROP TABLE `Order Details`;"), AccessStatement(DropTableStatement{"Order Details"}));
  // The values of an attachment or multi-value column, beside columns of their row.
  EXPECT_EQ(Parsed("SELECT [ID], [a b], [Files].[FileName], Files.FileData FROM [T]"),
            AccessStatement(SelectComplexStatement{
                "T", {{"ID", ""}, {"a b", ""}, {"Files", "FileName"}, {"Files", "FileData"}}}));
  EXPECT_EQ(Parsed("SELECT [Tags].[Value] FROM T"), AccessStatement(SelectComplexStatement{"T", {{"Tags", "Value"}}}));
  EXPECT_NE(ErrorOf("SELECT [ID], FROM T").find("column"), std::string::npos);
  EXPECT_NE(ErrorOf("SELECT [ID], Name FROM T").find("SELECT * FROM"), std::string::npos);
  EXPECT_EQ(Parsed("DROP TABLE `Order Details`"), AccessStatement(DropTableStatement{"Order Details"}));

  const auto create = std::get<CreateTableStatement>(
      Parsed("CREATE TABLE `Customers`(`ID` INT,`Name` TEXT,`Born` DATETIME,`Code` VARCHAR,`Price` FLOAT,"
             "`Amount` DECIMAL,`Photo` OLEOBJECT);"));
  EXPECT_EQ(create.table, "Customers");
  ASSERT_EQ(create.columns.size(), 7u);
  EXPECT_EQ(create.columns[0], (SqlColumnDefinition{"ID", {ColumnType::kLong}}));
  EXPECT_EQ(create.columns[1], (SqlColumnDefinition{"Name", {ColumnType::kMemo}}));
  EXPECT_EQ(create.columns[2], (SqlColumnDefinition{"Born", {ColumnType::kDateTime}}));
  EXPECT_EQ(create.columns[3], (SqlColumnDefinition{"Code", {ColumnType::kText, 255}}));
  EXPECT_EQ(create.columns[4], (SqlColumnDefinition{"Price", {ColumnType::kDouble}}));
  EXPECT_EQ(create.columns[5], (SqlColumnDefinition{"Amount", {ColumnType::kNumeric, 0, 18, 0}}));
  EXPECT_EQ(create.columns[6], (SqlColumnDefinition{"Photo", {ColumnType::kOle}}));

  // Validation rules and texts of columns and of the table, calculated columns; a column named
  // Validation of type TEXT stays a column.
  const auto rules = std::get<CreateTableStatement>(
      Parsed("CREATE TABLE [T] ([Qty] LONG NOT NULL VALIDATION RULE '>0' VALIDATION TEXT 'It''s positive', "
             "Validation TEXT, [Total] DOUBLE EXPRESSION '[Qty]*2', VALIDATION RULE '[Qty]<[Total]', "
             "VALIDATION TEXT 'Too many')"));
  ASSERT_EQ(rules.columns.size(), 3u);
  EXPECT_EQ(rules.columns[0].validationRule, ">0");
  EXPECT_EQ(rules.columns[0].validationText, "It's positive");
  EXPECT_TRUE(rules.columns[0].notNull);
  EXPECT_EQ(rules.columns[1], (SqlColumnDefinition{"Validation", {ColumnType::kMemo}}));
  EXPECT_EQ(rules.columns[2].expression, "[Qty]*2");
  EXPECT_EQ(rules.validationRule, "[Qty]<[Total]");
  EXPECT_EQ(rules.validationText, "Too many");

  EXPECT_EQ(Parsed("INSERT INTO `T` VALUES('7', 'O''Brien', NULL)"),
            AccessStatement(InsertStatement{
                "T", {SqlLiteral::Text("7"), SqlLiteral::Text("O'Brien"), SqlLiteral::Null()}}));
  EXPECT_EQ(Parsed("INSERT INTO `T` VALUES(NULL)"), AccessStatement(InsertStatement{"T", {SqlLiteral::Null()}}));
  EXPECT_EQ(Parsed("INSERT INTO `T` VALUES(NULL, 'x')"),
            AccessStatement(InsertStatement{"T", {SqlLiteral::Null(), SqlLiteral::Text("x")}}));
}

TEST(AccessSqlTest, NameFormsKeywordCaseAndSpacing) {
  EXPECT_EQ(Parsed("select * from Customers"), AccessStatement(SelectAllStatement{"Customers"}));
  EXPECT_EQ(Parsed("  Select * From [My Table] ;  \n"), AccessStatement(SelectAllStatement{"My Table"}));
  EXPECT_EQ(Parsed("SELECT * INTO [copy] FROM `orig`"), AccessStatement(SelectIntoStatement{"copy", "orig"}));
  EXPECT_EQ(Parsed("select X.* into n from o as x"), AccessStatement(SelectIntoStatement{"n", "o"}));
  EXPECT_EQ(Parsed("DROP TABLE Größe"), AccessStatement(DropTableStatement{"Größe"}));
  // Doubled closing delimiters stand for one; a name may hold what would end a statement.
  EXPECT_EQ(Parsed("DROP TABLE `a``b`"), AccessStatement(DropTableStatement{"a`b"}));
  EXPECT_EQ(Parsed("DROP TABLE [a]]b]"), AccessStatement(DropTableStatement{"a]b"}));
  EXPECT_EQ(Parsed("DROP TABLE `x; DROP TABLE y`"), AccessStatement(DropTableStatement{"x; DROP TABLE y"}));
  EXPECT_EQ(Parsed("DROP TABLE [it's \"quoted\"]"), AccessStatement(DropTableStatement{"it's \"quoted\""}));

  const auto create = std::get<CreateTableStatement>(Parsed("create table t (a text(50) , b Decimal( 10 , 2 ))"));
  EXPECT_EQ(create.columns[0].type, (AccessColumnType{ColumnType::kText, 50}));
  EXPECT_EQ(create.columns[1].type, (AccessColumnType{ColumnType::kNumeric, 0, 10, 2}));
}

TEST(AccessSqlTest, Literals) {
  const auto insert = std::get<InsertStatement>(
      Parsed("INSERT INTO t VALUES(-12, +3.5, .25, 1.5e-3, -2E+10, 0x0A1b, 0x, True, false, 'a''''b', '', NULL)"));
  const std::vector<SqlLiteral> expected{
      SqlLiteral::Number("-12"),     SqlLiteral::Number("+3.5"),   SqlLiteral::Number(".25"),
      SqlLiteral::Number("1.5e-3"),  SqlLiteral::Number("-2E+10"), SqlLiteral::Binary({0x0A, 0x1B}),
      SqlLiteral::Binary({}),        SqlLiteral::Boolean(true),    SqlLiteral::Boolean(false),
      SqlLiteral::Text("a''b"),      SqlLiteral::Text(""),         SqlLiteral::Null()};
  EXPECT_EQ(insert.values, expected);
  // Text keeps line breaks, semicolons and statement words as data.
  const auto text = std::get<InsertStatement>(Parsed("INSERT INTO t VALUES('x'');\nDROP TABLE t; --')"));
  EXPECT_EQ(text.values, std::vector<SqlLiteral>{SqlLiteral::Text("x');\nDROP TABLE t; --")});
  // Doubled quotes at either end, and a second undone value after the first one.
  const auto ends = std::get<InsertStatement>(Parsed("INSERT INTO [a]]] VALUES('''x''', 'y''', '''')"));
  EXPECT_EQ(ends.table, "a]");
  EXPECT_EQ(ends.values,
            (std::vector<SqlLiteral>{SqlLiteral::Text("'x'"), SqlLiteral::Text("y'"), SqlLiteral::Text("'")}));
  ErrorOf("INSERT INTO t VALUES('x'')");  // the last quote is doubled: no closing one
}

TEST(AccessSqlTest, NothingMayFollowTheStatement) {
  EXPECT_NE(ErrorOf("DROP TABLE `x`; DROP TABLE `y`").find("follows"), std::string::npos);
  ErrorOf("INSERT INTO `T` VALUES('a'); DROP TABLE `T`");
  ErrorOf("SELECT * FROM t x");
  ErrorOf("SELECT * FROM t;;");
  ErrorOf("DROP TABLE t -- comment");
  ErrorOf("DROP TABLE `t`` ; DROP TABLE u");  // unterminated: the doubled quote is part of the name
  ErrorOf("CREATE TABLE t (a INT));");
  ErrorOf(std::string_view("DROP TABLE t\0x", 14));
}

TEST(AccessSqlTest, MalformedStatementsAreRefusedQuotingTheirBeginning) {
  const std::string unknown = ErrorOf("UPDATE `T` SET a = 1");
  EXPECT_NE(unknown.find("\"UPDATE `T` SET a = 1\""), std::string::npos) << unknown;
  const std::string typo = ErrorOf("CREATE TABEL `T` (a INT)");
  EXPECT_NE(typo.find("CREATE TABEL `T`"), std::string::npos) << typo;
  EXPECT_NE(typo.find("expected TABLE"), std::string::npos) << typo;
  const std::string longOne = ErrorOf("INSERT INTO `T` VALUES('" + std::string(200, 'x') + "'");
  EXPECT_NE(longOne.find("..."), std::string::npos);
  EXPECT_LT(longOne.size(), 200u);

  for (const char* sql : {"", ";", "SELECT", "SELECT * FROM", "SELECT * FROM ``", "SELECT a1.* FROM t",
                          "SELECT a1.* INTO n FROM o AS a2", "SELECT a1.* INTO n FROM o", "CREATE TABLE t",
                          "CREATE TABLE t ()", "CREATE TABLE t (a)", "CREATE TABLE t (a INT,)", "CREATE TABLE t (a INT",
                          "CREATE TABLE t (a TEXT(x))", "CREATE TABLE t (a TEXT(5.5))", "CREATE TABLE t (a NOSUCHTYPE)",
                          "INSERT INTO t VALUES()", "INSERT INTO t VALUES(1,)", "INSERT INTO t VALUES(1 2)",
                          "INSERT INTO t VALUES('open)", "INSERT INTO t VALUES(0x123)", "INSERT INTO t VALUES(0x1G)",
                          "INSERT INTO t VALUES(-'1')", "INSERT INTO t VALUES(-0x01)", "INSERT INTO t VALUES(1e)",
                          "INSERT INTO t VALUES(12abc)", "INSERT INTO t VALUES(1.2.3)", "INSERT INTO t VALUES(\"x\")",
                          "INSERT INTO t VALUES(DEFAULT)", "INSERT t VALUES(1)", "DROP t", "DROP TABLE",
                          "DROP TABLE [open", "DROP TABLE `open", "CREATE TABLE t (a INT VALIDATION RULE '')",
                          "CREATE TABLE t (a INT VALIDATION RULE '>0' VALIDATION RULE '<9')",
                          "CREATE TABLE t (a INT EXPRESSION 1)", "CREATE TABLE t (a INT, VALIDATION RULE 'x' b INT)"})
    ErrorOf(sql);
}

TEST(AccessSqlTest, CreatedNamesFollowAccessRules) {
  EXPECT_TRUE(ParseAccessSql("CREATE TABLE `" + std::string(64, 'n') + "` (`" + std::string(64, 'c') + "` INT)").ok());
  EXPECT_TRUE(ParseAccessSql("CREATE TABLE `O'Brien \"x\" #1 $ % & ( )` (`é` INT)").ok());
  EXPECT_NE(ErrorOf("CREATE TABLE `" + std::string(65, 'n') + "` (a INT)").find("more than 64"), std::string::npos);
  // 64 characters of two bytes each are still 64 characters.
  std::string umlauts;
  for (int i = 0; i < 64; ++i) umlauts += "ü";
  EXPECT_TRUE(ParseAccessSql("CREATE TABLE t (`" + umlauts + "` INT)").ok());

  for (const char* sql : {"CREATE TABLE ` lead` (a INT)", "CREATE TABLE `a.b` (a INT)", "CREATE TABLE `a!b` (a INT)",
                          "CREATE TABLE `a``b` (a INT)", "CREATE TABLE [a]]b] (a INT)", "CREATE TABLE `a[b` (a INT)",
                          "CREATE TABLE `a\tb` (a INT)", "CREATE TABLE t (`` INT)", "CREATE TABLE t (`x.y` INT)",
                          "SELECT a1.* INTO `new.name` FROM old AS a1", "CREATE TABLE `a\xff` (a INT)",
                          "CREATE TABLE `` (a INT)", "CREATE TABLE [] (a INT)"}) {
    const std::string error = ErrorOf(sql);
    EXPECT_NE(error.find("not allowed in Access"), std::string::npos) << sql << ": " << error;
  }
  // Names a statement only refers to are looked up as they are.
  EXPECT_TRUE(ParseAccessSql("SELECT * FROM `a.b`").ok());
  EXPECT_TRUE(ParseAccessSql("INSERT INTO [ x!] VALUES(1)").ok());
}

TEST(AccessSqlTest, ColumnListRules) {
  EXPECT_NE(ErrorOf("CREATE TABLE t (Name TEXT, name INT)").find("the columns \"Name\" and \"name\""), std::string::npos);
  std::string columns;
  for (int i = 0; i < 256; ++i) columns += (i ? ",c" : "c") + std::to_string(i) + " INT";
  EXPECT_NE(ErrorOf("CREATE TABLE t (" + columns + ")").find("255"), std::string::npos);
  columns.erase(columns.rfind(','));
  EXPECT_TRUE(ParseAccessSql("CREATE TABLE t (" + columns + ")").ok());
  // A type error names its column.
  EXPECT_NE(ErrorOf("CREATE TABLE t (`Note` TEXT(300))").find("\"Note\""), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (id COUNTER(1,1))").find("start and step"), std::string::npos);
}

// Any name, quoted with its closing delimiter doubled, comes back exactly and as one statement;
// random bytes and cut-off statements give errors, never a crash.
TEST(AccessSqlTest, QuotedNamesRoundTripAndGarbageIsRefused) {
  std::mt19937 random(20240607);
  const std::string alphabet = "ab `[]';\"()-.,\n\t*0x\xC3\xA9";
  auto quote = [](const std::string& name, char open, char close) {
    std::string quoted(1, open);
    for (char c : name) {
      quoted += c;
      if (c == close) quoted += close;
    }
    return quoted + close;
  };
  for (int round = 0; round < 2000; ++round) {
    std::string name;
    const int length = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) name += alphabet[random() % alphabet.size()];
    for (const auto& [open, close] : {std::pair{'`', '`'}, std::pair{'[', ']'}}) {
      const std::string sql = "DROP TABLE " + quote(name, open, close) + ";";
      auto parsed = ParseAccessSql(sql);
      ASSERT_TRUE(parsed.ok()) << sql << ": " << parsed.status().message();
      EXPECT_EQ(std::get<DropTableStatement>(parsed.value()).table, name) << sql;
    }
  }
  const std::string valid = "INSERT INTO `T` VALUES('a''b', -1.5e3, 0x0A, NULL, True)";
  for (size_t cut = 0; cut + 1 < valid.size(); ++cut) (void)ParseAccessSql(valid.substr(0, cut));
  for (int round = 0; round < 2000; ++round) {
    std::string garbage = valid;
    for (int k = 0; k < 3; ++k) garbage[random() % garbage.size()] = static_cast<char>(random() % 256);
    (void)ParseAccessSql(garbage);
  }
}

TEST(AccessSqlTest, Utf16Length) {
  EXPECT_EQ(Utf16Length(""), 0);
  EXPECT_EQ(Utf16Length("abc"), 3);
  EXPECT_EQ(Utf16Length("äöü€"), 4);
  EXPECT_EQ(Utf16Length("\xF0\x9F\x98\x80"), 2);  // U+1F600 is a surrogate pair
  EXPECT_EQ(Utf16Length("\xED\xA0\x80"), 1);      // an unpaired surrogate, as the engine decodes it
  EXPECT_EQ(Utf16Length("\xC3"), -1);
  EXPECT_EQ(Utf16Length("\xC0\x80"), -1);          // overlong
  EXPECT_EQ(Utf16Length("\xE0\x80\x80"), -1);
  EXPECT_EQ(Utf16Length("\xF4\x90\x80\x80"), -1);  // beyond U+10FFFF
  EXPECT_EQ(Utf16Length("a\xE6\x97"), -1);          // cut short at the end
  EXPECT_EQ(Utf16Length("a\xF0\x9F\x98"), -1);
  EXPECT_EQ(Utf16Length("\xF0\x8F\xBF\xBF"), -1);  // overlong four-byte form
  EXPECT_EQ(Utf16Length("\x80"), -1);
}

// The UTF-16 length of `text` by the table of well-formed sequences (encoded surrogates
// allowed, as the engine writes unpaired ones back), or -1.
int64_t ReferenceUtf16Length(std::string_view text) {
  struct Form { unsigned char lo, hi, secondLo, secondHi; int length; };
  static const Form kForms[] = {{0x00, 0x7F, 0, 0, 1},       {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},
                                {0xE1, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4}, {0xF1, 0xF3, 0x80, 0xBF, 4},
                                {0xF4, 0xF4, 0x80, 0x8F, 4}};
  int64_t units = 0;
  for (size_t i = 0; i < text.size();) {
    const auto at = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const Form* form = nullptr;
    for (const Form& f : kForms)
      if (at(0) >= f.lo && at(0) <= f.hi) form = &f;
    if (!form || i + form->length > text.size()) return -1;
    if (form->length > 1 && (at(1) < form->secondLo || at(1) > form->secondHi)) return -1;
    for (int k = 2; k < form->length; ++k)
      if (at(k) < 0x80 || at(k) > 0xBF) return -1;
    units += form->length == 4 ? 2 : 1;
    i += form->length;
  }
  return units;
}

// Long mixes of ASCII, two-, three- and four-byte characters with now and then a broken
// or cut sequence, so that every kind of byte lands at every place of a 16-byte block.
TEST(AccessSqlTest, Utf16LengthAgreesWithTheTableOfWellFormedSequences) {
  const std::vector<std::string> valid = {"a", "plain words ", "\xC3\xA9", "\xC5\x81", "\xDF\xBF", "\xE2\x82\xAC",
                                          "\xE0\xA0\x80", "\xED\xA0\x80", "\xEF\xBF\xBF", "\xF0\x9F\x98\x80",
                                          "\xF4\x8F\xBF\xBF"};
  const std::vector<std::string> broken = {"\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xC3", "\xC3\x41", "\xE2\x82",
                                           "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",
                                           "\xFF"};
  std::mt19937 random(11);
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 60);
    for (int k = 0; k < count; ++k) text += valid[random() % (round % 3 == 0 ? 4 : valid.size())];
    if (round % 2 == 1) text.insert(random() % (text.size() + 1), broken[random() % broken.size()]);
    ASSERT_EQ(Utf16Length(text), ReferenceUtf16Length(text)) << "round " << round;
  }
}

}  // namespace
}  // namespace ado::access
