#include "transfer/AccessToSQLite.h"

#include "transfer/SQLiteColumns.h"
#include "transfer/FaithfulCopy.h"
#include "transfer/SqlNames.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace transfer {

namespace {

// CREATE TABLE "t"("a" TEXT,"b" INTEGER) and INSERT INTO "t" VALUES(...), each value bare
// when its column is numeric.
class SQLiteTableStatements : public TableStatements {
 public:
  explicit SQLiteTableStatements(const QString& name)
      : quotedTable_(SQLiteQuoted(name)), create_("CREATE TABLE " + quotedTable_ + "(") {}

  void addColumn(const ado::Field& field, int position) override {
    const SQLiteColumnClass kind = ClassifyForSQLite(static_cast<std::int16_t>(field.Type()));
    create_ += SQLiteQuoted(QString::fromStdString(field.Name()));
    create_ += kind.piece;
    numeric_.resize(position + 1, 0);
    numeric_[position] = kind.numeric;
  }

  std::vector<std::string> createStatements() override {
    std::string create = create_;
    create.pop_back();  // the trailing comma
    create += ')';
    return {std::move(create)};
  }

  std::string insertStart() const override { return "INSERT INTO " + quotedTable_ + " VALUES("; }

  RowsAhead::ValueRule valueRule() const override {
    return [numeric = &numeric_](ado::Variant&& value, int field) {
      return SQLiteValue(std::move(value), field < static_cast<int>(numeric->size()) && (*numeric)[field]);
    };
  }
  // Reading Access (decoding texts and long values) costs more than SQLite's inserts: the
  // rule's share goes to the thread that inserts.
  RowsAhead::RuleThread valueRuleThread() const override { return RowsAhead::RuleThread::kTaking; }

 private:
  const std::string quotedTable_;
  std::string create_;
  std::vector<char> numeric_;  // per field position: written as a bare number
};

}  // namespace

app::Label AccessToSQLiteDirection::label() const {
  return app::Label(QStringLiteral("Form2"), QStringLiteral("PushButton3_Click"));
}

QString AccessToSQLiteDirection::nothingSelectedMessage() const { return QStringLiteral("Please select a table"); }

const db::ConnectionProfile& AccessToSQLiteDirection::sqliteProfile() const {
  return db::profiles::kAccessToSQLiteSQLiteSide;
}

const db::ConnectionProfile& AccessToSQLiteDirection::accessProfile() const {
  return db::profiles::kAccessToSQLiteAccessSide;
}

std::string AccessToSQLiteDirection::dropStatement(const QString& name) const {
  return "DROP TABLE " + SQLiteQuoted(name);
}

void AccessToSQLiteDirection::openSource(ado::Recordset& source, ado::Connection& connection,
                                         const QString& name) const {
  source.Open("SELECT * FROM " + AccessQuoted(name), connection, ado::adOpenStatic, ado::adLockOptimistic);
}

std::unique_ptr<TableStatements> AccessToSQLiteDirection::beginTable(const QString& name, ado::Connection&) {
  return std::make_unique<SQLiteTableStatements>(name);
}

void SendTablesToSQLite(TransferEnvironment& env) {
  if (env.faithful) {
    FaithfulToSQLiteDirection faithful(env, *env.faithful);
    RunTableCopy(env, faithful);
    return;
  }
  AccessToSQLiteDirection direction;
  RunTableCopy(env, direction);
}

}  // namespace transfer
