// What the transfer tests share: a temporary folder with copies of corpus files and fresh
// SQLite files, the environment of a run (in-memory lists, scripted dialogs, a recorded
// pointer and progress bar), and reading SQLite values back.
#pragma once

#include "app/MemoryTableList.h"
#include "ado/Variant.h"
#include "app/ScriptedDialogs.h"
#include "db/ConnectionSettings.h"
#include "transfer/TransferEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

namespace transfer_test {

inline QString CorpusFile(const QString& relative) {
  return QStringLiteral(TABLOREN_TEST_DATA_DIR "/") + relative;
}

class RecordedPointer : public app::PointerHost {
 public:
  app::PointerState pointer() const override { return state; }
  void setPointer(app::PointerState s) override {
    state = s;
    history.push_back(s);
  }
  app::PointerState state = app::PointerState::Default;
  std::vector<app::PointerState> history;
};

class RecordedProgress : public transfer::ProgressSink {
 public:
  void setPercent(double percent) override { values.push_back(percent); }
  void reset(const QString& c) override {
    ++resets;
    caption = c;
  }
  std::vector<double> values;
  int resets = 0;
  QString caption;
};

// One SQLite value as text for comparisons: NULL, i:<integer>, r:<real>, t:<text>, b:<hex>.
std::string SQLiteValueText(sqlite3_stmt* statement, int column);

// Opens an SQLite file directly (not through the program's layers).
class RawSQLite {
 public:
  explicit RawSQLite(const QString& path);
  ~RawSQLite();
  void exec(const std::string& sql);
  // Every row of a query, each value as SQLiteValueText.
  std::vector<std::vector<std::string>> rows(const std::string& sql);
  // The declared column types of a table, in column order.
  std::vector<std::string> declaredTypes(const std::string& table);
  sqlite3* handle() { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// One value read from Access as text for comparisons: NULL, b:<hex> for bytes, else its text.
std::string AccessValueText(const ado::Variant& value);

class TransferTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.isValid()); }

  QString tempPath(const QString& name) const { return temp_.filePath(name); }
  // A writable copy of a corpus file.
  QString copyCorpus(const QString& relative, const QString& as = QString());
  // A new, empty Access database of the format its extension names (.mdb or .accdb).
  QString newAccess(const QString& name);
  // A new SQLite file with these statements run in it.
  QString newSQLite(const QString& name, const std::vector<std::string>& statements = {});

  void useFiles(const QString& sqlite, const QString& access, const QString& password = QString()) {
    settings_ = std::make_unique<db::FixedConnectionSettings>(sqlite, access, password);
  }
  // Both lists filled from the databases, as "Next >" does (a list whose path is empty is left alone).
  void fillLists();
  void selectAll(app::TableList& list) {
    for (int i = 0; i < list.count(); ++i) list.setSelected(i, true);
    if (list.count() > 0) list.setCurrentIndex(0);
  }
  void select(app::TableList& list, const QString& name);
  // A faithful copy (tabloren-cli --faithful) of every table of the source's list, its notes
  // added to `notes`.
  void faithfulCopyAll(bool toAccess, std::vector<std::string>& notes);

  transfer::TransferEnvironment env() {
    transfer::TransferEnvironment e{*settings_, dialogs, accessList, sqliteList, pointer, progress};
    e.yield = [this] { ++yields; };
    e.onFailure = [this](const transfer::StatementFailure& f) { failures.push_back(f); };
    return e;
  }
  // Every row of an Access table, read through the program's own Access connection (with
  // the password of useFiles()), each value as AccessValueText; and the table's field names.
  std::vector<std::vector<std::string>> accessRows(const QString& path, const QString& table);
  std::vector<std::string> accessFieldNames(const QString& path, const QString& table);
  // The texts of the "Application Error" boxes shown.
  QStringList errorBoxes() const;

  app::MemoryTableList accessList, sqliteList;
  app::ScriptedDialogs dialogs;
  RecordedPointer pointer;
  RecordedProgress progress;
  std::vector<transfer::StatementFailure> failures;
  long long yields = 0;
  std::unique_ptr<db::FixedConnectionSettings> settings_;

 private:
  QTemporaryDir temp_;
};

}  // namespace transfer_test
