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
      "                        [--faithful]\n"
      "      Copies tables of the Access database into the SQLite database.\n"
      "  tabloren-cli to-access SQLITE_FILE ACCESS_FILE [--password P] [--tables A,B] [--overwrite yes|no]\n"
      "                        [--faithful]\n"
      "      Copies tables of the SQLite database into the Access database.\n"
      "\n"
      "Options:\n"
      "  --password P        the Access database password. A new .mdb target is created with it as its\n"
      "                      database password, a new .accdb encrypted with it (AES-256).\n"
      "  --tables A,B        only these tables of the source (names as listed; a name not listed is an\n"
      "                      error). Without it every listed table is copied.\n"
      "  --overwrite yes|no  whether a table that exists in the target is dropped and copied afresh\n"
      "                      (yes) or left alone and skipped (no, the default).\n"
      "  --faithful          copy the design and the exact values (see below) instead of the tables\n"
      "                      window's column types and value texts.\n"
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
      "With --faithful each table keeps its design: primary key, NOT NULL, defaults that are plain\n"
      "values, unique and other indexes (column order and DESC kept), and relationships as foreign keys\n"
      "with their cascades (made after every table is copied). Values keep every digit and byte:\n"
      "  Access                         SQLite (declared type)     value\n"
      "  Byte, Integer, Long, BigInt    INTEGER                    the number\n"
      "  AutoNumber primary key         INTEGER PRIMARY KEY        the number, kept\n"
      "  Single, Double                 REAL                       the number\n"
      "  Currency                       DECIMAL_TEXT(19,4)         every digit, as text\n"
      "  Decimal(p,s)                   DECIMAL_TEXT(p,s)          every digit, as text (a NUMERIC or\n"
      "                                                            DECIMAL type keeps only 15 digits)\n"
      "  Yes/No                         BOOLEAN, CHECK (c IN (0,1)) 0 or 1\n"
      "  Date/Time                      DATETIME                   'YYYY-MM-DD HH:MM:SS'\n"
      "  Date/Time Extended             DATETIME2(7)               'YYYY-MM-DD HH:MM:SS.fffffff'\n"
      "  Text(n), Memo                  VARCHAR(n), TEXT           the text ('' stays '')\n"
      "  Binary(n), OLE Object          VARBINARY(n), BLOB         the bytes\n"
      "  Replication ID                 GUID                       '{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}'\n"
      "  Attachment, multiple values    TEXT                       the readable form of the plain copy\n"
      "Back to Access: INTEGER PRIMARY KEY -> AutoNumber primary key (values kept), other integers ->\n"
      "Long Integer (Double, with a note, for values beyond it), REAL/FLOAT/DOUBLE -> Double, BOOLEAN ->\n"
      "Yes/No, DATE/DATETIME/TIMESTAMP holding ISO texts -> Date/Time, DECIMAL_TEXT/NUMERIC/DECIMAL(p,s) ->\n"
      "Decimal(p,s) (Currency for (19,4)), VARCHAR(n) with n <= 255 -> Text(n), other texts -> Memo,\n"
      "BLOB -> OLE Object, VARBINARY(n) -> Binary(n), GUID -> Replication ID.\n"
      "What cannot be carried over (validation rules, calculated columns copied as values, defaults that\n"
      "are expressions, partial or expression indexes, ...) is printed on stderr as a note, one a line.\n"
      "What SQLite has no place for goes to its table _access_design(object, property, value): the\n"
      "Access type, validation rules, expression defaults and calculated columns' expressions of each\n"
      "\"table.column\", the Access name of each renamed index \"table.index\" (an index whose name\n"
      "SQLite has taken becomes table_index), the name of each relationship \"table.col1,col2->other\"\n"
      "and of each primary key not named PrimaryKey \"table\".\n"
      "The copy back to Access reads it. A relationship Access cannot make is a failure (exit status 1).\n"
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
    } else if (argument == QLatin1String("--faithful")) {
      request.faithful = true;
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
    if (request.faithful) return QStringLiteral("list takes no --faithful.");
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
