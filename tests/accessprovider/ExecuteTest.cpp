// Changing Access files through Connection.Execute: the statements reach the file, the same
// connection reads its own changes, transactions group statements, and refusals name the file
// and leave it as it was. The statements themselves are the engine's writer's (tested there).
#include "Corpus.h"

#include "ado/Command.h"
#include "ado/Connection.h"
#include "ado/Error.h"
#include "ado/access/AccessProvider.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <limits>

namespace {

std::string copyOf(const corpus::TempFolder& folder, const std::string& relative, const std::string& name) {
  const std::string target = folder.file(name);
  std::filesystem::copy_file(corpus::File(relative), target);
  // The corpus is read-only; its copies are the test's to change.
  std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  return target;
}

std::string bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> userTables(ado::Connection& connection) {
  std::vector<std::string> names;
  ado::Recordset rs = connection.OpenSchema(ado::adSchemaTables);
  for (; !rs.Eof(); rs.MoveNext())
    if (rs.Fields()["TABLE_TYPE"].Value().asText() == "TABLE") names.push_back(rs.Fields()["TABLE_NAME"].Value().asText());
  std::sort(names.begin(), names.end());
  return names;
}

ado::Error executeError(ado::Connection& connection, const std::string& sql) {
  try {
    connection.Execute(sql);
  } catch (const ado::Error& error) {
    return error;
  }
  ADD_FAILURE() << "ran: " << sql;
  return ado::Error(0, "");
}

TEST(AccessExecute, StatementsReachTheFileAndTheSameConnectionReadsThem) {
  corpus::TempFolder folder;
  const std::string path = copyOf(folder, "mdb-reader/V2003/empty.mdb", "orders.mdb");
  {
    ado::Connection connection;
    connection.Open(corpus::JetConnectionString(path));
    connection.Execute("CREATE TABLE `Orders` (`Id` INT, `Name` VARCHAR(20), `Price` CURRENCY, `Due` DATETIME, `Paid` BIT)");
    connection.Execute("INSERT INTO `Orders` VALUES (7, 'Käse', '12.3456', '2024-02-29 13:45:00', True)");
    connection.Execute("INSERT INTO `Orders` VALUES (8, NULL, NULL, NULL, False)");
    EXPECT_EQ(userTables(connection), std::vector<std::string>{"Orders"});

    ado::Recordset rs;
    rs.Open("SELECT * FROM `Orders`", connection);
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.Fields()["Price"].Type(), ado::adCurrency);
    EXPECT_EQ(rs.Fields()["Id"].Value(), ado::Variant::int32(7));
    EXPECT_EQ(rs.Fields()["Name"].Value(), ado::Variant::text("Käse"));
    EXPECT_EQ(rs.Fields()["Price"].Value(), ado::Variant::currency({123456}));
    EXPECT_EQ(rs.Fields()["Due"].Value().toText(), "02/29/2024 13:45:00");
    EXPECT_EQ(rs.Fields()["Paid"].Value(), ado::Variant::boolean(true));
    rs.MoveNext();
    EXPECT_TRUE(rs.Fields()["Name"].Value().isNull());
  }
  ado::Connection again;  // a fresh connection reads what the first one wrote
  again.Open(corpus::JetConnectionString(path));
  ado::Recordset rs;
  rs.Open("SELECT * FROM Orders", again);
  EXPECT_EQ(rs.RecordCount(), 2);
  rs.Close();
  again.Execute("DROP TABLE [Orders]");
  EXPECT_TRUE(userTables(again).empty());
}

// An Access 97 file takes the statements the program sends: its Text sizes count one byte
// a character (a Text(50) takes 50), rows go into Access 97's own indexed table (its key
// refuses a repeated value), and a rename (SELECT INTO, then DROP) keeps the rows.
TEST(AccessExecute, Access97FilesTakeStatementsInTheirOwnSizes) {
  corpus::TempFolder folder;
  const std::string path = copyOf(folder, "mdb-reader/V1997/test.mdb", "old.mdb");
  ado::Connection connection;
  connection.Open(corpus::JetConnectionString(path));
  const std::string fifty(50, 'x');
  connection.Execute("INSERT INTO Table1 VALUES ('" + fifty + "', '\u00c9lan', 1, 2, 3, 4.5, '2001-02-03', 5, True)");
  const ado::Error tooLong =
      executeError(connection, "INSERT INTO Table1 VALUES ('" + fifty + "y', 'b', 1, 2, 3, 4, NULL, 5, True)");
  EXPECT_NE(tooLong.description().find("51 characters, more than the column's 50"), std::string::npos)
      << tooLong.description();
  const ado::Error repeated = executeError(connection, "INSERT INTO Table1 VALUES ('a', 'b', 1, 2, 3, 4, NULL, 5, True)");
  EXPECT_NE(repeated.description().find("repeats a value of the unique index PrimaryKey (A = 'a')"), std::string::npos)
      << repeated.description();
  connection.Execute("SELECT * INTO [Renamed] FROM [Table1]");
  connection.Execute("DROP TABLE [Table1]");
  ado::Recordset rs;
  rs.Open("SELECT * FROM [Renamed]", connection);
  EXPECT_EQ(rs.RecordCount(), 3);
  rs.MoveNext();
  rs.MoveNext();
  EXPECT_EQ(rs.Fields()["A"].Value(), ado::Variant::text(fifty));
  EXPECT_EQ(rs.Fields()["B"].Value(), ado::Variant::text("\u00c9lan"));
}

TEST(AccessExecute, TransactionsWriteTheirStatementsTogetherOrNotAtAll) {
  corpus::TempFolder folder;
  const std::string path = copyOf(folder, "mdb-reader/V2010/empty.accdb", "batch.accdb");
  const std::string original = bytesOf(path);
  {
    ado::Connection connection;
    connection.Open(corpus::AceConnectionString(path));
    connection.BeginTrans();
    connection.Execute("CREATE TABLE [Dropped] ([A] INT)");
    connection.Execute("INSERT INTO [Dropped] VALUES (1)");
    EXPECT_EQ(userTables(connection), std::vector<std::string>{"Dropped"});  // visible inside the transaction
    connection.RollbackTrans();
    EXPECT_TRUE(userTables(connection).empty());
  }
  EXPECT_EQ(bytesOf(path), original);

  ado::Connection connection;
  connection.Open(corpus::AceConnectionString(path));
  connection.BeginTrans();
  EXPECT_EQ(executeError(connection, "CREATE TABLE [Kept] ([A] INT, [A] TEXT)").number(), ado::access::kErrCommandText);
  connection.Execute("CREATE TABLE [Kept] ([A] INT)");
  connection.Execute("INSERT INTO [Kept] VALUES (1)");
  EXPECT_THROW(connection.BeginTrans(), ado::Error);  // no nesting
  connection.CommitTrans();
  EXPECT_THROW(connection.CommitTrans(), ado::Error);  // nothing left to commit
  EXPECT_THROW(connection.RollbackTrans(), ado::Error);
  connection.Close();

  ado::Connection reader;
  reader.Open(corpus::AceConnectionString(path));
  EXPECT_EQ(userTables(reader), std::vector<std::string>{"Kept"});
}

// Text that is not UTF-8 is refused whole, by column, and nothing of the row is written.
TEST(AccessExecute, TextThatIsNotUtf8IsRefusedAndNothingIsWritten) {
  corpus::TempFolder folder;
  const std::string path = copyOf(folder, "mdb-reader/V2003/empty.mdb", "text.mdb");
  ado::Connection connection;
  connection.Open(corpus::JetConnectionString(path));
  connection.Execute("CREATE TABLE [T] ([Short] TEXT(5), [Notes] TEXT)");
  const std::string before = bytesOf(path);
  for (const char* insert : {"INSERT INTO [T] VALUES ('ok', 'bad \xC3')", "INSERT INTO [T] VALUES ('\xC0\x80', NULL)",
                             "INSERT INTO [T] VALUES ('a', 'overlong \xE0\x80\x80 inside')"}) {
    const std::string message = executeError(connection, insert).description();
    EXPECT_NE(message.find("not valid UTF-8"), std::string::npos) << message;
    EXPECT_NE(message.find("Table T, column "), std::string::npos) << message;
  }
  EXPECT_EQ(bytesOf(path), before);
  connection.Execute("INSERT INTO [T] VALUES ('caf\xC3\xA9', 'Z\xC3\xB6" "e''s \xE2\x82\xAC')");
  ado::Recordset rows;
  rows.Open("SELECT * FROM [T]", connection);
  ASSERT_FALSE(rows.Eof());
  EXPECT_EQ(rows.Fields()[1].Value().asText(), "Z\xC3\xB6" "e's \xE2\x82\xAC");
  rows.MoveNext();
  EXPECT_TRUE(rows.Eof());
}

TEST(AccessExecute, RefusedChangesNameTheFileAndLeaveItUnchanged) {
  corpus::TempFolder folder;
  struct Case {
    std::string path;
    std::string password;
    std::string expected;  // part of the description
  };
  const std::vector<Case> cases = {
      {copyOf(folder, "mdb-reader/V1997/test.mdb", "old.mdb"), "", "Access 97"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string before = bytesOf(c.path);
    ado::Connection connection;
    connection.Open(corpus::AceConnectionString(c.path, c.password));
    // Access 97 files have no Decimal columns.
    const ado::Error error = executeError(connection, "CREATE TABLE [New] ([A] DECIMAL(10,2))");
    EXPECT_NE(error.description().find(c.path), std::string::npos) << error.description();
    EXPECT_NE(error.description().find(c.expected), std::string::npos) << error.description();
    EXPECT_FALSE(userTables(connection).empty());  // reading still works
    connection.Close();
    EXPECT_EQ(bytesOf(c.path), before);
  }

  const std::string plain = copyOf(folder, "mdb-reader/V2003/test.mdb", "plain.mdb");
  const std::string before = bytesOf(plain);
  {
    ado::Connection readOnly;
    readOnly.SetMode(ado::adModeRead);
    readOnly.Open(corpus::JetConnectionString(plain));
    EXPECT_NE(executeError(readOnly, "DROP TABLE Table1").description().find("read-only"), std::string::npos);
  }
  ado::Connection connection;
  connection.Open(corpus::JetConnectionString(plain));
  EXPECT_EQ(executeError(connection, "DROP TABLE [No such table]").number(), ado::access::kErrNoSuchTable);
  EXPECT_EQ(executeError(connection, "INSERT INTO Table1 VALUES (1)").number(), ado::access::kErrCommandText);
  EXPECT_EQ(executeError(connection, "DELETE FROM Table1").number(), ado::access::kErrCommandText);
  connection.Close();
  EXPECT_EQ(bytesOf(plain), before);
}

// Two connections on one file: the one that writes holds it until it closes; the other
// waits its ConnectionTimeout and then says who has the file.
TEST(AccessExecute, ASecondConnectionWaitsForTheWriterAndThenSaysWhy) {
  corpus::TempFolder folder;
  const std::string path = copyOf(folder, "mdb-reader/V2003/test.mdb", "shared.mdb");
  ado::Connection writer;
  writer.Open(corpus::JetConnectionString(path));
  writer.Execute("CREATE TABLE `Mine` (`N` INT)");
  ado::Connection other;
  other.SetConnectionTimeout(1);
  try {
    other.Open(corpus::JetConnectionString(path));
    ADD_FAILURE() << "opened beside a writer";
  } catch (const ado::Error& e) {
    EXPECT_NE(e.description().find(path + " is being changed by another program; try again when it has finished"),
              std::string::npos)
        << e.description();
  }
  writer.Close();
  other.Open(corpus::JetConnectionString(path));
  EXPECT_EQ(userTables(other), (std::vector<std::string>{"Mine", "Table1", "Table2", "Table3", "Table4"}));
}

}  // namespace

namespace {

// A prepared INSERT run with values does what its text with the values written in does: the
// same rows, the same errors (with that text quoted); an infinity is refused with its reason.
TEST(AccessExecute, CommandsRunAsTheirTextWithTheValuesWrittenIn) {
  corpus::TempFolder folder;
  const std::string path = copyOf(folder, "mdb-reader/V2003/empty.mdb", "command.mdb");
  ado::Connection connection;
  connection.Open(corpus::JetConnectionString(path));
  connection.Execute("CREATE TABLE `T` (`Id` INT, `Name` VARCHAR(5), `R` FLOAT)");
  ado::Command insert(connection, "INSERT INTO `T` VALUES (?, ?, ?)");
  ado::Command missing(connection, "INSERT INTO `Missing` VALUES (?)");
  using ado::Variant;
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::pair<ado::Command*, std::vector<Variant>>> runs = {
      {&insert, {Variant::text("1"), Variant::text("one"), Variant::real(0.5)}},
      {&insert, {Variant::text("3"), Variant::text("three!"), Variant::null()}},
      {&insert, {Variant::text("4"), Variant::text("it's")}},
      {&insert, {Variant::text("x"), Variant::null(), Variant::null()}},
      {&missing, {Variant::int32(1)}}};
  auto outcome = [](auto&& run) {
    try {
      run();
    } catch (const ado::Error& error) {
      return std::to_string(error.number()) + " " + error.what();
    }
    return std::string("done");
  };
  for (const auto& [command, values] : runs) {
    const std::string text = command->TextWithValues(values);
    EXPECT_EQ(outcome([&] { command->Execute(values); }), outcome([&] { connection.Execute(text); })) << text;
  }
  EXPECT_EQ(insert.TextWithValues({Variant::text("4"), Variant::text("it's")}), "INSERT INTO `T` VALUES ('4', 'it''s')");
  std::string refused;
  try {
    insert.Execute({Variant::int32(5), Variant::null(), Variant::real(-inf)});
  } catch (const ado::Error& error) {
    refused = error.what();
  }
  EXPECT_NE(refused.find("The column \"R\" (Double) cannot take the value -Infinity: no Access number type holds an "
                         "infinity."),
            std::string::npos)
      << refused;
  EXPECT_EQ(executeError(connection, "INSERT INTO `T` VALUES (?, NULL, NULL)").number(),
            ado::access::kErrCommandText);
  ado::Recordset rs;
  rs.Open("SELECT * FROM `T`", connection);
  EXPECT_EQ(rs.RecordCount(), 2);  // the first row, bound and as text
}

}  // namespace
