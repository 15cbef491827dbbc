// The kinds of control the two windows are built from, with the fonts the windows
// use: Arial (or its metric twin Liberation Sans where Arial is missing), 9 pt for
// frames, labels, text boxes, lists and the progress bar, 11.25 pt for push buttons.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace ui {

QFont ArialFont(qreal pointSize, bool bold);

// What both windows start with: the layout scaled to fit the screen, the 9 pt font, white
// behind dark text, and the client area of `clientWidth` x `clientHeight` twips.
void SetUpWindow(QWidget* window, int clientWidth, int clientHeight);

// Frame: a captioned container; children are placed relative to its top left.
class Frame : public QGroupBox {
 public:
  Frame(const QString& caption, QWidget* parent);
};

class Label : public QLabel {
 public:
  Label(const QString& caption, QWidget* parent);
};

// A single-line text box that selects its whole text whenever it receives the
// focus, so that typing replaces the path it holds.
class TextBox : public QLineEdit {
 public:
  explicit TextBox(QWidget* parent);

 protected:
  void focusInEvent(QFocusEvent* event) override;
};

// Pressed by a click, Space, or Enter while it has the focus.
class PushButton : public QPushButton {
 public:
  PushButton(const QString& caption, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// Shows its caption ("Progress Bar") while its value is at the minimum and the
// percentage otherwise.
class ProgressBar : public QProgressBar {
 public:
  ProgressBar(const QString& caption, QWidget* parent);
  void setCaption(const QString& caption);
  QString caption() const { return caption_; }
  QString text() const override;

 private:
  QString caption_;
};

}  // namespace ui
