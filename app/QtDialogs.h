// The program's dialogs on Qt: QMessageBox, QInputDialog, QFileDialog and
// QDesktopServices. A box without a title of its own gets the application title.
#pragma once

#include "app/Dialogs.h"

#include <QFileDialog>

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

// The file-open dialog. A path typed into its name box and confirmed (Enter or "Open") is taken
// when it names a file, absolute or relative to the folder shown, "~/" for the home folder: Qt's
// own dialog may instead take a folder its completion selected on the way there, go into it
// and clear the box.
class OpenFileDialog : public QFileDialog {
 public:
  explicit OpenFileDialog(QWidget* parent = nullptr) : QFileDialog(parent) {}
  void accept() override;
  // The file confirmed: the typed one, or the one selected in the list.
  QString chosenFile() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QString typed_;      // the name box's text as the user last typed it
  QString typedFile_;  // the file that text named when confirmed
  bool watchingNameBox_ = false;
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
