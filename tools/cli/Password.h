// The Access password asked for on the terminal, for a protected file opened without one: typed
// without echo, so that it shows neither on the screen nor in the process list.
#pragma once

#include <QString>
#include <optional>

namespace cli {

// When the Access file at path exists and refuses to open without a password, and standard input
// is a terminal: asks for it there (the prompt on the terminal) and gives the typed line.
// Nothing otherwise; a wrong or missing password is then reported by the run itself.
std::optional<QString> AskForPasswordIfNeeded(const QString& path);

}  // namespace cli
