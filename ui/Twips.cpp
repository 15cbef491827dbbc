#include "ui/Twips.h"

#include <QWidget>
#include <cmath>

namespace ui {

int TwipsToPixels(int twips, qreal logicalDpi) {
  return static_cast<int>(std::lround(twips * logicalDpi / kTwipsPerInch));
}

QRect TwipsRect(int left, int top, int width, int height, qreal logicalDpi) {
  // Right and bottom edges are rounded on their own so that controls that touch in
  // twips still touch in pixels.
  const int x = TwipsToPixels(left, logicalDpi);
  const int y = TwipsToPixels(top, logicalDpi);
  const int right = TwipsToPixels(left + width, logicalDpi);
  const int bottom = TwipsToPixels(top + height, logicalDpi);
  return QRect(x, y, right - x, bottom - y);
}

namespace {
constexpr char kLayoutScaleProperty[] = "tablorenLayoutScale";
}

void SetLayoutScale(QWidget* window, qreal scale) { window->setProperty(kLayoutScaleProperty, scale); }

qreal LayoutScale(const QWidget* widget) {
  if (!widget) return 1.0;
  bool ok = false;
  const qreal scale = widget->window()->property(kLayoutScaleProperty).toReal(&ok);
  return ok && scale > 0 ? scale : 1.0;
}

qreal LayoutDpi(const QWidget* widget) { return widget->logicalDpiX() * LayoutScale(widget); }

void PlaceInTwips(QWidget* control, int left, int top, int width, int height) {
  control->setGeometry(TwipsRect(left, top, width, height, LayoutDpi(control)));
}

}  // namespace ui
