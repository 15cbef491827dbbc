// What a run of tabloren-cli did, for --json: the reporting fills it as the run goes and it is
// printed once, as one JSON object on stdout, when the run ends.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace cli {

struct RunSummary {
  QString command;  // "list", "to-sqlite", "to-access"
  QString source, target;
  QStringList tables;   // list: the tables listed; a copy: the tables copied whole
  QStringList skipped;  // already in the target and left alone (--overwrite no)
  QStringList givenUp;  // given up and undone
  qint64 rows = 0;      // rows of the copied tables, counted in the target afterwards
  QStringList failures;  // every error line, as printed
  QStringList notes;     // what --faithful could not carry over
  int exitStatus = 0;

  QByteArray toJson() const;
};

// The rows the named tables hold in a database file (an SQLite file, or an Access file with its
// password); a table that cannot be counted adds nothing.
qint64 CountRows(const QString& path, bool sqlite, const QString& password, const QStringList& tables);

}  // namespace cli
