#include "app/Appearance.h"

#include "app/Files.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

#include <stdexcept>

namespace app {

namespace {

void UseButtonFace(QWidget* widget) {
  widget->setBackgroundRole(QPalette::Button);
  // The text that goes with the button face, light in a dark theme.
  widget->setForegroundRole(QPalette::ButtonText);
  widget->setAutoFillBackground(true);
}

// Option buttons, check boxes, frames and labels; a label that shows a picture is an image.
bool TakesStandardColor(QWidget* widget) {
  if (qobject_cast<QRadioButton*>(widget) || qobject_cast<QCheckBox*>(widget) || qobject_cast<QGroupBox*>(widget))
    return true;
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->pixmap().isNull();
  // A plain frame, not one of the many widgets built on QFrame (lists, text views).
  return widget->metaObject() == &QFrame::staticMetaObject;
}

}  // namespace

void ApplyStandardColors(QWidget* window) {
  if (!window) throw std::invalid_argument("No window to colour");
  UseButtonFace(window);
  for (QWidget* child : window->findChildren<QWidget*>())
    if (TakesStandardColor(child)) UseButtonFace(child);
}

void ApplyWindowSkin(QWidget* connectionWindow, const QString& programFolder) {
  const QString skinPath = programFolder + QLatin1Char('/') + QString::fromLatin1(kSkinFile);
  const QFileInfo skin(skinPath);
  if (!skin.isFile() || skin.isHidden()) return;

  ApplyStandardColors(connectionWindow);

  QFile file(skinPath);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error(
        QStringLiteral("Could not read the skin file %1: %2").arg(skinPath, file.errorString()).toStdString());
  connectionWindow->setStyleSheet(QString::fromUtf8(file.readAll()));
}

}  // namespace app
