#include "app/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace app {

QString ProgramFolder() {
  if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
  // Before the application object exists, ask the system for the running program.
  const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  return program.isEmpty() ? QDir::currentPath() : QFileInfo(program).absolutePath();
}

QString ProgramFile(const char* relativeName) {
  return ProgramFolder() + QLatin1Char('/') + QString::fromUtf8(relativeName);
}

bool FileExists(const QString& path) noexcept {
  try {
    if (path.isEmpty()) return false;
    const QByteArray name = QFile::encodeName(path);
    if (name.contains('\0')) return false;  // no file system accepts it
    struct stat status {};
    return ::stat(name.constData(), &status) == 0;
  } catch (...) {
    return false;
  }
}

}  // namespace app
