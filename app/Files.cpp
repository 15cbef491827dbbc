#include "app/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// The system's reason, as words inside a sentence ("permission denied").
QString Reason(int error) {
  QString text = QString::fromLocal8Bit(std::strerror(error));
  if (!text.isEmpty()) text[0] = text[0].toLower();
  return text;
}

// errno of a failed check of the effective user's access, 0 when granted.
int AccessError(const QString& path, int mode) {
  return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), mode, AT_EACCESS) == 0 ? 0 : errno;
}

}  // namespace

DatabaseKind KindOfDatabaseFile(const QString& path) {
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArray("SQLite format 3\0", 16))) return DatabaseKind::SQLite;
    // The Jet and ACE header page names its format from the fifth byte on.
    const QByteArray format = head.mid(4, 15);
    if (format == "Standard Jet DB" || format == "Standard ACE DB") return DatabaseKind::Access;
  }
  static const QStringList kAccessExtensions{QStringLiteral("mdb"), QStringLiteral("accdb"), QStringLiteral("mde"),
                                             QStringLiteral("accde")};
  return kAccessExtensions.contains(QFileInfo(path).suffix().toLower()) ? DatabaseKind::Access : DatabaseKind::SQLite;
}

std::optional<QString> WhyNotReadable(const QString& path) {
  struct stat status {};
  if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return QStringLiteral("does not exist");
    return QStringLiteral("cannot be read: %1").arg(Reason(errno));
  }
  if (S_ISDIR(status.st_mode)) return QStringLiteral("is a folder, not a file");
  if (const int error = AccessError(path, R_OK)) return QStringLiteral("cannot be read: %1").arg(Reason(error));
  return std::nullopt;
}

std::optional<QString> WhyNotWritable(const QString& path) {
  const QFileInfo file(path);
  if (file.exists()) {
    if (file.isDir()) return QStringLiteral("\"%1\" is a folder, not a database file.").arg(path);
    if (const int error = AccessError(path, W_OK))
      return QStringLiteral("\"%1\" cannot be changed: %2.").arg(path, Reason(error));
  }
  const QString folder = file.absolutePath();
  if (const int error = AccessError(folder, W_OK | X_OK))
    return QStringLiteral("The folder \"%1\" cannot take the journal of \"%2\": %3.")
        .arg(folder, file.fileName(), Reason(error));
  return std::nullopt;
}

}  // namespace app
