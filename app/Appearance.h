// Window colours and the connection window's skin.
#pragma once

#include <QString>

class QWidget;

namespace app {

// Gives the window, and its option buttons, check boxes, frames and labels, the
// button-face colour of the palette (a palette role, so it follows the system
// colours). Text boxes, lists, push buttons, progress bars and images keep theirs.
void ApplyStandardColors(QWidget* window);

// When the skin file (programFolder + "/x/o.cjs", a Qt style sheet) is a regular,
// non-hidden file: the standard colours, then the style sheet on the connection
// window. Without the file nothing is touched. Throws std::runtime_error naming
// the file when it exists but cannot be read.
void ApplyWindowSkin(QWidget* connectionWindow, const QString& programFolder);

}  // namespace app
