#include "app/QtDialogs.h"

#include "app/ApplicationTitle.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileSystemModel>
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

std::optional<QString> QtDialogs::openFile(const FileDialogRequest& request) {
  QFileDialog dialog(parent_);
  PrepareOpenFileDialog(dialog, request);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
  return chosen.first();
}

void QtDialogs::openUrl(const QString& url) {
  if (QDesktopServices::openUrl(QUrl(url))) return;
  // Qt only says so on stderr, which a desktop user never sees.
  message(QStringLiteral("No web browser could be started to show %1").arg(url), QString(), MessageButtons::Ok,
          MessageIcon::Information);
}

}  // namespace app
