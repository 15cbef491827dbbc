// Every readable table of the corpus goes to SQLite, and every value arrives as the value
// rules say: the expected SQLite values are derived here from the golden dumps.
#include "TransferFixture.h"
#include "transfer/AccessToSQLite.h"
#include "transfer/DateText.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace transfer_test {
namespace {

std::string Real(double d) {
  char text[64];
  std::snprintf(text, sizeof text, "r:%.17g", d);
  return text;
}

// What SQLite holds after a numeric text went into a NUMERIC or INTEGER column.
std::string NumericCell(const std::string& text) {
  long long integer = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), integer);
  if (result.ec == std::errc() && result.ptr == text.data() + text.size()) return "i:" + std::to_string(integer);
  const double d = std::strtod(text.c_str(), nullptr);
  if (d == std::floor(d) && std::fabs(d) < 9.2e18) return "i:" + std::to_string(static_cast<long long>(d));
  return Real(d);
}

// "YYYY-MM-DDTHH:MM:SS[.fff]" to the form the copy writes.
std::string DateCell(const std::string& iso) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%d.%d", &y, &mo, &d, &h, &mi, &s, &ms);
  char text[40];
  if (h == 0 && mi == 0 && s == 0)
    std::snprintf(text, sizeof text, "t:%02d/%02d/%04d", mo, d, y);
  else
    std::snprintf(text, sizeof text, "t:%02d/%02d/%04d %02d:%02d:%02d", mo, d, y, h, mi, s);
  return text;
}

// The expected cell for one golden value of a column type as the golden names it; nothing
// for a type this test does not follow.
std::optional<std::string> ExpectedCell(const QString& type, const QJsonValue& value) {
  if (value.isNull()) return "NULL";
  if (type == "boolean") return value.toBool() ? "i:1" : "i:0";
  if (type == "byte" || type == "integer" || type == "long") return "i:" + std::to_string(value.toInteger());
  if (type == "bigint" || type == "currency" || type == "numeric") return NumericCell(value.toString().toStdString());
  if (type == "double") return NumericCell([&] {
      char t[64];
      const auto r = std::to_chars(t, t + sizeof t, value.toDouble());
      return std::string(t, r.ptr);
    }());
  if (type == "float") {
    char t[64];
    const auto r = std::to_chars(t, t + sizeof t, static_cast<float>(value.toDouble()));
    return "t:" + std::string(t, r.ptr);
  }
  if (type == "datetime") {
    const std::string iso = value.toString().toStdString();
    if (iso.size() > 19) return std::nullopt;  // fractions of a second: rounding not followed here
    if (iso.rfind("1899-12-30T", 0) == 0 && iso != "1899-12-30T00:00:00") return "t:12/30/1899 " + iso.substr(11);
    return DateCell(iso);
  }
  if (type == "text" || type == "memo") {
    const std::string text = value.toString().toStdString();
    if (text.empty()) return "NULL";
    if (const auto date = transfer::RecogniseDateText(text)) return "t:" + transfer::FormatDateTime(*date);
    return "t:" + text;
  }
  if (type == "binary" || type == "ole") return "b:" + value.toString().mid(4).toStdString();
  if (type == "repid") return "t:{" + value.toString().toUpper().toStdString() + "}";
  return std::nullopt;
}

class AccessToSQLiteCorpusTest : public TransferTest {};

TEST_F(AccessToSQLiteCorpusTest, EveryReadableTableArrivesWithTheRenderedValues) {
  QDirIterator files(SharedFile(QStringLiteral("corpus")), {QStringLiteral("*.json")}, QDir::Files,
                     QDirIterator::Subdirectories);
  int filesCompared = 0, tablesCompared = 0, cellsCompared = 0;
  while (files.hasNext()) {
    const QString goldenPath = files.next();
    QFile goldenFile(goldenPath);
    ASSERT_TRUE(goldenFile.open(QIODevice::ReadOnly));
    const QJsonObject golden = QJsonDocument::fromJson(goldenFile.readAll()).object();
    if (golden.contains("error")) continue;
    QString relative = goldenPath.mid(SharedFile(QStringLiteral("corpus/")).size());
    relative.chop(5);  // ".json"
    SCOPED_TRACE(relative.toStdString());

    accessList.clear();
    sqliteList.clear();
    dialogs.clearShown();
    const QString access = copyCorpus(relative, QStringLiteral("source") + relative.mid(relative.lastIndexOf('.')));
    const QString sqlite = tempPath(QStringLiteral("target%1.db").arg(filesCompared));
    newSQLite(QFileInfo(sqlite).fileName());
    useFiles(sqlite, access, golden.value("password").toString());
    fillLists();
    if (accessList.count() == 0) continue;
    selectAll(accessList);
    auto e = env();
    transfer::SendTablesToSQLite(e);
    ++filesCompared;

    // Every table gets its lower-cased entry in the SQLite list.
    for (const QString& name : accessList.items())
      EXPECT_NE(std::find(sqliteList.items().begin(), sqliteList.items().end(), name.toLower()),
                sqliteList.items().end()) << name.toStdString();

    RawSQLite db(sqlite);
    for (const QJsonValue& tableValue : golden.value("tables").toArray()) {
      const QJsonObject table = tableValue.toObject();
      const QString name = table.value("name").toString();
      if (table.contains("error") || table.contains("value_errors") || table.value("rows_truncated").toBool()) continue;
      if (std::find(accessList.items().begin(), accessList.items().end(), name) == accessList.items().end()) continue;
      const QJsonArray columns = table.value("columns").toArray();
      std::vector<QString> types;
      for (const auto& c : columns) types.push_back(c.toObject().value("type").toString());
      std::vector<std::vector<std::string>> expected;
      std::vector<bool> ignored(types.size(), false);  // types not followed here, fractional seconds
      for (const auto& rowValue : table.value("rows").toArray()) {
        std::vector<std::string> row;
        const QJsonArray cells = rowValue.toArray();
        for (int c = 0; c < cells.size(); ++c) {
          const auto cell = ExpectedCell(types[c], cells[c]);
          if (!cell) ignored[c] = true;
          row.push_back(cell.value_or("?"));
        }
        expected.push_back(std::move(row));
      }
      for (std::size_t c = 0; c < types.size(); ++c)
        if (!ExpectedCell(types[c], QJsonValue(0))) ignored[c] = true;
      std::string quoted = "\"";
      for (const QChar ch : name) {
        quoted += QString(ch).toStdString();
        if (ch == '"') quoted += '"';
      }
      quoted += '"';
      auto actual = db.rows("SELECT * FROM " + quoted);
      // Ignored columns are left out of the comparison on both sides.
      for (auto* rows : {&actual, &expected})
        for (auto& row : *rows)
          for (std::size_t c = 0; c < row.size() && c < types.size(); ++c)
            if (ignored[c]) row[c] = "?";
      // Overflow rows may come in another physical order: compare as multisets.
      std::sort(actual.begin(), actual.end());
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(actual, expected) << "table " << name.toStdString();
      ++tablesCompared;
      cellsCompared += static_cast<int>(expected.size() * types.size());
    }
  }
  EXPECT_GT(filesCompared, 40);
  EXPECT_GT(tablesCompared, 60);
  std::printf("compared %d files, %d tables, %d cells\n", filesCompared, tablesCompared, cellsCompared);
}

}  // namespace
}  // namespace transfer_test
