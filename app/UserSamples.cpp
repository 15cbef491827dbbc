#include "app/UserSamples.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace app {

QString UserDataFolder() {
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.local/share");
  return base + QStringLiteral("/tabloren");
}

QString UserSample(const QString& programFolder, const char* relativeName) {
  const QString original = programFolder + QLatin1Char('/') + QString::fromUtf8(relativeName);
  const QString copy = UserDataFolder() + QLatin1Char('/') + QFileInfo(original).fileName();
  if (QFileInfo::exists(copy)) return copy;
  if (!QFileInfo(original).isFile()) return original;

  const auto fail = [&](const QString& reason) {
    return std::runtime_error(
        QStringLiteral("The sample %1 could not be copied to %2: %3").arg(original, copy, reason).toStdString());
  };
  if (!QDir().mkpath(UserDataFolder())) throw fail(QStringLiteral("its folder cannot be created"));
  QFile source(original);
  if (!source.open(QIODevice::ReadOnly)) throw fail(source.errorString());
  // Written under another name and renamed when whole: a copy cut short is never taken for one.
  QSaveFile target(copy);
  if (!target.open(QIODevice::WriteOnly)) throw fail(target.errorString());
  if (target.write(source.readAll()) != source.size() || !target.commit()) throw fail(target.errorString());
  // The copy is the user's to change, whatever the installed file's mode.
  QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  return copy;
}

}  // namespace app
