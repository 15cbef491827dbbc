#include "app/QtDialogs.h"

#include "app/ApplicationTitle.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace app {

QString BoxTitle(const QString& title) { return title.isEmpty() ? ApplicationTitle() : title; }

QString WithQtLineBreaks(const QString& text) {
  QString result = text;
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

MessageAnswer QtDialogs::message(const QString& text, const QString& title, MessageButtons buttons,
                                 MessageIcon icon) {
  QMessageBox box(parent_);
  box.setWindowTitle(BoxTitle(title));
  // Table names and database messages go into these texts: never interpret them as markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(WithQtLineBreaks(text));
  switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
  }
  if (buttons == MessageButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  const int result = box.exec();
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return result == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

std::optional<QString> QtDialogs::input(const QString& prompt, const QString& title, const QString& defaultText) {
  bool accepted = false;
  const QString text = QInputDialog::getText(parent_, BoxTitle(title), WithQtLineBreaks(prompt), QLineEdit::Normal,
                                             defaultText, &accepted);
  if (!accepted) return std::nullopt;
  return text;
}

std::optional<QString> QtDialogs::openFile(const FileDialogRequest& request) {
  QString selectedFilter = request.filters.isEmpty() ? QString() : request.filters.first();
  const QString path = QFileDialog::getOpenFileName(parent_, BoxTitle(request.title), request.startPath,
                                                    request.filters.join(QStringLiteral(";;")), &selectedFilter);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

void QtDialogs::openUrl(const QString& url) {
  // Like the shell call it stands for, the result is not checked.
  QDesktopServices::openUrl(QUrl(url));
}

}  // namespace app
