#include "ui/WindowPointer.h"

#include "ui/CursorFile.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>

namespace ui {

WindowPointer::WindowPointer(QWidget* window) : QObject(window), window_(window) {
  window_->setCursor(cursorFor(state_));
}

void WindowPointer::setPointer(app::PointerState state) {
  state_ = state;
  window_->setCursor(cursorFor(state));
  for (auto& [area, own] : ownPointers_) {
    if (!area) continue;
    if (state == app::PointerState::Hourglass) {
      area->setCursor(Qt::WaitCursor);
    } else {
      area->setCursor(own);
    }
  }
}

void WindowPointer::loadCustomImage(const QString& cursorFile) {
  customImage_ = LoadCursorFile(cursorFile);
  if (state_ == app::PointerState::Custom) setPointer(state_);
}

void WindowPointer::watchButton(QWidget* button) {
  button->setMouseTracking(true);
  button->installEventFilter(this);
  buttons_.push_back(button);
}

void WindowPointer::watchPlainArea(QWidget* area) {
  // A list's items are drawn on its viewport, which receives the mouse moves.
  QWidget* receiver = area;
  if (auto* scrollArea = qobject_cast<QAbstractScrollArea*>(area)) receiver = scrollArea->viewport();
  receiver->setMouseTracking(true);
  receiver->installEventFilter(this);
  if (receiver != window_ && receiver->testAttribute(Qt::WA_SetCursor)) ownPointers_.emplace_back(receiver, receiver->cursor());
}

bool WindowPointer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseMove) return QObject::eventFilter(watched, event);
  if (std::find(buttons_.begin(), buttons_.end(), watched) != buttons_.end()) {
    hover(app::PointerState::Custom);
  } else {
    // A move that a control inside the area let through (a label, a button) is
    // not a move over the area itself.
    auto* area = static_cast<QWidget*>(watched);
    const QPoint position = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (area->childAt(position) == nullptr) hover(app::PointerState::Default);
  }
  return QObject::eventFilter(watched, event);
}

void WindowPointer::hover(app::PointerState shown) {
  if (pointer() != app::PointerState::Hourglass) setPointer(shown);
}

QCursor WindowPointer::cursorFor(app::PointerState state) const {
  switch (state) {
    case app::PointerState::Hourglass: return QCursor(Qt::WaitCursor);
    case app::PointerState::Custom: return customImage_ ? *customImage_ : QCursor(Qt::PointingHandCursor);
    case app::PointerState::Default: break;
  }
  return QCursor(Qt::ArrowCursor);
}

}  // namespace ui
