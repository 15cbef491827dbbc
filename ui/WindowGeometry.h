// Sizing and placing the program's fixed-size windows.
#pragma once

class QWidget;

namespace ui {

// Sets the window's layout scale so that a client area of the given twips, with the title bar
// and borders, fits the available area of its screen; 1 when it fits as designed. Call before
// creating the controls.
void FitLayoutToScreen(QWidget* window, int clientWidth, int clientHeight);

// Fixes the window's client area to the given size in twips.
void SetClientSizeInTwips(QWidget* window, int width, int height);

// Makes the window's outer height (title bar and borders included) the given
// number of twips, but never lets the client area shrink below minimumClientHeight
// twips, so a tall title bar cannot cut off the bottom row of controls. Before the
// window system has framed the window, the title bar is taken from the style.
void SetOuterHeightInTwips(QWidget* window, int outerHeight, int minimumClientHeight);

// Moves the window so that it stands in the middle of its screen's free area; a window larger
// than that area keeps its top left corner (and title bar) inside it.
void CentreOnScreen(QWidget* window);

}  // namespace ui
