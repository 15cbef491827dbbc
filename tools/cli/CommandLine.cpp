#include "tools/cli/CommandLine.h"

#include "app/CommandLineErrors.h"
#include "app/Files.h"

#include <QCommandLineParser>
#include <QFile>

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
      "Options (\"--opt value\" or \"--opt=value\", anywhere; \"--\" ends them):\n"
      "  --password P        the Access database password. A new .mdb target is created with it as its\n"
      "                      database password, a new .accdb encrypted with it (AES-256). Other users\n"
      "                      may see it in the process list: prefer one of the next two.\n"
      "  --password-file F   the password is the first line of the file F.\n"
      "                      Without either, the variable TABLOREN_PASSWORD holds it if set; and when a\n"
      "                      protected file is opened without any, it is asked for on the terminal.\n"
      "  --tables A,B        only these tables of the source (names as listed; a name not listed is an\n"
      "                      error). Without it every listed table is copied.\n"
      "  --overwrite yes|no  whether a table that exists in the target is dropped and copied afresh\n"
      "                      (yes) or left alone and skipped (no, the default).\n"
      "  --faithful          copy the design and the exact values (see below) instead of the tables\n"
      "                      window's column types and value texts.\n"
      "  -q, --quiet         print errors only (no answered questions, notes or progress).\n"
      "  --json              print one JSON object on stdout when the run ends: command, source,\n"
      "                      target, tables (copied or listed), tables_copied, rows, skipped,\n"
      "                      given_up, failures, notes, exit_status.\n"
      "  -h, --help          this text.\n"
      "  -V, --version       the program's name and version.\n"
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
      "Validation rules of columns and tables become CHECK constraints where they translate.\n"
      "What cannot be carried over (other validation rules, calculated columns copied as values, defaults\n"
      "that are expressions, partial or expression indexes, ...) is printed on stderr as a note, one a line.\n"
      "What SQLite has no place for goes to its table _access_design(object, property, value): the\n"
      "Access type, validation rules, expression defaults and calculated columns' expressions of each\n"
      "\"table.column\", the Access name of each renamed index \"table.index\" (an index whose name\n"
      "SQLite has taken becomes table_index), the name of each relationship \"table.col1,col2->other\"\n"
      "and of each primary key not named PrimaryKey and the validation rule of each table \"table\".\n"
      "The copy back to Access reads it: rules and calculated columns (in .accdb files) come back.\n"
      "A relationship Access cannot make is a failure (exit status 1).\n"
      "\n"
      "FILE is a file name: \"-\" (standard input or output) is refused; write ./- for a file named \"-\".\n"
      "A target that cannot be written (permission denied, read-only file system, a folder without\n"
      "room for the journal) is said once, before any table.\n"
      "\n"
      "Exit status: 0 when every statement succeeded; 1 when any failed; 2 for wrong arguments or a\n"
      "file that cannot be used.\n");
}

QString VersionText() { return QStringLiteral("tabloren-cli %1\n").arg(QString::fromLatin1(TABLOREN_VERSION)); }

namespace {

// Reads the first line of a password file, without its line end, into password; the reason
// when it cannot be read.
std::optional<QString> ReadPasswordFile(const QString& path, QString& password) {
  if (path == QLatin1String("-")) return app::DashIsNoFile();
  if (const auto reason = app::WhyNotReadable(path))
    return QStringLiteral("the password file \"%1\" %2").arg(path, *reason);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return QStringLiteral("the password file \"%1\" cannot be read: %2").arg(path, file.errorString());
  QByteArray line = file.readLine();
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  password = QString::fromUtf8(line);
  return std::nullopt;
}

}  // namespace

std::variant<Request, QString> ParseCommandLine(const QStringList& arguments) {
  const QString see = QStringLiteral(" (see tabloren-cli --help)");
  QCommandLineParser parser;
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption version(QStringList{QStringLiteral("V"), QStringLiteral("version")});
  const QCommandLineOption password(QStringLiteral("password"), QString(), QStringLiteral("P"));
  const QCommandLineOption passwordFile(QStringLiteral("password-file"), QString(), QStringLiteral("FILE"));
  const QCommandLineOption tables(QStringLiteral("tables"), QString(), QStringLiteral("A,B"));
  const QCommandLineOption overwrite(QStringLiteral("overwrite"), QString(), QStringLiteral("yes|no"));
  const QCommandLineOption faithful(QStringLiteral("faithful"));
  const QCommandLineOption quiet(QStringList{QStringLiteral("q"), QStringLiteral("quiet")});
  const QCommandLineOption json(QStringLiteral("json"));
  parser.addOptions({help, version, password, passwordFile, tables, overwrite, faithful, quiet, json});
  if (!parser.parse(QStringList{QStringLiteral("tabloren-cli")} + arguments))
    return app::ArgumentError(parser, QStringLiteral("tabloren-cli"));

  Request request;
  if (parser.isSet(help)) return request;
  if (parser.isSet(version)) {
    request.command = Command::Version;
    return request;
  }
  for (const QCommandLineOption* once : {&password, &passwordFile, &tables, &overwrite}) {
    if (parser.values(*once).size() > 1) return QStringLiteral("--%1 is given twice").arg(once->names().first()) + see;
  }
  if (parser.isSet(password) && parser.isSet(passwordFile))
    return QStringLiteral("--password and --password-file both give the password; use one") + see;
  if (parser.isSet(password)) {
    request.password = parser.value(password);
    request.passwordGiven = true;
  } else if (parser.isSet(passwordFile)) {
    if (const auto error = ReadPasswordFile(parser.value(passwordFile), request.password)) return *error;
    request.passwordGiven = true;
  } else if (qEnvironmentVariableIsSet(kPasswordVariable)) {
    request.password = qEnvironmentVariable(kPasswordVariable);
    request.passwordGiven = true;
  }
  if (parser.isSet(tables)) {
    request.tables = parser.value(tables).split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (request.tables->isEmpty()) return QStringLiteral("--tables names no table") + see;
  }
  if (parser.isSet(overwrite)) {
    const QString answer = parser.value(overwrite).toLower();
    if (answer != QLatin1String("yes") && answer != QLatin1String("no"))
      return QStringLiteral("--overwrite takes yes or no, not \"%1\"").arg(parser.value(overwrite)) + see;
    request.overwrite = answer == QLatin1String("yes");
  }
  request.faithful = parser.isSet(faithful);
  request.quiet = parser.isSet(quiet);
  request.json = parser.isSet(json);

  QStringList positional = parser.positionalArguments();
  if (positional.isEmpty()) return QStringLiteral("no command given") + see;
  const QString command = positional.takeFirst();
  if (positional.contains(QStringLiteral("-"))) return app::DashIsNoFile();
  if (command == QLatin1String("list")) {
    if (positional.size() != 1) return QStringLiteral("list takes one FILE") + see;
    if (request.tables) return QStringLiteral("list takes no --tables") + see;
    if (request.faithful) return QStringLiteral("list takes no --faithful") + see;
    request.command = Command::List;
    request.source = positional[0];
    return request;
  }
  if (command == QLatin1String("to-sqlite") || command == QLatin1String("to-access")) {
    if (positional.size() != 2) return QStringLiteral("%1 takes a source FILE and a target FILE").arg(command) + see;
    request.command = command == QLatin1String("to-sqlite") ? Command::ToSQLite : Command::ToAccess;
    request.source = positional[0];
    request.target = positional[1];
    return request;
  }
  return QStringLiteral("unknown command \"%1\"").arg(command) + see;
}

}  // namespace cli
