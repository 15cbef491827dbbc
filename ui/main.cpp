// Tabloren: copies tables between Access databases and SQLite files.
// Starting the program shows the connection window; its load handler is the
// whole start-up.
#include "ado/access/AccessProvider.h"
#include "app/CommandLineErrors.h"
#include "app/Files.h"
#include "app/QtDialogs.h"
#include "ui/ConnectionWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <csignal>
#include <cstdio>

namespace {

constexpr char kHelp[] =
    "Usage: tabloren [FILE]\n"
    "Copies, deletes and renames tables between a Microsoft Access database (.mdb, .accdb) and an\n"
    "SQLite database, in two windows. FILE, an Access or an SQLite database (told apart by its\n"
    "contents, else by its extension), is put into its box of the connection window.\n"
    "\n"
    "  -h, --help     this text\n"
    "  -V, --version  the program's name and version\n"
    "\n"
    "tabloren-cli makes the same copies from scripts. See tabloren(1).\n";

}  // namespace

int main(int argc, char** argv) {
  // --help and --version are answered before the window system is needed, so they work
  // without a display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  QCommandLineParser parser;
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption version(QStringList{QStringLiteral("V"), QStringLiteral("version")});
  parser.addOptions({help, version});
  if (!parser.parse(arguments)) {
    std::fprintf(stderr, "tabloren: %s\n", app::ArgumentError(parser, QStringLiteral("tabloren")).toLocal8Bit().constData());
    return 2;
  }
  if (parser.isSet(help)) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (parser.isSet(version)) {
    std::printf("tabloren %s\n", TABLOREN_VERSION);
    return 0;
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    std::fputs("tabloren: one FILE at most (see tabloren --help)\n", stderr);
    return 2;
  }
  if (!files.isEmpty() && files.first() == QLatin1String("-")) {
    std::fprintf(stderr, "tabloren: %s\n", app::DashIsNoFile().toLocal8Bit().constData());
    return 2;
  }

  QApplication application(argc, argv);
  // Under a file size limit a write past it fails with "File too large", which the copies
  // report and roll back, instead of the signal ending the program in the middle of a write.
  std::signal(SIGXFSZ, SIG_IGN);
  ado::access::RegisterAccessProvider();
  QGuiApplication::setDesktopFileName(QStringLiteral("tabloren"));
  // Closing a window ends the program through the windows' own handlers.
  application.setQuitOnLastWindowClosed(false);

  app::QtDialogs dialogs;
  bool ended = false;
  ui::WindowServices services{dialogs, app::ProgramFolder(), [&ended] {
                                ended = true;
                                QCoreApplication::exit(0);
                              }};
  if (!files.isEmpty()) services.fileToOpen = files.first();
  ui::ConnectionWindow connectionWindow(std::move(services));
  connectionWindow.start();
  // Start-up may already have ended the program (no data-access layer).
  if (ended) return 0;
  return application.exec();
}
