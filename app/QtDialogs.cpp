#include "app/QtDialogs.h"

#include "app/ApplicationTitle.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSpacerItem>
#include <QUrl>

namespace app {

QString BoxTitle(const QString& title) { return title.isEmpty() ? ApplicationTitle() : title; }

QString WithQtLineBreaks(const QString& text) {
  QString result = text;
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

int TitleWidth(const QString& title, const QFont& font) {
  // The title bar also holds the window's icon and its buttons; about 160 px in common themes.
  constexpr int kTitleBarExtras = 160;
  return QFontMetrics(font).horizontalAdvance(title) + kTitleBarExtras;
}

void WidenForTitle(QMessageBox& box) {
  // Qt sizes a message box by its text alone, so a short text cut the title ("Tab...en").
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  grid->addItem(new QSpacerItem(TitleWidth(box.windowTitle(), box.font()), 0, QSizePolicy::Minimum),
                grid->rowCount(), 0, 1, grid->columnCount());
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
  WidenForTitle(box);
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

QStringList FilterPatterns(const QString& filter) {
  const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
  const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
  const QString patterns = open >= 0 && close > open ? filter.mid(open + 1, close - open - 1) : filter;
  static const QRegularExpression separators(QStringLiteral("[ ,;]+"));
  return patterns.split(separators, Qt::SkipEmptyParts);
}

void PrepareOpenFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
  // Qt's own dialog: its file list is the one whose patterns can be set apart from the
  // filter's shown text (Qt splits the text in parentheses on spaces only).
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setWindowTitle(BoxTitle(request.title));
  if (!request.startPath.isEmpty()) dialog.setDirectory(request.startPath);
  dialog.setNameFilters(request.filters);
  QFileSystemModel* files = dialog.findChild<QFileSystemModel*>();
  const auto usePatterns = [files](const QString& filter) {
    if (files) files->setNameFilters(FilterPatterns(filter));
  };
  // The dialog sets its own patterns when a filter is chosen; these replace them after.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, usePatterns);
  if (!request.filters.isEmpty()) {
    dialog.selectNameFilter(request.filters.first());
    usePatterns(request.filters.first());
  }
}

static QLineEdit* NameBox(QFileDialog& dialog) {
  return dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

void OpenFileDialog::showEvent(QShowEvent* event) {
  QFileDialog::showEvent(event);
  QLineEdit* nameBox = NameBox(*this);
  if (!nameBox || watchingNameBox_) return;
  watchingNameBox_ = true;
  connect(nameBox, &QLineEdit::textEdited, this, [this](const QString& text) { typed_ = text; });
}

void OpenFileDialog::accept() {
  const QLineEdit* nameBox = NameBox(*this);
  const QString shown = nameBox ? nameBox->text() : QString();
  // While a path is typed, Qt selects what it completes to in the list, and a selection made
  // while the completion's list has the focus replaces the box's text with the file's bare
  // name: the typed path then still holds, as long as the box shows it or its file's name.
  QString typed = typed_;
  if (typed.isEmpty() || (shown != typed && shown != QFileInfo(typed).fileName())) typed = shown;
  if (typed.startsWith(QLatin1String("~/"))) typed.replace(0, 1, QDir::homePath());
  // Several quoted names are a multiple selection, which this dialog does not make.
  if (!typed.isEmpty() && !typed.contains(QLatin1Char('"'))) {
    const QFileInfo file(directory().absoluteFilePath(typed));
    if (file.isFile()) {
      typedFile_ = QDir::cleanPath(file.absoluteFilePath());
      QDialog::accept();
      return;
    }
  }
  typedFile_.clear();
  QFileDialog::accept();
}

QString OpenFileDialog::chosenFile() const {
  if (!typedFile_.isEmpty()) return typedFile_;
  return selectedFiles().value(0);
}

std::optional<QString> QtDialogs::openFile(const FileDialogRequest& request) {
  OpenFileDialog dialog(parent_);
  PrepareOpenFileDialog(dialog, request);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QString chosen = dialog.chosenFile();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen;
}

void QtDialogs::openUrl(const QString& url) {
  if (QDesktopServices::openUrl(QUrl(url))) return;
  // Qt only says so on stderr, which a desktop user never sees.
  message(QStringLiteral("No web browser could be started to show %1").arg(url), QString(), MessageButtons::Ok,
          MessageIcon::Information);
}

}  // namespace app
