// Reads a Windows cursor file (.CUR) into a Qt cursor, keeping the hot spot that
// the file names. Qt's ICO image plugin decodes the picture; the hot spot comes
// from the file's directory entry, which Qt does not report.
#pragma once

#include <QCursor>
#include <QString>

namespace ui {

// Throws std::runtime_error naming the file when it cannot be read or is not a
// cursor file.
QCursor LoadCursorFile(const QString& path);

}  // namespace ui
