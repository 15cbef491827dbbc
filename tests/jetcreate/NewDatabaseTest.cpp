// New databases built from scratch. The engine-made 16-page sample (adox_jet4.mdb) is
// the yardstick: same pages, same system-table definitions, same catalogue and
// permission rows (dates and the per-file SID key aside). Then our own check, both
// oracles, and a table created and filled through the writer.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "CorpusFiles.h"
#include "GoldenDump.h"
#include "jet/Database.h"
#include "jet/check/DatabaseCheck.h"
#include "jet/create/NewDatabase.h"
#include "jet/crypto/AgileDescription.h"
#include "jet/crypto/HeaderMask.h"
#include "jet/write/WriteSession.h"

namespace {

namespace fs = std::filesystem;
using jet::create::NewDatabaseFormat;

constexpr double kCreated = 45678.5;  // 2025-01-22 12:00

fs::path FreshDir() {
  static int n = 0;
  const fs::path dir = fs::temp_directory_path() / ("jetcreate-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

fs::path NewFile(const std::string& name) {
  const fs::path file = FreshDir() / name;
  auto format = jet::create::FormatForPath(file.string());
  EXPECT_TRUE(format.ok());
  const jet::Status s = jet::create::CreateDatabase(file.string(), *format, kCreated);
  EXPECT_TRUE(s.ok()) << s.message();
  return file;
}

struct Command {
  int exit = -1;
  std::string out, err;
};
Command RunShell(const std::string& command) {
  const fs::path err = FreshDir() / "stderr";
  Command c;
  FILE* p = ::popen((command + " 2>" + err.string()).c_str(), "r");
  if (!p) return c;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) c.out.append(buf, n);
  c.exit = WEXITSTATUS(::pclose(p));
  c.err = jettest::ReadText(err);
  return c;
}

// A dump without its first field, which names the program that made it.
std::string WithoutOracle(std::string dump) {
  const size_t at = dump.find("\"oracle\"");
  if (at != std::string::npos) dump.erase(at, dump.find('\n', at) - at);
  return dump;
}

// Everything about a file that must match the engine-made sample, as text.
std::string Structure(const fs::path& file) {
  jet::Database::Options options;
  auto db = jet::Database::Open(file.string(), options);
  if (!db.ok()) return "cannot open: " + db.status().message();
  std::ostringstream s;
  auto& pf = (*db)->file();
  s << "pages " << pf.pageCount() << ":";
  for (uint32_t p = 0; p < pf.pageCount(); ++p) s << ' ' << int((**pf.read(p))[0]);
  s << "\nsort " << (*db)->header().sortOrder.lcid << '/' << int((*db)->header().sortOrder.version) << " code page "
    << (*db)->header().codePage << "\n";
  for (const char* name : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"}) {
    auto def = (*db)->tableDef(name);
    if (!def.ok()) return "no " + std::string(name);
    const jet::TableDef& d = **def;
    s << name << " at " << d.firstPage() << " rows " << d.rowCount << " type " << int(d.tableType) << " maps "
      << d.ownedPages.packed() << '/' << d.freeSpacePages.packed() << "\n";
    for (const auto& c : d.columns) {
      s << "  " << c.name << " type " << int(c.typeCode) << " no " << c.number << " var " << c.variableIndex
        << " fixed " << (c.fixed() ? c.fixedOffset : 0) << " len " << c.length << " flags " << int(c.flags) << '/'
        << int(c.extFlags) << " sort " << c.sortOrder.lcid << " lv " << c.ownedPages.packed() << '/'
        << c.freePages.packed() << "\n";
    }
    for (const auto& r : d.realIndexes) {
      s << "  real";
      for (const auto& c : r.columns) s << ' ' << c.columnNumber << (c.ascending ? "+" : "-");
      s << " unique-count " << r.uniqueEntryCount << " map " << r.usageMap.packed() << " root " << r.rootPage
        << " flags " << int(r.flags) << "\n";
    }
    for (const auto& l : d.logicalIndexes) {
      s << "  logical " << l.name << ' ' << l.number << " -> " << l.realIndex << " type " << int(l.indexType) << "\n";
    }
  }
  // Catalogue rows, and permission rows with each SID relative to the engine's own
  // (the Tables container's owner): the per-file key cancels out.
  std::vector<uint8_t> engine;
  auto objects = (*db)->scan("MSysObjects");
  if (!objects.ok()) return "no catalogue rows";
  const auto& od = objects->def();
  while (*objects->next()) {
    std::map<std::string, std::string> row;
    for (size_t i = 0; i < od.columns.size(); ++i) {
      std::string v;
      jettool::AppendValueJson(v, *objects->value(i));
      row[od.columns[i].name] = v;
      if (od.columns[i].name == "Owner" && !jet::IsNull(*objects->value(i)) && engine.empty()) {
        engine = std::get<jet::Binary>(*objects->value(i)).bytes;
      }
    }
    s << "object " << row["Id"] << ' ' << row["ParentId"] << ' ' << row["Name"] << ' ' << row["Type"] << ' '
      << row["Flags"] << " owner-len " << row["Owner"].size() << "\n";
  }
  auto aces = (*db)->scan("MSysACEs");
  const auto& ad = aces->def();
  while (*aces->next()) {
    std::map<std::string, jet::Value> row;
    for (size_t i = 0; i < ad.columns.size(); ++i) row[ad.columns[i].name] = *aces->value(i);
    auto sid = std::get<jet::Binary>(row["SID"]).bytes;
    for (size_t i = 0; i < sid.size() && i < engine.size(); ++i) sid[i] ^= engine[i];
    std::string v;
    jettool::AppendValueJson(v, jet::Binary{sid});
    std::string id, acm, inherit;
    jettool::AppendValueJson(id, row["ObjectId"]);
    jettool::AppendValueJson(acm, row["ACM"]);
    jettool::AppendValueJson(inherit, row["FInheritable"]);
    s << "ace " << id << ' ' << v << ' ' << acm << ' ' << inherit << "\n";
  }
  return s.str();
}

TEST(NewDatabase, MdbMatchesTheEngineMadeSample) {
  const fs::path ours = NewFile("new.mdb");
  const std::string expected = Structure(jettest::CorpusDir() / "jackcess/adox_jet4.mdb");
  EXPECT_EQ(Structure(ours), expected);
  EXPECT_EQ(fs::file_size(ours), 16u * 4096);
}

TEST(NewDatabase, AccdbHasTheSameLayoutAsAce12) {
  const fs::path ours = NewFile("new.accdb");
  jet::Database::Options options;
  auto db = jet::Database::Open(ours.string(), options);
  ASSERT_TRUE(db.ok()) << db.status().message();
  EXPECT_EQ((*db)->header().versionByte, 2);
  EXPECT_TRUE((*db)->header().ace());
  EXPECT_EQ((*db)->header().creationDate, kCreated);
  std::string mdb = Structure(NewFile("twin.mdb"));
  EXPECT_EQ(Structure(ours), mdb);
}

TEST(NewDatabase, NewFilesPassOurCheckAndBothOracles) {
  for (const char* name : {"a.mdb", "b.accdb"}) {
    SCOPED_TRACE(name);
    const fs::path file = NewFile(name);
    auto report = jet::check::CheckDatabase(file.string());
    ASSERT_TRUE(report.ok()) << report.status().message();
    for (const auto& p : report->problems) ADD_FAILURE() << p;
    for (const auto& n : report->notes) ADD_FAILURE() << n;

    const std::string dumpTool = std::string(TABLOREN_ACCESS_DUMP);
    Command dump = RunShell(dumpTool + " '" + file.string() + "'");
    EXPECT_EQ(dump.exit, 0) << dump.err;
    EXPECT_EQ(dump.err, "");
    std::string ours;
    EXPECT_EQ(jettool::DumpDatabase(file.string(), std::nullopt, ours), 0);
    EXPECT_EQ(WithoutOracle(dump.out), WithoutOracle(ours));

    Command tables = RunShell("mdb-tables -1 -S '" + file.string() + "'");
    EXPECT_EQ(tables.exit, 0);
    EXPECT_EQ(tables.err, "");
    EXPECT_NE(tables.out.find("MSysObjects"), std::string::npos);
    Command rows = RunShell("mdb-json '" + file.string() + "' MSysObjects");
    EXPECT_EQ(rows.err, "");
    EXPECT_EQ(std::count(rows.out.begin(), rows.out.end(), '\n'), 8);
    Command aces = RunShell("mdb-json '" + file.string() + "' MSysACEs");
    EXPECT_EQ(aces.err, "");
    EXPECT_EQ(std::count(aces.out.begin(), aces.out.end(), '\n'), 16);
  }
}

// A new .mdb with a database password: the header field as Access writes it, so our reader
// and the independent one open it with that password only. An .accdb would need encryption,
// which is refused before anything is written.
TEST(NewDatabase, Jet4PasswordIsSetAsAccessSetsIt) {
  const std::string password = "p;w=d}{'\"\xC3\xA9x";  // 12 characters, one outside ASCII
  const fs::path file = FreshDir() / "locked.mdb";
  const jet::Status created = jet::create::CreateDatabase(file.string(), NewDatabaseFormat::kJet4, kCreated, password);
  ASSERT_TRUE(created.ok()) << created.message();

  for (const std::string& wrong : {std::string(), std::string("p;w=d}{'\"ex"), std::string("P;w=d}{'\"\xC3\xA9x")}) {
    jet::Database::Options options;
    options.password = wrong;
    auto db = jet::Database::Open(file.string(), options);
    ASSERT_FALSE(db.ok()) << "opened with \"" << wrong << "\"";
    EXPECT_EQ(db.status().code(), jet::ErrorCode::kWrongPassword);
  }
  auto report = jet::check::CheckDatabase(file.string(), password);
  ASSERT_TRUE(report.ok()) << report.status().message();
  EXPECT_TRUE(report->clean());
  for (const auto& p : report->problems) ADD_FAILURE() << p;

  // The independent reader opens the file (it does not check Jet4 passwords) and reads what we read.
  const std::string dumpTool = std::string(TABLOREN_ACCESS_DUMP);
  Command theirs = RunShell(dumpTool + " '" + file.string() + "' 'p;w=d}{'\\''\"\xC3\xA9x'");
  EXPECT_EQ(theirs.exit, 0) << theirs.err;
  std::string ours;
  EXPECT_EQ(jettool::DumpDatabase(file.string(), password, ours), 0) << ours;
  EXPECT_EQ(WithoutOracle(theirs.out), WithoutOracle(ours));

  // Byte for byte what Access wrote into a file of the corpus given the same creation date.
  const fs::path accessMade = jettest::CorpusDir() / "mdb-reader/password/V2003_with-password.mdb";
  double accessCreated = 0;
  {
    jet::Database::Options options;
    options.password = "password";
    auto db = jet::Database::Open(accessMade.string(), options);
    ASSERT_TRUE(db.ok()) << db.status().message();
    accessCreated = (*db)->header().creationDate;
  }
  const fs::path twin = FreshDir() / "twin.mdb";
  ASSERT_TRUE(jet::create::CreateDatabase(twin.string(), NewDatabaseFormat::kJet4, accessCreated, "password").ok());
  const std::string accessHeader = jettest::ReadText(accessMade).substr(0x42, 40);
  EXPECT_EQ(jettest::ReadText(twin).substr(0x42, 40), accessHeader);

  // Twenty characters fit the header field; twenty-one do not, and nothing is written.
  EXPECT_TRUE(jet::create::CreateDatabase((FreshDir() / "twenty.mdb").string(), NewDatabaseFormat::kJet4, kCreated,
                                          std::string(20, 'k'))
                  .ok());
  const fs::path tooLong = FreshDir() / "long.mdb";
  const jet::Status refusedLong =
      jet::create::CreateDatabase(tooLong.string(), NewDatabaseFormat::kJet4, kCreated, std::string(21, 'k'));
  EXPECT_EQ(refusedLong.code(), jet::ErrorCode::kInvalidArgument);
  EXPECT_NE(refusedLong.message().find("at most 20 characters"), std::string::npos) << refusedLong.message();
  EXPECT_FALSE(fs::exists(tooLong));

}

// A new .accdb with a password is encrypted as Access 2010 and later do by default; both
// readers need the password, and the password is nowhere in the file.
TEST(NewDatabase, AccdbWithAPasswordIsAgileEncrypted) {
  const std::string password = "S\xC3\xA9" "cret;w=d}";
  const fs::path file = FreshDir() / "locked.accdb";
  const jet::Status created = jet::create::CreateDatabase(file.string(), NewDatabaseFormat::kAce12, kCreated, password);
  ASSERT_TRUE(created.ok()) << created.message();

  const std::string bytes = jettest::ReadText(file);
  const uint32_t length = static_cast<uint8_t>(bytes[0x299]) | static_cast<uint8_t>(bytes[0x29A]) << 8;
  ASSERT_GT(length, 8u);
  EXPECT_EQ(bytes.substr(0x29B, 8), std::string("\x04\x00\x04\x00\x40\x00\x00\x00", 8));
  auto description = jet::ParseAgileDescription(bytes.substr(0x29B + 8, length - 8), file.string());
  ASSERT_TRUE(description.ok()) << description.status().message();
  for (const jet::AgileCipherParameters* p :
       {static_cast<const jet::AgileCipherParameters*>(&description->keyData),
        static_cast<const jet::AgileCipherParameters*>(&description->passwordKey)}) {
    EXPECT_EQ(p->cipherAlgorithm, "AES");
    EXPECT_EQ(p->hashAlgorithm, "SHA512");
    EXPECT_EQ(p->keyBits, 256u);
  }
  EXPECT_EQ(description->passwordKey.spinCount, 100000u);
  for (const std::string& form : {std::string("S\xC3\xA9" "cret"), std::string("S\0\xE9\0c\0r\0e\0t\0", 12)}) {
    EXPECT_EQ(bytes.find(form), std::string::npos);
  }
  // No page after the header is stored plain (a plain one starts with its type and 0x01).
  for (size_t at = 4096; at < bytes.size(); at += 4096) EXPECT_NE(bytes.substr(at + 1, 3), std::string("\x01\0\0", 3));

  for (const std::string& wrong : {std::string(), std::string("S\xC3\xA9" "cret")}) {
    jet::Database::Options options;
    options.password = wrong;
    auto db = jet::Database::Open(file.string(), options);
    ASSERT_FALSE(db.ok()) << "opened with \"" << wrong << "\"";
    EXPECT_EQ(db.status().code(), jet::ErrorCode::kWrongPassword);
  }
  auto report = jet::check::CheckDatabase(file.string(), password);
  ASSERT_TRUE(report.ok()) << report.status().message();
  for (const auto& p : report->problems) ADD_FAILURE() << p;

  const std::string dumpTool = std::string(TABLOREN_ACCESS_DUMP);
  Command theirs = RunShell(dumpTool + " '" + file.string() + "' 'S\xC3\xA9" "cret;w=d}'");
  EXPECT_EQ(theirs.exit, 0) << theirs.err;
  std::string ours;
  EXPECT_EQ(jettool::DumpDatabase(file.string(), password, ours), 0) << ours;
  EXPECT_EQ(WithoutOracle(theirs.out), WithoutOracle(ours));
  Command refused = RunShell(dumpTool + " '" + file.string() + "' 'Secret;w=d}'");
  EXPECT_NE(refused.out.find("\"error\": \"Wrong password\""), std::string::npos) << refused.out;
}

TEST(NewDatabase, RefusesExistingFilesAndUnknownExtensions) {
  const fs::path file = NewFile("taken.mdb");
  const auto before = jettest::ReadText(file);
  const jet::Status again = jet::create::CreateDatabase(file.string(), NewDatabaseFormat::kJet4, kCreated);
  EXPECT_EQ(again.code(), jet::ErrorCode::kExists);
  EXPECT_NE(again.message().find(file.string()), std::string::npos);
  EXPECT_EQ(jettest::ReadText(file), before);
  EXPECT_FALSE(jet::create::FormatForPath("notes.txt").ok());
  EXPECT_TRUE(jet::create::FormatForPath("X.ACCDB").ok());
  const fs::path missingDir = FreshDir() / "no/such/dir/x.mdb";
  EXPECT_EQ(jet::create::CreateDatabase(missingDir.string(), NewDatabaseFormat::kJet4, kCreated).code(),
            jet::ErrorCode::kIo);
}

// A language sort order goes where Access puts it: the four bytes at page 0 (LANGID, sort
// id, version) and every column's descriptor; the catalogue's keys are that order's. An order
// whose keys are unknown is refused and leaves no file.
TEST(NewDatabase, ALanguageSortOrderIsLaidOutAsAccessLaysIt) {
  const struct {
    const char* name;
    jet::SortOrder order;
    uint8_t page0[4];
  } cases[] = {{"turkish.mdb", {1055, 0, 0}, {0x1F, 0x04, 0x00, 0x00}},
               {"technical.accdb", {1038, 0, 1}, {0x0E, 0x04, 0x01, 0x00}},
               {"croatian.accdb", {1050, 1, 0}, {0x1A, 0x04, 0x00, 0x01}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = FreshDir() / c.name;
    const jet::Status s = jet::create::CreateDatabase(file.string(), *jet::create::FormatForPath(file.string()),
                                                      kCreated, "", c.order);
    ASSERT_TRUE(s.ok()) << s.message();
    std::string bytes = jettest::ReadText(file);
    std::span<uint8_t> header(reinterpret_cast<uint8_t*>(bytes.data()), 4096);
    jet::ApplyHeaderMask(header, false);
    EXPECT_EQ(std::vector<uint8_t>(header.begin() + 0x6E, header.begin() + 0x72),
              std::vector<uint8_t>(c.page0, c.page0 + 4));
    auto db = jet::Database::Open(file.string(), {});
    ASSERT_TRUE(db.ok());
    EXPECT_EQ((*db)->header().sortOrder, c.order);
    auto objects = (*db)->tableDef("MSysObjects");
    ASSERT_TRUE(objects.ok());
    for (const auto& column : (*objects)->columns) {
      if (column.type() == jet::ColumnType::kText || column.type() == jet::ColumnType::kMemo) {
        EXPECT_EQ(column.sortOrder, c.order) << column.name;
      }
    }
    auto report = jet::check::CheckDatabase(file.string());
    ASSERT_TRUE(report.ok());
    for (const auto& p : report->problems) ADD_FAILURE() << p;
    for (const auto& n : report->notes) ADD_FAILURE() << n;
    EXPECT_GE(report->keysCompared, 8u);
  }
  const fs::path russian = FreshDir() / "russian.mdb";
  const jet::Status refused =
      jet::create::CreateDatabase(russian.string(), NewDatabaseFormat::kJet4, kCreated, "", jet::SortOrder{1049, 0, 0});
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("1049"), std::string::npos) << refused.message();
  EXPECT_FALSE(fs::exists(russian));
  EXPECT_FALSE(fs::exists(russian.string() + ".partial"));
}

TEST(NewDatabase, ATableCreatedAndFilledInANewFileReadsBack) {
  for (const char* name : {"filled.mdb", "filled.accdb"}) {
    SCOPED_TRACE(name);
    const fs::path file = NewFile(name);
    {
      auto session = jet::WriteSession::Open(file.string());
      ASSERT_TRUE(session.ok()) << session.status().message();
      std::vector<jet::NewColumn> columns = {{"Id", jet::ColumnType::kLong}, {"Name", jet::ColumnType::kText, 50},
                                             {"Notes", jet::ColumnType::kMemo}};
      jet::Status s = (*session)->createTable("Customers", columns);
      ASSERT_TRUE(s.ok()) << s.message();
      s = (*session)->insert("Customers", {int32_t{1}, std::string("O'Brien"), std::string(4500, 'x')});
      ASSERT_TRUE(s.ok()) << s.message();
      s = (*session)->insert("Customers", {int32_t{2}, std::string("Zoë Åström"), jet::Null{}});
      ASSERT_TRUE(s.ok()) << s.message();
    }
    auto report = jet::check::CheckDatabase(file.string());
    ASSERT_TRUE(report.ok());
    for (const auto& p : report->problems) ADD_FAILURE() << p;
    for (const auto& n : report->notes) ADD_FAILURE() << n;
    Command rows = RunShell("mdb-json '" + file.string() + "' Customers");
    EXPECT_EQ(rows.err, "");
    EXPECT_NE(rows.out.find("\"Name\":\"O'Brien\""), std::string::npos) << rows.out;
    const std::string dumpTool = std::string(TABLOREN_ACCESS_DUMP);
    Command dump = RunShell(dumpTool + " '" + file.string() + "'");
    std::string ours;
    jettool::DumpDatabase(file.string(), std::nullopt, ours);
    EXPECT_EQ(WithoutOracle(dump.out), WithoutOracle(ours));
    EXPECT_NE(ours.find("Zoë Åström"), std::string::npos);
  }
}

}  // namespace
