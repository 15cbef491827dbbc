// What the window tests share: scripted dialogs, a temporary program folder and
// settings folder, and a recorder for the end of the program.
#pragma once

#include "app/ScriptedDialogs.h"
#include "ui/WindowServices.h"

#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>
#include <QCoreApplication>
#include <unistd.h>

namespace uitest {

inline const QString kResources = QStringLiteral(TABLOREN_RESOURCES_DIR);

struct WindowFixture {
  WindowFixture() {
    // Each test gets its own settings file and data folder.
    qputenv("XDG_CONFIG_HOME", settingsFolder.path().toUtf8());
    qputenv("XDG_DATA_HOME", dataFolder.path().toUtf8());
  }

  ui::WindowServices services() {
    ui::WindowServices s{dialogs, programFolder.path(), [this] { ++endCalls; }};
    s.draw = [](std::uint32_t) { return 0.0; };  // never the home page
    return s;
  }

  // Lays the real hand cursor into the program folder.
  void installHandCursor() const {
    QFile::copy(kResources + QStringLiteral("/HAND-M.CUR"), programFolder.filePath(QStringLiteral("HAND-M.CUR")));
  }

  QString programPath(const QString& name) const { return programFolder.filePath(name); }

  app::ScriptedDialogs dialogs;
  QTemporaryDir programFolder;
  QTemporaryDir settingsFolder;
  QTemporaryDir dataFolder;
  int endCalls = 0;
};

// A file's mode stops every user but root. While one of these lives, a test run as root acts
// as the unprivileged user "nobody", so that the modes it sets are obeyed.
class AsOrdinaryUser {
 public:
  AsOrdinaryUser() : wasRoot_(::geteuid() == 0) {
    if (wasRoot_ && ::setegid(kNobody) != 0) wasRoot_ = false;
    if (wasRoot_ && ::seteuid(kNobody) != 0) wasRoot_ = false;
  }
  ~AsOrdinaryUser() {
    if (wasRoot_ && ::seteuid(0) == 0) (void)::setegid(0);
  }
  AsOrdinaryUser(const AsOrdinaryUser&) = delete;
  AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

 private:
  static constexpr uid_t kNobody = 65534;
  bool wasRoot_;
};

// A mouse move with no button pressed, as the window system sends while the mouse
// passes over a control.
inline void MoveMouseOver(QWidget* widget, QPoint position = QPoint(2, 2)) {
  QMouseEvent move(QEvent::MouseMove, QPointF(position), widget->mapToGlobal(QPointF(position)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
}

}  // namespace uitest
