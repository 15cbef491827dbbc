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

// Places a control inside its container, using the container's screen DPI.
void PlaceInTwips(QWidget* control, int left, int top, int width, int height);

}  // namespace ui
