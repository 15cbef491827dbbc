#include "app/Keyring.h"

#ifdef TABLOREN_KEYRING
#include <QEventLoop>
#include <qt6keychain/keychain.h>
#endif

namespace app::keyring {

#ifdef TABLOREN_KEYRING
namespace {

// The keyring entry: service and key as a desktop's password manager shows them.
constexpr char kService[] = "Tabloren";
constexpr char kKey[] = "AccessPassword";

bool noKeyring = false;

// Runs a job to its end; user input waits meanwhile, so no keystroke arrives in the middle of
// storing the previous one.
bool Run(QKeychain::Job& job) {
  job.setAutoDelete(false);
  job.setKey(QString::fromLatin1(kKey));
  QEventLoop loop;
  QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
  job.start();
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  const QKeychain::Error error = job.error();
  if (error == QKeychain::NoError || error == QKeychain::EntryNotFound) return true;
  noKeyring = true;
  return false;
}

}  // namespace

std::optional<QString> ReadPassword() {
  if (noKeyring) return std::nullopt;
  QKeychain::ReadPasswordJob job(QString::fromLatin1(kService));
  if (!Run(job)) return std::nullopt;
  return job.error() == QKeychain::EntryNotFound ? QString() : job.textData();
}

bool WritePassword(const QString& password) {
  if (noKeyring) return false;
  QKeychain::WritePasswordJob job(QString::fromLatin1(kService));
  job.setTextData(password);
  return Run(job);
}

#else

std::optional<QString> ReadPassword() { return std::nullopt; }
bool WritePassword(const QString&) { return false; }

#endif

}  // namespace app::keyring
