// The arguments of tabloren-cli, parsed into a request or an error message. Options follow the
// usual conventions: "--opt value" or "--opt=value", anywhere among the other arguments, and
// "--" ends them (so a file may be named "-x").
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace cli {

enum class Command { List, ToSQLite, ToAccess, Help, Version };

struct Request {
  Command command = Command::Help;
  QString source;  // list: the file; to-sqlite: the Access file; to-access: the SQLite file
  QString target;  // the file the tables go to
  // From --password, --password-file or TABLOREN_PASSWORD, the first of them given.
  QString password;
  bool passwordGiven = false;  // false: a protected file asks for it on a terminal
  std::optional<QStringList> tables;  // --tables; nothing means every listed table
  bool overwrite = false;             // --overwrite yes|no
  bool faithful = false;              // --faithful: schema and exact values (transfer/FaithfulRules.h)
  bool quiet = false;                 // --quiet: errors only
  bool json = false;                  // --json: one summary object on stdout
};

// The environment variable a password may come in, kept out of the process list.
inline constexpr char kPasswordVariable[] = "TABLOREN_PASSWORD";

// A request, or the message that explains what is wrong with the arguments.
std::variant<Request, QString> ParseCommandLine(const QStringList& arguments);

// The text of --help, and of --version ("tabloren-cli 0.1").
QString HelpText();
QString VersionText();

}  // namespace cli
