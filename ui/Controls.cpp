#include "ui/Controls.h"

#include "ui/Twips.h"
#include "ui/WindowGeometry.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace ui {

QFont ArialFont(qreal pointSize, bool bold) {
  // Debian has no Arial; Liberation Sans (fonts-liberation) has the same metrics,
  // so captions keep the widths the layout was drawn for.
  static const bool substituted = [] {
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    return true;
  }();
  (void)substituted;
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(pointSize);
  font.setBold(bold);
  return font;
}

void SetUpWindow(QWidget* window, int clientWidth, int clientHeight) {
  FitLayoutToScreen(window, clientWidth, clientHeight);
  window->setFont(ArialFont(9 * LayoutScale(window), false));
  QPalette white = window->palette();
  white.setColor(QPalette::Window, Qt::white);
  // Its text dark on that white whatever the theme: a dark theme's light text would vanish.
  white.setColor(QPalette::WindowText, Qt::black);
  window->setPalette(white);
  window->setAutoFillBackground(true);
  SetClientSizeInTwips(window, clientWidth, clientHeight);
}

Frame::Frame(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
  setFont(ArialFont(9 * LayoutScale(parent), true));
}

Label::Label(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
  setFont(ArialFont(9 * LayoutScale(parent), true));
}

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {
  setFont(ArialFont(9 * LayoutScale(parent), true));
}

void TextBox::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  selectAll();
}

PushButton::PushButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  setFont(ArialFont(11.25 * LayoutScale(parent), true));
  setAutoDefault(false);
}

void PushButton::keyPressEvent(QKeyEvent* event) {
  // Outside a dialog Qt presses a button on Space only; Enter presses the focused one too.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (enter && modifiers == Qt::NoModifier) {
    if (!event->isAutoRepeat() && isEnabled()) click();
    event->accept();
    return;
  }
  QPushButton::keyPressEvent(event);
}

ProgressBar::ProgressBar(const QString& caption, QWidget* parent)
    : QProgressBar(parent), caption_(caption) {
  setFont(ArialFont(9 * LayoutScale(parent), true));
  setRange(0, 100);
  setValue(0);
  setTextVisible(true);
  setAlignment(Qt::AlignCenter);
}

void ProgressBar::setCaption(const QString& caption) {
  caption_ = caption;
  update();
}

QString ProgressBar::text() const {
  if (value() <= minimum()) return caption_;
  return QStringLiteral("%1%").arg(value());
}

}  // namespace ui
