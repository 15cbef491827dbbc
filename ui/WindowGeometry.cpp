#include "ui/WindowGeometry.h"

#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace ui {

void SetClientSizeInTwips(QWidget* window, int width, int height) {
  const qreal dpi = window->logicalDpiX();
  window->setFixedSize(TwipsToPixels(width, dpi), TwipsToPixels(height, dpi));
}

void SetOuterHeightInTwips(QWidget* window, int outerHeight, int minimumClientHeight) {
  const qreal dpi = window->logicalDpiY();
  int decoration = window->frameGeometry().height() - window->geometry().height();
  if (decoration <= 0) {
    decoration = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
  }
  const int client = std::max(TwipsToPixels(outerHeight, dpi) - decoration, TwipsToPixels(minimumClientHeight, dpi));
  window->setFixedHeight(client);
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

}  // namespace ui
