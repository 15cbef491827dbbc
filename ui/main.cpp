// Tabloren: copies tables between Access databases and SQLite files.
// Starting the program shows the connection window; its load handler is the
// whole start-up.
#include "ado/access/AccessProvider.h"
#include "app/Files.h"
#include "app/QtDialogs.h"
#include "ui/ConnectionWindow.h"

#include <QApplication>
#include <csignal>

int main(int argc, char** argv) {
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
  ui::ConnectionWindow connectionWindow(std::move(services));
  connectionWindow.start();
  // Start-up may already have ended the program (no data-access layer).
  if (ended) return 0;
  return application.exec();
}
