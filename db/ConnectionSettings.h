// The current connection settings: the SQLite path, the Access path and the Access password
// as the connection window holds them in its three text boxes. They are read at the moment a
// connection string is built, never cached, so what the user just typed applies.
#pragma once

#include <QString>

namespace db {

class ConnectionSettings {
 public:
  virtual ~ConnectionSettings() = default;
  virtual QString sqlitePath() const = 0;
  virtual QString accessPath() const = 0;
  virtual QString accessPassword() const = 0;
};

// Settings held as plain values (tests, and the batch command).
class FixedConnectionSettings : public ConnectionSettings {
 public:
  FixedConnectionSettings(QString sqlite, QString access, QString password)
      : sqlite_(std::move(sqlite)), access_(std::move(access)), password_(std::move(password)) {}
  QString sqlitePath() const override { return sqlite_; }
  QString accessPath() const override { return access_; }
  QString accessPassword() const override { return password_; }

 private:
  QString sqlite_, access_, password_;
};

}  // namespace db
