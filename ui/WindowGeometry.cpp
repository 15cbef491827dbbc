#include "ui/WindowGeometry.h"

#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace ui {

namespace {

QScreen* ScreenOf(const QWidget* window) {
  return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

// The title bar and borders: from the window system once it has framed the window, else from
// the style.
QSize Decoration(const QWidget* window) {
  const QSize framed = window->frameGeometry().size() - window->geometry().size();
  if (framed.height() > 0) return framed;
  const int border = window->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, window);
  return QSize(2 * border, window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window) + border);
}

}  // namespace

void FitLayoutToScreen(QWidget* window, int clientWidth, int clientHeight) {
  SetLayoutScale(window, 1.0);
  QScreen* screen = ScreenOf(window);
  if (!screen) return;
  const QSize available = screen->availableGeometry().size();
  const qreal dpi = window->logicalDpiX();
  const QSize decoration = Decoration(window);
  const qreal width = TwipsToPixels(clientWidth, dpi);
  const qreal height = TwipsToPixels(clientHeight, dpi);
  const qreal scale = std::min({1.0, (available.width() - decoration.width()) / width,
                                (available.height() - decoration.height()) / height});
  if (scale > 0 && scale < 1) SetLayoutScale(window, scale);
}

void SetClientSizeInTwips(QWidget* window, int width, int height) {
  const qreal dpi = LayoutDpi(window);
  window->setFixedSize(TwipsToPixels(width, dpi), TwipsToPixels(height, dpi));
}

void SetOuterHeightInTwips(QWidget* window, int outerHeight, int minimumClientHeight) {
  const qreal dpi = window->logicalDpiY() * LayoutScale(window);
  int decoration = window->frameGeometry().height() - window->geometry().height();
  if (decoration <= 0) {
    decoration = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
  }
  const int client = std::max(TwipsToPixels(outerHeight, dpi) - decoration, TwipsToPixels(minimumClientHeight, dpi));
  window->setFixedHeight(client);
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = ScreenOf(window);
  if (!screen) return;
  const QRect available = screen->availableGeometry();
  QRect frame = window->frameGeometry();
  frame.moveCenter(available.center());
  frame.moveLeft(std::max(frame.left(), available.left()));
  frame.moveTop(std::max(frame.top(), available.top()));
  window->move(frame.topLeft());
}

}  // namespace ui
