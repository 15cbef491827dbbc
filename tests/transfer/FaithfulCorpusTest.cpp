// The faithful copy to SQLite on every readable table of the corpus: each value arrives exact
// (as the golden dumps of the independent reader hold it, not as the window's value texts),
// each column with its declared type, and the keys, indexes and relationships of real files.
#include "CorpusGoldens.h"
#include "TransferFixture.h"
#include "db/Connections.h"
#include "jet/ComplexColumns.h"
#include "jet/check/DatabaseCheck.h"
#include "transfer/AccessToSQLite.h"
#include "transfer/SQLiteToAccess.h"
#include "transfer/FaithfulCopy.h"

#include <QJsonArray>

#include <algorithm>
#include <charconv>
#include <map>

namespace transfer_test {
namespace {

// "3.5000" -> "3.5", "42.0000" -> "42": exact numbers without trailing fraction zeros.
std::string ExactText(std::string text) {
  if (text.find('.') == std::string::npos) return text;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

// The SQLite cell of a golden value under the faithful rules; nothing where not followed.
std::optional<std::string> FaithfulCell(const QString& type, const QJsonValue& value) {
  if (value.isNull()) return "NULL";
  if (type == "boolean") return value.toBool() ? "i:1" : "i:0";
  if (type == "byte" || type == "integer" || type == "long") return "i:" + std::to_string(value.toInteger());
  if (type == "bigint") return "i:" + value.toString().toStdString();
  if (type == "currency" || type == "numeric") return "t:" + ExactText(value.toString().toStdString());
  if (type == "double") return RealCell(value.toDouble());
  if (type == "float") {
    char t[64];
    const auto r = std::to_chars(t, t + sizeof t, static_cast<float>(value.toDouble()));
    return RealCell(std::stod(std::string(t, r.ptr)));
  }
  if (type == "datetime") {
    std::string iso = value.toString().toStdString();
    if (iso.size() > 19) return std::nullopt;  // fractions of a second: rounded to the second
    iso[10] = ' ';
    return "t:" + iso;
  }
  if (type == "text" || type == "memo") return "t:" + value.toString().toStdString();  // '' stays ''
  if (type == "binary" || type == "ole") return "b:" + value.toString().mid(4).toStdString();
  if (type == "repid") return "t:{" + value.toString().toUpper().toStdString() + "}";
  return std::nullopt;
}

std::string DeclaredTypeOf(const QString& type, int size, bool jet3) {
  if (type == "boolean") return "BOOLEAN";
  if (type == "byte" || type == "integer" || type == "long" || type == "bigint") return "INTEGER";
  if (type == "double" || type == "float") return "REAL";
  if (type == "currency") return "DECIMAL_TEXT(19,4)";
  if (type == "datetime") return "DATETIME";
  if (type == "text") return "VARCHAR(" + std::to_string(jet3 ? size : size / 2) + ")";
  if (type == "binary") return "VARBINARY(" + std::to_string(size) + ")";
  if (type == "ole") return "BLOB";
  if (type == "repid") return "GUID";
  if (type == "memo" || type == "complex") return "TEXT";
  return "";  // numeric: its precision is not in the golden
}

std::string Quoted(const QString& name) {
  std::string out = "\"";
  for (const char c : name.toStdString()) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

class FaithfulCorpusTest : public TransferTest {
 protected:
  // Copies every table of a corpus file with --faithful's mode; the notes are kept.
  QString copyToSQLite(const QString& relative, const QString& password, int n) {
    accessList.clear();
    sqliteList.clear();
    dialogs.clearShown();
    failures.clear();
    const QString access = copyCorpus(relative, QStringLiteral("source%1").arg(n) + relative.mid(relative.lastIndexOf('.')));
    const QString sqlite = tempPath(QStringLiteral("faithful%1.db").arg(n));
    newSQLite(QFileInfo(sqlite).fileName());
    useFiles(sqlite, access, password);
    fillLists();
    selectAll(accessList);
    transfer::FaithfulMode mode;
    mode.note = [this](const QString& note) { notes.push_back(note.toStdString()); };
    auto e = env();
    e.faithful = &mode;
    if (accessList.count() > 0) transfer::SendTablesToSQLite(e);
    return sqlite;
  }
  std::vector<std::string> notes;
};

TEST_F(FaithfulCorpusTest, EveryReadableValueArrivesExactWithItsDeclaredType) {
  int files = 0, tables = 0, cells = 0;
  for (const GoldenFile& file : ReadableCorpusFiles()) {
    SCOPED_TRACE(file.relative.toStdString());
    const QString sqlite = copyToSQLite(file.relative, file.json.value("password").toString(), files++);
    EXPECT_TRUE(failures.empty()) << failures.front().description.toStdString();
    RawSQLite db(sqlite);
    EXPECT_EQ(db.rows("PRAGMA integrity_check"), (std::vector<std::vector<std::string>>{{"t:ok"}}));
    EXPECT_TRUE(db.rows("PRAGMA foreign_key_check").empty());
    for (const QJsonValue& tableValue : file.json.value("tables").toArray()) {
      const QJsonObject table = tableValue.toObject();
      const QString name = table.value("name").toString();
      if (table.contains("error") || table.contains("value_errors") || table.value("rows_truncated").toBool()) continue;
      const std::vector<QString> listed = accessList.items();  // a copy: items() returns by value
      if (std::find(listed.begin(), listed.end(), name) == listed.end()) continue;
      std::vector<QString> types;
      std::vector<std::string> declared;
      for (const auto& c : table.value("columns").toArray()) {
        types.push_back(c.toObject().value("type").toString());
        declared.push_back(DeclaredTypeOf(types.back(), c.toObject().value("size").toInt(),
                                          file.json.value("format").toString() == "Jet3"));
      }
      std::vector<std::string> actualTypes = db.declaredTypes(name.toStdString());
      for (std::size_t c = 0; c < declared.size() && c < actualTypes.size(); ++c)
        if (!declared[c].empty() && actualTypes[c] != "INT")  // INT: a whole-number primary key
          EXPECT_EQ(actualTypes[c], declared[c]) << name.toStdString() << " column " << c;
      std::vector<std::vector<std::string>> expected;
      std::vector<bool> ignored(types.size(), false);
      for (const auto& rowValue : table.value("rows").toArray()) {
        std::vector<std::string> row;
        const QJsonArray values = rowValue.toArray();
        for (int c = 0; c < values.size(); ++c) {
          const auto cell = FaithfulCell(types[c], values[c]);
          if (!cell) ignored[c] = true;
          row.push_back(cell.value_or("?"));
        }
        expected.push_back(std::move(row));
      }
      auto actual = db.rows("SELECT * FROM " + Quoted(name));
      for (auto* rows : {&actual, &expected})
        for (auto& row : *rows)
          for (std::size_t c = 0; c < row.size() && c < ignored.size(); ++c)
            if (ignored[c]) row[c] = "?";
      std::sort(actual.begin(), actual.end());
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(actual, expected) << "table " << name.toStdString();
      ++tables;
      cells += static_cast<int>(expected.size() * types.size());
    }
  }
  EXPECT_GT(tables, 60);
  std::printf("compared %d files, %d tables, %d cells\n", files, tables, cells);
}

TEST_F(FaithfulCorpusTest, KeysIndexesAndRelationshipsOfARealFileArrive) {
  for (const char* file : {"jackcess/V2000/indexTestV2000.mdb", "jackcess/V2007/indexTestV2007.accdb"}) {
    SCOPED_TRACE(file);
    notes.clear();
    RawSQLite db(copyToSQLite(QString::fromLatin1(file), QString(), 0 + (file[10] == '7')));
    EXPECT_TRUE(failures.empty());
    // Table1 refers to Table2 (deletes cascade) and Table3 (updates cascade); the primary keys
    // are plain whole-number keys, not rowids; the relationships' own indexes are not copied.
    EXPECT_EQ(db.rows("SELECT \"table\", \"from\", \"to\", on_update, on_delete FROM pragma_foreign_key_list('Table1') "
                      "ORDER BY \"from\""),
              (std::vector<std::vector<std::string>>{{"t:Table2", "t:otherfk1", "t:id", "t:NO ACTION", "t:CASCADE"},
                                                     {"t:Table3", "t:otherfk2", "t:id", "t:CASCADE", "t:NO ACTION"}}));
    EXPECT_EQ(db.rows("SELECT name, pk FROM pragma_table_info('Table2') ORDER BY cid"),
              (std::vector<std::vector<std::string>>{{"t:id", "i:1"}, {"t:data", "i:0"}}));
    EXPECT_EQ(db.rows("SELECT type FROM pragma_table_info('Table2') WHERE name = 'id'"),
              (std::vector<std::vector<std::string>>{{"t:INT"}}));
    EXPECT_EQ(db.rows("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND (name LIKE '%Table1' OR name LIKE '%.rC')"),
              (std::vector<std::vector<std::string>>{{"i:0"}}));
    // Each table's index on id is copied, under a name SQLite keeps unique.
    EXPECT_EQ(db.rows("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND sql LIKE '%(\"id\")'"),
              (std::vector<std::vector<std::string>>{{"i:3"}}));
    db.exec("PRAGMA foreign_keys = ON");
    db.exec("DELETE FROM Table2 WHERE id = 1");  // cascades to Table1's rows 1 and 2
    EXPECT_EQ(db.rows("SELECT count(*) FROM Table1"), (std::vector<std::vector<std::string>>{{"i:2"}}));
  }
  // A linked table is named with its source, an ODBC link's password left out.
  notes.clear();
  copyToSQLite(QStringLiteral("jackcess/V2007/odbcLinkerTestV2007.accdb"), QString(), 2);
  // (The other note counts the file's hidden queries, kept in _access_queries only.)
  ASSERT_EQ(notes.size(), 2u);
  const auto link = std::find_if(notes.begin(), notes.end(),
                                 [](const std::string& n) { return n.find("linked table") != std::string::npos; });
  ASSERT_NE(link, notes.end());
  EXPECT_NE(link->find("the linked table \"Ordrar\" is not copied: it links to table \"dbo.Ordrar\" of DSN=Magnapinna;"),
            std::string::npos) << *link;
  EXPECT_EQ(link->find("PWD"), std::string::npos) << *link;
}

// The attachments and multiple values of Access-made files arrive in tables of their own,
// each value beside its row's primary key; FileData as Access stores it, which unwraps to the
// file the independent reader gives. The parent column keeps the plain copy's text.
TEST_F(FaithfulCorpusTest, AttachmentsAndMultipleValuesArriveInTablesOfTheirOwn) {
  using Rows = std::vector<std::vector<std::string>>;
  // The parts of the golden's attachments, with the key (the first column) of their row.
  const auto goldenAttachments = [](const QJsonObject& table, int column) {
    Rows rows;
    for (const auto& row : table.value("rows").toArray()) {
      const QJsonArray values = row.toArray();
      for (const auto& file : values[column].toArray()) {
        const QJsonObject f = file.toObject();
        const QJsonValue key = values[0];
        rows.push_back({key.isString() ? "t:" + key.toString().toStdString() : "i:" + std::to_string(key.toInteger()),
                        "t:" + f.value("name").toString().toStdString(), "t:" + f.value("type").toString().toStdString(),
                        f.value("data").toString().mid(4).toStdString()});
      }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  };
  const auto unwrapped = [](RawSQLite& db, const std::string& sql) {
    Rows rows = db.rows(sql);
    for (auto& row : rows) {
      const std::string hex = row.back().substr(2);
      std::vector<uint8_t> stored;
      for (std::size_t i = 0; i + 1 < hex.size(); i += 2) stored.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
      const auto file = jet::ComplexColumns::DecodeAttachmentData(stored);
      EXPECT_TRUE(file.ok()) << file.status().message();
      std::string text;
      for (uint8_t b : file.ok() ? file.value() : std::vector<uint8_t>{}) {
        static const char* digits = "0123456789abcdef";
        text += digits[b >> 4];
        text += digits[b & 15];
      }
      row.back() = text;
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  };
  std::map<QString, QJsonObject> goldens;
  for (const GoldenFile& file : ReadableCorpusFiles()) goldens[file.relative] = file.json;

  // The target has a table of the name already: the attachments' table takes the next one.
  RawSQLite(tempPath(QStringLiteral("faithful0.db"))).exec("CREATE TABLE Table1_Attachments (mine TEXT)");
  notes.clear();
  RawSQLite db(copyToSQLite(QStringLiteral("mdb-reader/V2016/attachments.accdb"), QString(), 0));
  EXPECT_TRUE(failures.empty());
  const QJsonObject table1 = goldens["mdb-reader/V2016/attachments.accdb"].value("tables").toArray()[0].toObject();
  EXPECT_EQ(unwrapped(db, "SELECT ID, FileName, FileType, FileData FROM Table1_Attachments2"), goldenAttachments(table1, 2));
  EXPECT_EQ(db.rows("SELECT \"table\", \"from\", \"to\", on_delete FROM pragma_foreign_key_list('Table1_Attachments2')"),
            (Rows{{"t:Table1", "t:ID", "t:ID", "t:CASCADE"}}));
  EXPECT_EQ(db.rows("SELECT count(*) FROM Table1 WHERE Attachments IS NOT NULL"), (Rows{{"i:2"}}));
  EXPECT_EQ(db.rows("SELECT property, value FROM _access_design WHERE object = 'Table1.Attachments' AND property "
                    "LIKE 'Values%' ORDER BY property"),
            (Rows{{"t:ValuesKind", "t:attachments"}, {"t:ValuesTable", "t:Table1_Attachments2"}}));
  EXPECT_TRUE(db.rows("PRAGMA foreign_key_check").empty());
  // Copied again, the table of the attachments takes the place of its old one; the user's stays.
  {
    dialogs.setDefaultAnswer(app::MessageAnswer::Yes);  // overwrite Table1
    RawSQLite again(copyToSQLite(QStringLiteral("mdb-reader/V2016/attachments.accdb"), QString(), 0));
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(again.rows("SELECT name FROM sqlite_master WHERE name LIKE 'Table1_Attachments%' ORDER BY name"),
              (Rows{{"t:Table1_Attachments"}, {"t:Table1_Attachments2"}}));
    EXPECT_EQ(again.rows("SELECT count(*) FROM Table1_Attachments2"), (Rows{{"i:4"}}));
  }

  // Attachments, multiple values and a version history in one table keyed by a text.
  notes.clear();
  RawSQLite complex(copyToSQLite(QStringLiteral("jackcess/V2007/complexDataTestV2007.accdb"), QString(), 1));
  EXPECT_TRUE(failures.empty());
  const QJsonObject complexTable =
      goldens["jackcess/V2007/complexDataTestV2007.accdb"].value("tables").toArray()[0].toObject();
  EXPECT_EQ(unwrapped(complex, "SELECT id, FileName, FileType, FileData FROM \"Table1_attach-data\""),
            goldenAttachments(complexTable, 5));
  // The independent reader cannot read multiple values; these are its hidden table's rows as
  // mdbtools reads them, each with the id of the row whose key they carry.
  EXPECT_EQ(complex.rows("SELECT id, Value FROM \"Table1_multi-value-data\" ORDER BY id, Value"),
            (Rows{{"t:row2", "t:value1"}, {"t:row2", "t:value4"}, {"t:row3", "t:value1"}, {"t:row3", "t:value2"},
                  {"t:row3", "t:value3"}, {"t:row3", "t:value4"}}));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("column \"VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880\": its values are copied as "
                          "text only"),
            std::string::npos) << notes[0];
}

// Every readable corpus table goes to SQLite and from there into a new Access file, both
// faithfully: the values read back are the values of the source (Date/Time Extended, which
// comes back as Date/Time, aside), and the new file passes the engine's check.
TEST_F(FaithfulCorpusTest, EveryReadableTableComesBackToAccessWithItsValues) {
  int files = 0, tables = 0;
  for (const GoldenFile& file : ReadableCorpusFiles()) {
    SCOPED_TRACE(file.relative.toStdString());
    const QString password = file.json.value("password").toString();
    const QString sqlite = copyToSQLite(file.relative, password, files);
    const QString source = tempPath(QStringLiteral("source%1").arg(files) + file.relative.mid(file.relative.lastIndexOf('.')));
    const std::vector<QString> copied = accessList.items();
    ++files;
    if (copied.empty()) continue;
    const QString back = newAccess(QStringLiteral("back%1.accdb").arg(files));
    accessList.clear();
    sqliteList.clear();
    failures.clear();
    notes.clear();
    useFiles(sqlite, back);
    fillLists();
    selectAll(sqliteList);
    transfer::FaithfulMode mode;
    mode.note = [this](const QString& note) { notes.push_back(note.toStdString()); };
    auto e = env();
    e.faithful = &mode;
    transfer::SendTablesToAccess(e);
    for (const auto& f : failures) ADD_FAILURE() << f.description.toStdString();
    for (const auto& n : notes) {
      // Saved queries of kinds the engine does not write are notes (SavedQueryTest's).
      if (n.rfind("query ", 0) == 0 || n.find("hidden queries") != std::string::npos) continue;
      // The tables of attachments and multiple values come back as tables (AttachmentsAnd...).
      if (n.find("holds the values of the attachment or multi-value column") != std::string::npos) continue;
      ADD_FAILURE() << "note: " << n;
    }
    const auto check = jet::check::CheckDatabase(back.toStdString());
    ASSERT_TRUE(check.ok()) << check.status().message();
    for (const auto& problem : check.value().problems) ADD_FAILURE() << problem;

    for (const QString& table : copied) {
      useFiles(QString(), source, password);
      auto expected = accessRows(source, table);
      std::vector<bool> extended;
      {
        const auto connection = db::OpenAccessConnection(*settings_, db::profiles::kNone, source, password);
        ado::Recordset rs;
        rs.Open("SELECT * FROM `" + table.toStdString() + "`", *connection);
        for (int c = 0; c < rs.Fields().Count(); ++c) extended.push_back(rs.Fields()[c].Type() == ado::adDBTimeStamp);
      }
      useFiles(QString(), back);
      auto actual = accessRows(back, table);
      for (auto* rows : {&expected, &actual})
        for (auto& row : *rows)
          for (std::size_t c = 0; c < row.size() && c < extended.size(); ++c)
            if (extended[c]) row[c] = "?";
      std::sort(expected.begin(), expected.end());
      std::sort(actual.begin(), actual.end());
      EXPECT_EQ(actual, expected) << table.toStdString();
      ++tables;
    }
  }
  EXPECT_GT(tables, 60);
  std::printf("%d tables back in Access\n", tables);
}

}  // namespace
}  // namespace transfer_test
