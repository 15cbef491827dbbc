// The corpus files and their golden dumps, and what the copy to SQLite makes of a golden
// value: shared by the corpus tests of both directions.
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace transfer_test {

struct GoldenFile {
  QString relative;  // path below the corpus folder, e.g. "mdb-reader/V2000/test.mdb"
  QJsonObject json;  // the golden dump
};

// Every corpus file whose golden opened the database, in a stable order.
std::vector<GoldenFile> ReadableCorpusFiles();

// The double as SQLiteValueText writes it ("r:%.17g").
std::string RealCell(double d);

// The SQLite cell (as SQLiteValueText writes it) that the copy to SQLite makes of one golden
// value of a column of that golden type; nothing for a type or value these tests do not follow
// (complex columns, date-times with fractions of a second).
std::optional<std::string> ExpectedSQLiteCell(const QString& goldenType, const QJsonValue& value);

// The SQLite column type the copy declares for a golden column type: INTEGER, NUMERIC or TEXT.
std::string ExpectedSQLiteColumnType(const QString& goldenType);

}  // namespace transfer_test
