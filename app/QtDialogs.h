// The program's dialogs on Qt: QMessageBox, QInputDialog, QFileDialog and
// QDesktopServices. A box without a title of its own gets the application title.
#pragma once

#include "app/Dialogs.h"

class QFileDialog;
class QFont;
class QWidget;

namespace app {

class QtDialogs : public Dialogs {
 public:
  // parent: the window that owns the boxes (may change as windows are shown).
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

  void setParent(QWidget* parent) { parent_ = parent; }
  QWidget* parent() const { return parent_; }

  MessageAnswer message(const QString& text, const QString& title, MessageButtons buttons,
                        MessageIcon icon) override;
  std::optional<QString> input(const QString& prompt, const QString& title, const QString& defaultText) override;
  std::optional<QString> openFile(const FileDialogRequest& request) override;
  void openUrl(const QString& url) override;

 private:
  QWidget* parent_;
};

// The title a box shows: its own, or the application title when it has none.
QString BoxTitle(const QString& title);

// The width a box needs for its title to show whole in the title bar.
int TitleWidth(const QString& title, const QFont& font);

// The file patterns of a filter: the text in its last parentheses, split on spaces, commas and
// semicolons. "All Microsoft Databases (*.mdb,*.accdb)" matches "*.mdb" and "*.accdb".
QStringList FilterPatterns(const QString& filter);

// Sets up the file-open dialog of a request: its title, start folder and filters, each filter
// showing its text as given and matching FilterPatterns of it; the first is selected.
void PrepareOpenFileDialog(QFileDialog& dialog, const FileDialogRequest& request);

// Message texts use CR LF and lone CR as line breaks; Qt's labels break lines on LF only.
QString WithQtLineBreaks(const QString& text);

}  // namespace app
