// What the three commands say when QCommandLineParser refuses their arguments: the option it does
// not know, named as it was typed ("unknown option --bogus"), or Qt's reason, and where to look.
#pragma once

#include <QCommandLineParser>
#include <QString>

namespace app {

inline QString ArgumentError(const QCommandLineParser& parser, const QString& program) {
  const QStringList unknown = parser.unknownOptionNames();
  if (!unknown.isEmpty()) {
    // Qt gives the name without its dashes; one letter came as "-x".
    const QString& name = unknown.first();
    const QString dashes = name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--");
    return QStringLiteral("unknown option %1%2 (see %3 --help)").arg(dashes, name, program);
  }
  QString reason = parser.errorText();
  if (reason.endsWith(QLatin1Char('.'))) reason.chop(1);
  if (!reason.isEmpty()) reason[0] = reason[0].toLower();
  return QStringLiteral("%1 (see %2 --help)").arg(reason, program);
}

// "-" stands for standard input or output in many commands; a database cannot be read from or
// written to a pipe, so it is refused with the way to name a file called "-".
inline QString DashIsNoFile() {
  return QStringLiteral("\"-\" names no file: a database cannot be read from standard input or written to standard "
                        "output (for a file named \"-\" write ./-)");
}

}  // namespace app
