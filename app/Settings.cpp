#include "app/Settings.h"

#include "app/ApplicationTitle.h"
#include "app/Keyring.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <optional>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace app {

namespace {

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

std::runtime_error SettingsError(const QString& what, const QString& path) {
  return std::runtime_error((what + QStringLiteral(" the settings file ") + path).toStdString());
}

// Creates the file empty with mode 0600 if it does not exist yet, so that the
// password never sits in a file that others can read, not even for a moment.
void CreateOwnerOnlyFile(const QString& path) {
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder))
    throw SettingsError(QStringLiteral("Could not create the folder of"), path);
  const QByteArray name = QFile::encodeName(path);
  const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kOwnerOnly);
  if (fd >= 0) {
    ::close(fd);
  } else if (errno != EEXIST) {
    throw SettingsError(QStringLiteral("Could not create (%1)").arg(QString::fromLocal8Bit(std::strerror(errno))),
                        path);
  }
}

// QSettings saves by writing a new file and renaming it over the old one, which
// can bring back the default mode; put the owner-only mode back after each save.
void RestrictToOwner(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  if (::chmod(name.constData(), kOwnerOnly) != 0)
    throw SettingsError(QStringLiteral("Could not restrict the access rights of"), path);
}

QString SectionKey(const QString& key) { return QString::fromLatin1(kProductTitle) + QLatin1Char('/') + key; }

}  // namespace

QString SettingsFilePath() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
  return base + QLatin1Char('/') + QString::fromLatin1(kSettingsApplication) + QStringLiteral(".conf");
}

namespace {

bool IsPassword(const QString& key) { return key == QLatin1String(kSettingAccessPassword); }

QString ReadFromFile(const QString& key) {
  const QString path = SettingsFilePath();
  if (!QFileInfo::exists(path)) return QString();
  QSettings settings(path, QSettings::IniFormat);
  if (settings.status() == QSettings::AccessError) throw SettingsError(QStringLiteral("Could not read"), path);
  const QVariant value = settings.value(SectionKey(key));
  // A value edited by hand with unquoted commas reads back as a list; keep its text.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", "));
  return value.toString();
}

// value: nothing removes the key.
void WriteToFile(const QString& key, const std::optional<QString>& value) {
  const QString path = SettingsFilePath();
  if (!value && !QFileInfo::exists(path)) return;
  CreateOwnerOnlyFile(path);
  {
    QSettings settings(path, QSettings::IniFormat);
    if (value)
      settings.setValue(SectionKey(key), *value);
    else
      settings.remove(SectionKey(key));
    settings.sync();
    if (settings.status() != QSettings::NoError) throw SettingsError(QStringLiteral("Could not write"), path);
  }
  RestrictToOwner(path);
}

}  // namespace

QString ReadSetting(const QString& key) {
  if (IsPassword(key)) {
    // A password the file still holds from a run without the keyring counts until the next
    // change moves it there.
    const std::optional<QString> kept = keyring::ReadPassword();
    if (kept && !kept->isEmpty()) return *kept;
  }
  return ReadFromFile(key);
}

void WriteSetting(const QString& key, const QString& value) {
  if (IsPassword(key) && keyring::WritePassword(value)) {
    WriteToFile(key, std::nullopt);  // the file holds no password beside the keyring's
    return;
  }
  WriteToFile(key, value);
}

}  // namespace app
