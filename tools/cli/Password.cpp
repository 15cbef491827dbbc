#include "tools/cli/Password.h"

#include "ado/access/AccessProvider.h"
#include "ado/Error.h"
#include "db/Connections.h"

#include <QFileInfo>

#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace cli {

namespace {

bool RefusesWithoutPassword(const QString& path) {
  try {
    const db::FixedConnectionSettings settings(QString(), path, QString());
    db::OpenAccessConnection(settings, db::profiles::kListAccessTables)->Close();
    return false;
  } catch (const ado::Error& error) {
    return error.number() == ado::access::kErrAuthenticationFailed;
  } catch (const std::exception&) {
    return false;
  }
}

// One line read from the terminal with its echo off; nothing when it cannot be read.
std::optional<QString> ReadHidden(int terminal, const QString& prompt) {
  // Echo off first, dropping what was typed before the prompt: the answer is only what comes
  // after it.
  termios saved {};
  const bool hidden = ::tcgetattr(terminal, &saved) == 0;
  if (hidden) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(terminal, TCSAFLUSH, &quiet);
  }
  const QByteArray text = prompt.toLocal8Bit();
  if (::write(terminal, text.constData(), text.size()) < 0) {
    if (hidden) ::tcsetattr(terminal, TCSAFLUSH, &saved);
    return std::nullopt;
  }
  QByteArray line;
  char c = 0;
  bool ended = false;
  while (::read(terminal, &c, 1) == 1) {
    if (c == '\n') {
      ended = true;
      break;
    }
    line.append(c);
  }
  if (hidden) ::tcsetattr(terminal, TCSAFLUSH, &saved);
  (void)!::write(terminal, "\n", 1);
  if (!ended && line.isEmpty()) return std::nullopt;
  if (line.endsWith('\r')) line.chop(1);
  return QString::fromLocal8Bit(line);
}

}  // namespace

std::optional<QString> AskForPasswordIfNeeded(const QString& path) {
  if (!::isatty(STDIN_FILENO) || !QFileInfo(path).isFile() || !RefusesWithoutPassword(path)) return std::nullopt;
  const int terminal = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (terminal < 0) return std::nullopt;
  auto typed = ReadHidden(terminal, QStringLiteral("Password for %1: ").arg(path));
  ::close(terminal);
  return typed;
}

}  // namespace cli
