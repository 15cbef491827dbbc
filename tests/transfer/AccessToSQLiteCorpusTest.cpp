// Every readable table of the corpus goes to SQLite, and every value arrives as the value
// rules say: the expected SQLite values are derived here from the golden dumps.
#include "CorpusGoldens.h"
#include "TransferFixture.h"
#include "transfer/AccessToSQLite.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace transfer_test {
namespace {

class AccessToSQLiteCorpusTest : public TransferTest {};

TEST_F(AccessToSQLiteCorpusTest, EveryReadableTableArrivesWithTheRenderedValues) {
  int filesCompared = 0, tablesCompared = 0, cellsCompared = 0;
  for (const GoldenFile& file : ReadableCorpusFiles()) {
    const QString& relative = file.relative;
    const QJsonObject& golden = file.json;
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

    // Every table gets its lower-cased entry in the SQLite list. items() returns a copy: each
    // search runs over one copy, not from one copy's begin to another's end.
    const std::vector<QString> copied = accessList.items(), listed = sqliteList.items();
    for (const QString& name : copied)
      EXPECT_NE(std::find(listed.begin(), listed.end(), name.toLower()), listed.end()) << name.toStdString();

    RawSQLite db(sqlite);
    for (const QJsonValue& tableValue : golden.value("tables").toArray()) {
      const QJsonObject table = tableValue.toObject();
      const QString name = table.value("name").toString();
      if (table.contains("error") || table.contains("value_errors") || table.value("rows_truncated").toBool()) continue;
      if (std::find(copied.begin(), copied.end(), name) == copied.end()) continue;
      const QJsonArray columns = table.value("columns").toArray();
      std::vector<QString> types;
      for (const auto& c : columns) types.push_back(c.toObject().value("type").toString());
      std::vector<std::vector<std::string>> expected;
      std::vector<bool> ignored(types.size(), false);  // types not followed here, fractional seconds
      for (const auto& rowValue : table.value("rows").toArray()) {
        std::vector<std::string> row;
        const QJsonArray cells = rowValue.toArray();
        for (int c = 0; c < cells.size(); ++c) {
          const auto cell = ExpectedSQLiteCell(types[c], cells[c]);
          if (!cell) ignored[c] = true;
          row.push_back(cell.value_or("?"));
        }
        expected.push_back(std::move(row));
      }
      for (std::size_t c = 0; c < types.size(); ++c)
        if (!ExpectedSQLiteCell(types[c], QJsonValue(0))) ignored[c] = true;
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
