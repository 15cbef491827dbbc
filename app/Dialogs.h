// Every modal interaction of the program goes through this interface: notices,
// Yes/No questions, the input box, the file-open dialog and web pages. The windows
// own the Qt implementation (QtDialogs); tests and the batch command script it.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace app {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Warning, Question, Information };
enum class MessageAnswer { Ok, Yes, No };

struct FileDialogRequest {
  QString title;
  // Shown as given, e.g. "Access Databases (*.mdb,*.accdb)"; the patterns in the parentheses are
  // separated by spaces, commas or semicolons. The first filter is selected.
  QStringList filters;
  QString startPath;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  virtual MessageAnswer message(const QString& text, const QString& title, MessageButtons buttons,
                                MessageIcon icon) = 0;
  // The input box: the typed text, or nothing when cancelled.
  virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                        const QString& defaultText) = 0;
  // The file-open dialog: the chosen path, or nothing when cancelled.
  virtual std::optional<QString> openFile(const FileDialogRequest& request) = 0;
  virtual void openUrl(const QString& url) = 0;
};

}  // namespace app
