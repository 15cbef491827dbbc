// Window layouts of this program are given in twips, 1440 to the inch, as left,
// top, width and height relative to the container. At 96 dots per inch one pixel
// is 15 twips; on other screens the layout scales with the logical DPI.
#pragma once

#include <QRect>

class QWidget;

namespace ui {

inline constexpr int kTwipsPerInch = 1440;

int TwipsToPixels(int twips, qreal logicalDpi);
QRect TwipsRect(int left, int top, int width, int height, qreal logicalDpi);

// A window too large for its screen is laid out smaller, keeping its proportions: its twips
// then count for fewer pixels and its fonts are as much smaller. The scale (at most 1) is
// kept on the top-level window; its controls read it from there.
void SetLayoutScale(QWidget* window, qreal scale);
qreal LayoutScale(const QWidget* widget);
// The DPI a widget's twips are converted with: its screen's logical DPI times the scale.
qreal LayoutDpi(const QWidget* widget);

// Places a control inside its container, using the container's screen DPI and layout scale.
void PlaceInTwips(QWidget* control, int left, int top, int width, int height);

}  // namespace ui
