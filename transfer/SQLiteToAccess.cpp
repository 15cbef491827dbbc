#include "transfer/SQLiteToAccess.h"

#include "transfer/AccessColumns.h"
#include "transfer/FaithfulCopy.h"
#include "transfer/SqlNames.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace transfer {

namespace {

// CREATE TABLE `t`(`a` TEXT,`b` INT); and INSERT INTO `t` VALUES(...).
class AccessTableStatements : public TableStatements {
 public:
  explicit AccessTableStatements(const QString& name)
      : quotedTable_(AccessQuoted(name)), create_("CREATE TABLE " + quotedTable_ + "(") {}

  void addColumn(const ado::Field& field, int) override {
    // The opening back-quote here, the closing one in the type piece.
    std::string quotedField = AccessQuoted(QString::fromStdString(field.Name()));
    quotedField.pop_back();
    create_ += quotedField;
    create_ += ClassifyForAccess(static_cast<std::int16_t>(field.Type()));
  }

  std::vector<std::string> createStatements() override {
    std::string create = create_;
    create.pop_back();  // the trailing comma
    create += ");";
    return {std::move(create)};
  }

  std::string insertStart() const override { return "INSERT INTO " + quotedTable_ + " VALUES("; }

  RowsAhead::ValueRule valueRule() const override {
    return [](ado::Variant&& value, int) { return AccessValue(std::move(value)); };
  }

 private:
  const std::string quotedTable_;
  std::string create_;
};

}  // namespace

app::Label SQLiteToAccessDirection::label() const {
  return app::Label(QStringLiteral("Form2"), QStringLiteral("PushButton4_Click"));
}

QString SQLiteToAccessDirection::nothingSelectedMessage() const {
  return QStringLiteral("Please select a table to send.");
}

const db::ConnectionProfile& SQLiteToAccessDirection::sqliteProfile() const {
  return db::profiles::kSQLiteToAccessSQLiteSide;
}

const db::ConnectionProfile& SQLiteToAccessDirection::accessProfile() const {
  return db::profiles::kSQLiteToAccessAccessSide;
}

std::string SQLiteToAccessDirection::dropStatement(const QString& name) const {
  return "DROP TABLE " + AccessQuoted(name);
}

void SQLiteToAccessDirection::openSource(ado::Recordset& source, ado::Connection& connection,
                                         const QString& name) const {
  source.Open("SELECT * FROM " + SQLiteBracketed(name), connection);
}

std::unique_ptr<TableStatements> SQLiteToAccessDirection::beginTable(const QString& name, ado::Connection&) {
  return std::make_unique<AccessTableStatements>(name);
}

void SendTablesToAccess(TransferEnvironment& env) {
  if (env.faithful) {
    FaithfulToAccessDirection faithful(env, *env.faithful);
    RunTableCopy(env, faithful);
    return;
  }
  SQLiteToAccessDirection direction;
  RunTableCopy(env, direction);
}

}  // namespace transfer
