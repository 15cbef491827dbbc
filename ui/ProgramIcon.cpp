#include "ui/ProgramIcon.h"

#include <QFile>
#include <stdexcept>

// The resource file is compiled into the ui library; a static library needs its
// initialiser called by name.
static void InitialiseProgramResources() { Q_INIT_RESOURCE(ui); }

namespace ui {

QIcon ProgramIcon() {
  static const bool initialised = [] {
    InitialiseProgramResources();
    return true;
  }();
  (void)initialised;
  const QString path = QStringLiteral(":/tabloren/tabloren.png");
  if (!QFile::exists(path)) throw std::runtime_error("The program icon is missing from the program file.");
  return QIcon(path);
}

}  // namespace ui
