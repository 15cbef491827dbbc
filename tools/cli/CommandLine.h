// The arguments of tabloren-cli, parsed into a request or an error message.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace cli {

enum class Command { List, ToSQLite, ToAccess, Help };

struct Request {
  Command command = Command::Help;
  QString source;  // list: the file; to-sqlite: the Access file; to-access: the SQLite file
  QString target;  // the file the tables go to
  QString password;
  std::optional<QStringList> tables;  // --tables; nothing means every listed table
  bool overwrite = false;             // --overwrite yes|no
  bool faithful = false;              // --faithful: schema and exact values (transfer/FaithfulRules.h)
};

// A request, or the message that explains what is wrong with the arguments.
std::variant<Request, QString> ParseCommandLine(const QStringList& arguments);

// The text of --help.
QString HelpText();

}  // namespace cli
