// What the two windows need from the program around them. The program passes the
// real ones (ui/main.cpp); tests pass scripted dialogs, a temporary program folder
// and a recorder for the end of the program.
#pragma once

#include "app/Dialogs.h"
#include "app/WebPages.h"
#include "db/ProviderCheck.h"

#include <QString>
#include <functional>

namespace ui {

struct WindowServices {
  WindowServices(app::Dialogs& dialogs, QString programFolder, std::function<void()> endProgram)
      : dialogs(dialogs), programFolder(std::move(programFolder)), endProgram(std::move(endProgram)) {}

  app::Dialogs& dialogs;
  // The folder that holds the program file and the files that come with it.
  QString programFolder;
  // Ends the whole program at once (both windows go).
  std::function<void()> endProgram;
  // Set when a window has been closed and the program is ending: a copy running in a click
  // handler stops at its next yield, so that the handler returns and the program can end.
  bool programEnding = false;
  // True while an action of either window runs (start-up, a click handler): clicks that
  // arrive through its yields are ignored (ActionGuard.h).
  bool actionRunning = false;
  // The clock and the draw behind the occasional opening of the home page.
  app::SecondsSinceMidnight clock = app::LocalSecondsSinceMidnight;
  app::RandomFraction draw = app::SeededRandomFraction;
  // Creates the data-access layer's connection objects for the start-up check;
  // empty means the real one.
  db::ConnectionCreator createConnection;
  // A database file named on the command line ("tabloren FILE", "Open with" in a file manager):
  // start-up puts it into the SQLite or the Access box by its kind and stays on this window.
  QString fileToOpen;

  // programFolder + "/" + a fixed relative name such as app::kHandCursorFile.
  QString programFile(const char* relativeName) const {
    return programFolder + QLatin1Char('/') + QString::fromLatin1(relativeName);
  }
};

}  // namespace ui
