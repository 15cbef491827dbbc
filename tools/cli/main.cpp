// tabloren-cli: the batch command. It runs the tables window's copies on in-memory lists
// with scripted dialogs: the overwrite question is answered by --overwrite, every failure
// becomes a line on stderr (Report.h).
#include "ado/access/AccessProvider.h"
#include "app/Files.h"
#include "app/MemoryTableList.h"
#include "app/ScriptedDialogs.h"
#include "db/Access.h"
#include "db/Connections.h"
#include "db/SQLite.h"
#include "jet/DateSerial.h"
#include "jet/create/NewDatabase.h"
#include "tools/cli/CommandLine.h"
#include "tools/cli/Password.h"
#include "tools/cli/Report.h"
#include "tools/cli/RunSummary.h"
#include "tools/cli/TerminalProgress.h"
#include "transfer/AccessToSQLite.h"
#include "transfer/FaithfulCopy.h"
#include "transfer/SQLiteToAccess.h"

#include <QFile>
#include <QFileInfo>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace {

constexpr int kExitFailedStatements = 1;
constexpr int kExitUsage = 2;

// What the run did, for --json; the error lines are recorded as they are printed.
cli::RunSummary summary;
bool quiet = false;  // --quiet: only errors are printed

void PrintError(const QString& text) {
  summary.failures.append(text);
  std::fprintf(stderr, "tabloren-cli: %s\n", text.toLocal8Bit().constData());
}

// A line that is not an error: an answered question, a note, a file removed again.
void PrintInfo(const QString& text) {
  if (!quiet) std::fprintf(stderr, "tabloren-cli: %s\n", text.toLocal8Bit().constData());
}

// Names a source file that cannot be read and why; false when it can.
bool SourceUnreadable(const QString& what, const QString& path) {
  const auto reason = app::WhyNotReadable(path);
  if (reason) PrintError(QStringLiteral("%1 \"%2\" %3.").arg(what, path, *reason));
  return reason.has_value();
}

class NoPointer : public app::PointerHost {
 public:
  app::PointerState pointer() const override { return state_; }
  void setPointer(app::PointerState state) override { state_ = state; }

 private:
  app::PointerState state_ = app::PointerState::Default;
};

// An SQLite database starts with this header; an empty file is an empty SQLite database.
bool LooksLikeSQLite(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray head = file.read(16);
  return head.isEmpty() || head == QByteArray("SQLite format 3\0", 16);
}

// Creates an empty SQLite database file (an empty file is one); an error message on failure.
// The file is made only if no file of that name exists, so a file found there is never ours.
std::optional<QString> CreateSQLiteFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
    return QStringLiteral("Cannot create the SQLite database \"%1\": %2.").arg(path, file.errorString());
  return std::nullopt;
}

std::optional<QString> CreateAccessFile(const QString& path, const QString& password) {
  const auto format = jet::create::FormatForPath(path.toStdString());
  if (!format.ok())
    return QStringLiteral("Cannot create the Access database \"%1\": the name must end in .mdb or .accdb.").arg(path);
  const jet::Status status =
      jet::create::CreateDatabase(path.toStdString(), format.value(), jet::NowAsDateTime(), password.toStdString());
  if (!status.ok()) {
    return QStringLiteral("Cannot create the Access database \"%1\": %2.")
        .arg(path, QString::fromStdString(status.messageBeside(path.toStdString())));
  }
  return std::nullopt;
}

// The reason an Access database cannot be listed (the window only says "Unable to access").
std::optional<QString> AccessOpenError(const db::ConnectionSettings& settings) {
  try {
    db::OpenAccessConnection(settings, db::profiles::kListAccessTables)->Close();
    return std::nullopt;
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  }
}

std::optional<QString> FillAccessList(const db::ConnectionSettings& settings, app::TableList& list) {
  if (auto error = AccessOpenError(settings)) return error;
  app::ScriptedDialogs dialogs;
  db::FillAccessTableList(settings, dialogs, list, settings.accessPath());
  if (!dialogs.shown().empty())
    return QStringLiteral("Unable to access the database \"%1\".").arg(settings.accessPath());
  return std::nullopt;
}

std::optional<QString> FillSQLiteList(const db::ConnectionSettings& settings, app::TableList& list) {
  try {
    db::FillSQLiteTableList(settings, list);
    return std::nullopt;
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  }
}

// A target file this run created. When the run ends and nothing was written to it (its
// table list is empty), it is removed again, so a failed copy leaves no empty database
// behind. A file that existed before the run is never touched.
class CreatedTarget {
 public:
  CreatedTarget(const db::ConnectionSettings& settings, bool sqlite) : settings_(settings), sqlite_(sqlite) {}
  CreatedTarget(const CreatedTarget&) = delete;
  CreatedTarget& operator=(const CreatedTarget&) = delete;
  ~CreatedTarget() {
    const QString& path = sqlite_ ? settings_.sqlitePath() : settings_.accessPath();
    if (!holdsNoTables(path)) return;
    if (QFile::remove(path))
      PrintInfo(QStringLiteral("\"%1\" was created by this run and nothing was written to it: it is removed again.")
                     .arg(path));
  }

 private:
  // False when that cannot be told: the file then stays.
  bool holdsNoTables(const QString& path) const {
    if (sqlite_ && QFileInfo(path).size() == 0) return true;
    app::MemoryTableList list;
    const auto error = sqlite_ ? FillSQLiteList(settings_, list) : FillAccessList(settings_, list);
    return !error && list.count() == 0;
  }

  const db::ConnectionSettings& settings_;
  bool sqlite_;
};

void PrintList(const app::MemoryTableList& list) {
  for (const QString& name : list.items()) std::printf("%s\n", name.toUtf8().constData());
}

int List(cli::Request request) {
  if (SourceUnreadable(QStringLiteral("The file"), request.source)) return kExitUsage;
  app::MemoryTableList list;
  const bool sqlite = LooksLikeSQLite(request.source);
  if (!sqlite && !request.passwordGiven) request.password = cli::AskForPasswordIfNeeded(request.source).value_or(QString());
  const db::FixedConnectionSettings settings(sqlite ? request.source : QString(), sqlite ? QString() : request.source,
                                             request.password);
  if (const auto error = sqlite ? FillSQLiteList(settings, list) : FillAccessList(settings, list)) {
    PrintError(*error);
    return kExitUsage;
  }
  if (!request.json) PrintList(list);
  for (const QString& name : list.items()) summary.tables.append(name);
  return 0;
}

// Selects the requested tables of the source list (all when none are named).
std::optional<QString> SelectTables(app::TableList& list, const std::optional<QStringList>& tables,
                                    const QString& source) {
  if (!tables) {
    for (int i = 0; i < list.count(); ++i) list.setSelected(i, true);
    return std::nullopt;
  }
  for (const QString& wanted : *tables) {
    int found = -1;
    for (int i = 0; i < list.count() && found < 0; ++i)
      if (list.item(i) == wanted) found = i;
    for (int i = 0; i < list.count() && found < 0; ++i)
      if (list.item(i).compare(wanted, Qt::CaseInsensitive) == 0) found = i;
    if (found < 0) return QStringLiteral("\"%1\" has no table named \"%2\".").arg(source, wanted);
    list.setSelected(found, true);
  }
  return std::nullopt;
}

int Copy(cli::Request request) {
  const bool toSQLite = request.command == cli::Command::ToSQLite;
  if (SourceUnreadable(QStringLiteral("The source file"), request.source)) return kExitUsage;
  // A target that cannot be written fails every statement: said once, before anything is read.
  if (const auto reason = app::WhyNotWritable(request.target)) {
    PrintError(*reason);
    return kExitUsage;
  }
  const QString& accessPath = toSQLite ? request.source : request.target;
  const QString& sqlitePath = toSQLite ? request.target : request.source;
  if (!request.passwordGiven) request.password = cli::AskForPasswordIfNeeded(accessPath).value_or(QString());
  const db::FixedConnectionSettings settings(sqlitePath, accessPath, request.password);

  // The source is read before a missing target is made, so a source that cannot be used
  // (a wrong password, a damaged file) leaves no new file behind.
  app::MemoryTableList accessList, sqliteList;
  auto fillAccess = [&] { return FillAccessList(settings, accessList); };
  auto fillSQLite = [&] { return FillSQLiteList(settings, sqliteList); };
  if (auto error = toSQLite ? fillAccess() : fillSQLite()) {
    PrintError(*error);
    return kExitUsage;
  }
  std::optional<CreatedTarget> created;
  if (!QFileInfo::exists(request.target)) {
    if (const auto error =
            toSQLite ? CreateSQLiteFile(request.target) : CreateAccessFile(request.target, request.password)) {
      PrintError(*error);
      return kExitUsage;
    }
    created.emplace(settings, toSQLite);
  }
  if (auto error = toSQLite ? fillSQLite() : fillAccess()) {
    PrintError(*error);
    return kExitUsage;
  }
  app::MemoryTableList& sourceList = toSQLite ? accessList : sqliteList;
  if (auto error = SelectTables(sourceList, request.tables, request.source)) {
    PrintError(*error);
    return kExitUsage;
  }
  if (sourceList.count() == 0) {
    PrintInfo(QStringLiteral("\"%1\" has no tables to copy.").arg(request.source));
    return 0;
  }
  sourceList.setCurrentIndex(0);

  QStringList selected;
  for (int i = 0; i < sourceList.count(); ++i)
    if (sourceList.isSelected(i)) selected.append(sourceList.item(i));

  NoPointer pointer;
  cli::TerminalProgress progress(!quiet && isatty(STDERR_FILENO) == 1);
  cli::CopyReport report([](const QString& line) { PrintError(line); }, [&progress] { progress.reset(QString()); });
  app::ScriptedDialogs dialogs;
  dialogs.setDefaultAnswer(request.overwrite ? app::MessageAnswer::Yes : app::MessageAnswer::No);
  dialogs.setObserver([&](const app::ShownDialog& box) {
    if (box.kind == app::ShownDialog::Kind::Message && box.buttons == app::MessageButtons::YesNo) {
      // "Would you like to overwrite NAME?": a line of information, left out by --quiet.
      progress.reset(QString());
      PrintInfo(box.text + (box.answer == app::MessageAnswer::Yes ? QStringLiteral(" Yes (--overwrite yes)")
                                                                   : QStringLiteral(" No: skipped (--overwrite no)")));
      return;
    }
    report.dialog(box);
  });
  transfer::TransferEnvironment env{settings, dialogs, accessList, sqliteList, pointer, progress};
  env.yield = [] {};
  env.onDeclined = [&](const QString& table) { summary.skipped.append(table); };
  env.onFailure = [&](const transfer::StatementFailure& failure) {
    if (failure.tableUndone) summary.givenUp.append(failure.table);
    report.failure(failure);
  };
  transfer::FaithfulMode faithful;
  faithful.note = [&](const QString& note) {
    progress.reset(QString());
    summary.notes.append(note);
    PrintInfo(QStringLiteral("note: ") + note);
  };
  if (request.faithful) env.faithful = &faithful;
  if (toSQLite)
    transfer::SendTablesToSQLite(env);
  else
    transfer::SendTablesToAccess(env);
  progress.reset(QString());
  for (const QString& table : selected)
    if (!summary.skipped.contains(table) && !summary.givenUp.contains(table)) summary.tables.append(table);
  if (request.json) summary.rows = cli::CountRows(request.target, toSQLite, request.password, summary.tables);
  return report.failed() ? kExitFailedStatements : 0;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  const auto parsed = cli::ParseCommandLine(arguments);
  if (const auto* message = std::get_if<QString>(&parsed)) {
    PrintError(*message);
    return kExitUsage;
  }
  const cli::Request& request = std::get<cli::Request>(parsed);
  quiet = request.quiet;
  ado::access::RegisterAccessProvider();
  // Under a file size limit (ulimit -f) a write past it then fails with "File too large",
  // which the copy reports and rolls back, instead of the signal ending the process mid-write.
  std::signal(SIGXFSZ, SIG_IGN);
  switch (request.command) {
    case cli::Command::Help: std::fputs(cli::HelpText().toLocal8Bit().constData(), stdout); return 0;
    case cli::Command::Version: std::fputs(cli::VersionText().toLocal8Bit().constData(), stdout); return 0;
    case cli::Command::List:
    case cli::Command::ToSQLite:
    case cli::Command::ToAccess: break;
  }
  summary.command = request.command == cli::Command::List       ? QStringLiteral("list")
                    : request.command == cli::Command::ToSQLite ? QStringLiteral("to-sqlite")
                                                                : QStringLiteral("to-access");
  summary.source = request.source;
  summary.target = request.target;
  summary.exitStatus = request.command == cli::Command::List ? List(request) : Copy(request);
  if (request.json) {
    const QByteArray json = summary.toJson();
    std::fwrite(json.constData(), 1, json.size(), stdout);
  }
  return summary.exitStatus;
  return kExitUsage;
}
