#include "tools/cli/CommandLine.h"

namespace cli {

QString HelpText() {
  return QStringLiteral(
      "tabloren-cli: copy tables between an Access database and an SQLite database from scripts.\n"
      "\n"
      "  tabloren-cli list FILE [--password P]\n"
      "      Prints the tables the tables window would list for FILE, one a line, sorted.\n"
      "      FILE is an SQLite database when it starts like one, an Access database otherwise.\n"
      "  tabloren-cli to-sqlite ACCESS_FILE SQLITE_FILE [--password P] [--tables A,B] [--overwrite yes|no]\n"
      "      Copies tables of the Access database into the SQLite database.\n"
      "  tabloren-cli to-access SQLITE_FILE ACCESS_FILE [--password P] [--tables A,B] [--overwrite yes|no]\n"
      "      Copies tables of the SQLite database into the Access database.\n"
      "\n"
      "Options:\n"
      "  --password P        the Access database password. A new .mdb target is created with it as its\n"
      "                      database password, a new .accdb encrypted with it (AES-256).\n"
      "  --tables A,B        only these tables of the source (names as listed; a name not listed is an\n"
      "                      error). Without it every listed table is copied.\n"
      "  --overwrite yes|no  whether a table that exists in the target is dropped and copied afresh\n"
      "                      (yes) or left alone and skipped (no, the default).\n"
      "  --help              this text.\n"
      "\n"
      "A missing target file is created: an empty SQLite database, or a new Access database whose format\n"
      "follows the extension (.mdb: Access 2000, .accdb: Access 2007). The source is read first, and a\n"
      "target made by the run is removed again when the run ends with no table written to it.\n"
      "Tables are copied from the last listed to the first, exactly as the tables window does: the same\n"
      "column types and value texts, one transaction per table. Every failed statement is printed on\n"
      "stderr with its table, its source row and the database's message, and the copy goes on.\n"
      "A progress bar is drawn on stderr when stderr is a terminal.\n"
      "\n"
      "Exit status: 0 when every statement succeeded; 1 when any failed; 2 for wrong arguments or a\n"
      "file that cannot be used.\n");
}

std::variant<Request, QString> ParseCommandLine(const QStringList& arguments) {
  Request request;
  QStringList positional;
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    auto value = [&](QString& out) -> bool {
      if (i + 1 >= arguments.size()) return false;
      out = arguments[++i];
      return true;
    };
    if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
      request.command = Command::Help;
      return request;
    } else if (argument == QLatin1String("--password")) {
      if (!value(request.password)) return QStringLiteral("--password needs a value.");
    } else if (argument == QLatin1String("--tables")) {
      QString list;
      if (!value(list)) return QStringLiteral("--tables needs a comma-separated list of table names.");
      request.tables = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
      if (request.tables->isEmpty()) return QStringLiteral("--tables names no table.");
    } else if (argument == QLatin1String("--overwrite")) {
      QString answer;
      if (!value(answer)) return QStringLiteral("--overwrite needs yes or no.");
      answer = answer.toLower();
      if (answer != QLatin1String("yes") && answer != QLatin1String("no"))
        return QStringLiteral("--overwrite takes yes or no, not \"%1\".").arg(answer);
      request.overwrite = answer == QLatin1String("yes");
    } else if (argument.startsWith(QLatin1String("--"))) {
      return QStringLiteral("Unknown option %1 (see --help).").arg(argument);
    } else {
      positional.append(argument);
    }
  }
  if (positional.isEmpty()) return QStringLiteral("No command given (see --help).");
  const QString command = positional.takeFirst();
  if (command == QLatin1String("list")) {
    if (positional.size() != 1) return QStringLiteral("list takes one FILE.");
    if (request.tables) return QStringLiteral("list takes no --tables.");
    request.command = Command::List;
    request.source = positional[0];
    return request;
  }
  if (command == QLatin1String("to-sqlite") || command == QLatin1String("to-access")) {
    if (positional.size() != 2) return QStringLiteral("%1 takes a source FILE and a target FILE.").arg(command);
    request.command = command == QLatin1String("to-sqlite") ? Command::ToSQLite : Command::ToAccess;
    request.source = positional[0];
    request.target = positional[1];
    return request;
  }
  return QStringLiteral("Unknown command \"%1\" (see --help).").arg(command);
}

}  // namespace cli
