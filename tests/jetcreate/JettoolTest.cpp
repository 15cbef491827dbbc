// jettool as a process: its exit status and what it prints, on files made for the purpose.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "CorpusFiles.h"
#include "jet/Database.h"

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int exit = -1;
  std::string out, err;
};

// jettool with these arguments, each passed as one argument (single-quoted for the shell).
ToolRun Jettool(const fs::path& dir, const std::vector<std::string>& arguments) {
  std::string command = "'" JETTOOL_PATH "'";
  for (const std::string& a : arguments) {
    std::string quoted = "'";
    for (char c : a) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += " " + quoted + "'";
  }
  const fs::path err = dir / "stderr";
  ToolRun run;
  FILE* p = ::popen((command + " 2>'" + err.string() + "'").c_str(), "r");
  if (!p) return run;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) run.out.append(buf, n);
  run.exit = WEXITSTATUS(::pclose(p));
  run.err = jettest::ReadText(err);
  return run;
}

class JettoolProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("jettool-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A new .mdb holding one table "tabQQname" with a column "colQQname" and one row.
  std::string FileWithOneTable() {
    const std::string file = (dir_ / "one.mdb").string();
    EXPECT_EQ(Jettool(dir_, {"create", file}).exit, 0);
    const ToolRun sql = Jettool(dir_, {"sql", file, "CREATE TABLE tabQQname (colQQname TEXT(10))",
                                   "INSERT INTO tabQQname VALUES ('x')"});
    EXPECT_EQ(sql.exit, 0) << sql.err;
    return file;
  }

  // Replaces every UTF-16LE "QQ" of the file by these two code units.
  static void ReplaceQQ(const std::string& file, char16_t first, char16_t second) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const std::string qq("Q\0Q\0", 4);
    for (size_t at = bytes.find(qq); at != std::string::npos; at = bytes.find(qq, at + 4)) {
      const char units[4] = {static_cast<char>(first & 0xFF), static_cast<char>(first >> 8),
                             static_cast<char>(second & 0xFF), static_cast<char>(second >> 8)};
      f.seekp(static_cast<std::streamoff>(at));
      f.write(units, 4);
    }
  }

  fs::path dir_;
};

TEST_F(JettoolProcess, DumpFailsWithFourWhenATableCannotBeRead) {
  const std::string file = FileWithOneTable();
  ToolRun dump = Jettool(dir_, {"dump", file});
  EXPECT_EQ(dump.exit, 0) << dump.err;

  uint32_t tdef = 0;
  {
    auto db = jet::Database::Open(file, jet::Database::Options{});
    ASSERT_TRUE(db.ok()) << db.status().message();
    for (const auto* entry : (*db)->catalog().userTables()) tdef = entry->tableDefPage();
  }
  ASSERT_GT(tdef, 0u);
  {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(tdef) * 4096);
    const std::string zeros(4096, '\0');
    f.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  }
  dump = Jettool(dir_, {"dump", file});
  EXPECT_EQ(dump.exit, 4);
  EXPECT_NE(dump.out.find("\"error\": "), std::string::npos) << dump.out;
  EXPECT_NE(dump.out.find("\"name\": \"tabQQname\""), std::string::npos) << dump.out;

  EXPECT_EQ(Jettool(dir_, {"dump", (dir_ / "missing.mdb").string()}).exit, 3);
  EXPECT_NE(Jettool(dir_, {}).err.find("4 a table could not be read"), std::string::npos);
}

TEST_F(JettoolProcess, ControlCharactersInNamesAreEscapedOnTheTerminal) {
  const std::string file = FileWithOneTable();
  ReplaceQQ(file, 0x1B, 0x9B);  // ESC and CSI: both would start a terminal escape sequence
  const std::string name = "tab\x1B\xC2\x9Bname";

  const ToolRun tables = Jettool(dir_, {"tables", file});
  EXPECT_EQ(tables.exit, 0) << tables.err;
  EXPECT_NE(tables.out.find("table\ttab\\x1B\\u009Bname\n"), std::string::npos) << tables.out;
  const ToolRun schema = Jettool(dir_, {"schema", file, name});
  EXPECT_EQ(schema.exit, 0) << schema.err;
  EXPECT_NE(schema.out.find("table tab\\x1B\\u009Bname:"), std::string::npos) << schema.out;
  EXPECT_NE(schema.out.find("  col\\x1B\\u009Bname "), std::string::npos) << schema.out;
  const ToolRun missing = Jettool(dir_, {"schema", file, "a\x07\\b"});
  EXPECT_EQ(missing.exit, 1);
  EXPECT_NE(missing.err.find("no table named a\\x07\\\\b"), std::string::npos) << missing.err;
  for (const ToolRun* run : {&tables, &schema, &missing}) {
    EXPECT_EQ(run->out.find('\x1B'), std::string::npos);
    EXPECT_EQ(run->err.find('\x1B'), std::string::npos);
    EXPECT_EQ(run->out.find("\xC2\x9B"), std::string::npos);
  }

  // The JSON dump escapes them by JSON's own rules: the C0 one as \u001b, the C1 one as is.
  const ToolRun dump = Jettool(dir_, {"dump", file});
  EXPECT_EQ(dump.exit, 0);
  EXPECT_NE(dump.out.find("\"name\": \"tab\\u001b\xC2\x9Bname\""), std::string::npos) << dump.out;
}

TEST_F(JettoolProcess, CreateWithAPassword) {
  const std::string mdb = (dir_ / "pw.mdb").string();
  EXPECT_EQ(Jettool(dir_, {"create", mdb, "--password", "s;e}cret"}).exit, 0);
  EXPECT_EQ(Jettool(dir_, {"check", mdb}).exit, 1);
  EXPECT_EQ(Jettool(dir_, {"check", mdb, "--password", "s;e}cret"}).exit, 0);
  const ToolRun access = Jettool(dir_, {"sql", mdb, "--password", "s;e}cret", "CREATE TABLE t (x TEXT(5))"});
  EXPECT_EQ(access.exit, 0) << access.err;
  EXPECT_NE(Jettool(dir_, {"sql", mdb, "--password", "s;e}cre", "CREATE TABLE u (x TEXT(5))"}).exit, 0);

  const std::string accdb = (dir_ / "pw.accdb").string();
  EXPECT_EQ(Jettool(dir_, {"create", accdb, "--password", "pw"}).exit, 0);
  EXPECT_EQ(Jettool(dir_, {"check", accdb}).exit, 1);
  EXPECT_EQ(Jettool(dir_, {"sql", accdb, "--password", "pw", "CREATE TABLE t (x TEXT(5))"}).exit, 0);
  EXPECT_EQ(Jettool(dir_, {"check", accdb, "--password", "pw"}).exit, 0);
}

// check: exit 0 with notes only (Access's own habits), 1 with a problem (a key that is not its row's).
TEST_F(JettoolProcess, CheckExitsNonZeroForProblemsOnly) {
  const ToolRun notes = Jettool(dir_, {"check", (jettest::CorpusDir() / "mdb-reader/V2016/withdeletedcol.accdb").string()});
  EXPECT_EQ(notes.exit, 0) << notes.out;
  EXPECT_NE(notes.out.find("note: "), std::string::npos) << notes.out;

  std::string bytes = jettest::ReadText(jettest::CorpusDir() / "jackcess/adox_jet4.mdb");
  std::swap(bytes[8 * 4096 + 480 + 8], bytes[8 * 4096 + 480 + 9 + 8]);  // two Id entries trade rows
  const fs::path damaged = dir_ / "swapped.mdb";
  std::ofstream(damaged, std::ios::binary) << bytes;
  const ToolRun problems = Jettool(dir_, {"check", damaged.string()});
  EXPECT_EQ(problems.exit, 1);
  EXPECT_NE(problems.out.find("key mismatch"), std::string::npos) << problems.out;
  EXPECT_NE(problems.out.find("2 problem(s)"), std::string::npos) << problems.out;
}

// A calculated column whose result type is unknown (here: no properties at all) shows a placeholder
// and the rest of the table reads. Made from an engine-written table whose Binary(39) column is
// then flagged calculated (extended flags 0xC0, byte 16 of its column block) and holds a wrapped value.
TEST_F(JettoolProcess, CalculatedColumnWithoutResultTypeIsAPlaceholder) {
  const std::string file = (dir_ / "calc.accdb").string();
  ASSERT_EQ(Jettool(dir_, {"create", file}).exit, 0);
  const ToolRun sql = Jettool(dir_, {"sql", file, "CREATE TABLE T (ID LONG, C BINARY(39), N TEXT(10))",
                                     "INSERT INTO T VALUES (7, 0x0000000000000000000000000000000001000000FF000000, 'x')"});
  ASSERT_EQ(sql.exit, 0) << sql.err;
  uint32_t tdef = 0;
  {
    auto db = jet::Database::Open(file, {});
    ASSERT_TRUE(db.ok());
    tdef = (*db)->catalog().findTable("T")->tableDefPage();
  }
  std::string bytes = jettest::ReadText(file);
  const std::string block("\x09\x59\x06\x00\x00\x01\x00", 7);  // Binary, constant 1625, column number 1
  const size_t at = bytes.find(block, tdef * 4096);
  ASSERT_LT(at, (tdef + 1) * 4096u);
  bytes[at + 16] = static_cast<char>(0xC0);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;

  auto db = jet::Database::Open(file, {});
  ASSERT_TRUE(db.ok());
  auto cursor = (*db)->scan("T");
  ASSERT_TRUE(cursor.ok());
  auto more = cursor->next();
  ASSERT_TRUE(more.ok() && *more) << (more.ok() ? "" : more.status().message());
  EXPECT_EQ(*cursor->value(0), jet::Value(int32_t{7}));
  EXPECT_TRUE(std::holds_alternative<jet::Unsupported>(*cursor->value(1)));
  EXPECT_EQ(*cursor->value(2), jet::Value(std::string("x")));
  const ToolRun dump = Jettool(dir_, {"dump", file});
  EXPECT_EQ(dump.exit, 0) << dump.err;
  EXPECT_NE(dump.out.find("[7,\"unsupported\",\"x\"]"), std::string::npos) << dump.out;
}

// Tables with text keys go into new databases of language sort orders; the engine's check
// recomputes every key in the order and the independent reader reads every row.
TEST_F(JettoolProcess, TablesGoIntoDatabasesOfLanguageSortOrders) {
  const struct {
    const char* file;
    const char* order;
    std::vector<std::string> words;
  } cases[] = {
      {"turkish.mdb", "1055", {"I\u015F\u0131k", "\u0131l\u0131k", "\u0130zmir", "i\u011Fne", "\u00C7ay", "Ilgaz"}},
      {"technical.accdb", "0x1040E", {"gy\u00F6ngy", "Gy\u0151r", "f\u00E9k", "gyors", "v\u00E1r"}},
      {"french.accdb", "1036", {"cote", "c\u00F4te", "cot\u00E9", "c\u00F4t\u00E9", "O'Neil"}},
      {"croatian.accdb", "1050/1", {"ljubav", "\u0110akovo", "d\u017Eep", "\u010Da\u0161a", "Lika"}},
      {"japanese.mdb", "1041", {"\u30AB\u30B9\u30BF\u30DE\u30FC", "\uFF92\uFF86\uFF6D\uFF70", "\u5546\u54C1",
                                "public_\u5546\u54C1\u30DE\u30B9\u30BF"}},
      {"korean.accdb", "1042", {"Office \uD14C\uB9C8", "\uC138\uD0C1\uBB3C\uAD00\uB9AC", "Zeta"}},
      {"chinese.mdb", "2052", {"\u4E2D\u5FC3", "\u5317\u4EAC", "Beijing"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string file = (dir_ / c.file).string();
    ASSERT_EQ(Jettool(dir_, {"create", file, "--sort-order", c.order}).exit, 0);
    std::vector<std::string> sql = {"sql", file, "CREATE TABLE Words (Word TEXT(40) PRIMARY KEY, Rank LONG NOT NULL)",
                                    "CREATE INDEX ByRank ON Words (Rank DESC, Word)"};
    for (size_t i = 0; i < c.words.size(); ++i) {
      std::string quoted = c.words[i];
      for (size_t at = quoted.find('\''); at != std::string::npos; at = quoted.find('\'', at + 2)) quoted.insert(at, "'");
      sql.push_back("INSERT INTO Words VALUES ('" + quoted + "', " + std::to_string(i % 2) + ")");
    }
    sql.push_back("SELECT * FROM Words");
    const ToolRun filled = Jettool(dir_, sql);
    ASSERT_EQ(filled.exit, 0) << filled.err;
    const ToolRun check = Jettool(dir_, {"check", file});
    EXPECT_EQ(check.exit, 0) << check.out;
    EXPECT_EQ(check.out.find("not recomputed"), std::string::npos) << check.out;
    FILE* p = ::popen(("'" TABLOREN_ACCESS_DUMP "' '" + file + "'").c_str(), "r");
    ASSERT_TRUE(p);
    std::string dumped;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) dumped.append(buf, n);
    EXPECT_EQ(WEXITSTATUS(::pclose(p)), 0);
    for (const auto& word : c.words) {
      EXPECT_NE(filled.out.find(word), std::string::npos) << word;
      EXPECT_NE(dumped.find(word), std::string::npos) << word;
    }
  }
}

// A table name or key value that needs an ideograph whose key is not known is refused,
// naming the character and the order, and the file stays byte for byte.
TEST_F(JettoolProcess, AnUnknownIdeographIsRefusedAndTheFileStays) {
  const std::string file = (dir_ / "dragons.mdb").string();
  ASSERT_EQ(Jettool(dir_, {"create", file, "--sort-order", "2052"}).exit, 0);
  ASSERT_EQ(Jettool(dir_, {"sql", file, "CREATE TABLE Dragons (Name TEXT(10) PRIMARY KEY)"}).exit, 0);
  const std::string before = jettest::ReadText(file);
  for (const char* statement : {"CREATE TABLE \u9F8D (Id LONG)", "INSERT INTO Dragons VALUES ('\u9F8D\u738B')"}) {
    SCOPED_TRACE(statement);
    const ToolRun refused = Jettool(dir_, {"sql", file, statement});
    EXPECT_EQ(refused.exit, 1);
    EXPECT_NE(refused.err.find("U+9F8D"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("Chinese (PRC)"), std::string::npos) << refused.err;
    EXPECT_TRUE(jettest::ReadText(file) == before);
  }
}

}  // namespace
