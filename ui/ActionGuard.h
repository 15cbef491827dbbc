// One action of the windows at a time. The long actions (a copy, reading the table lists) let
// window events through (app/Yield.h), so a click could start a second action inside the
// running one: a Send inside a Send, a Delete of the tables being copied, "< Back" and
// "Next >" clearing the lists a copy walks. While an action of either window runs, a click on
// any button of either window is ignored. The buttons keep their look; the hourglass says
// the program is busy. Closing a window still stops the running action (WindowServices).
#pragma once

#include <QAbstractButton>
#include <QObject>

namespace ui {

// Marks an action as running for its lifetime, unless another one already was: entered()
// is then false and the caller does nothing.
class ActionScope {
 public:
  explicit ActionScope(bool& running) : running_(running), entered_(!running) { running_ = true; }
  ~ActionScope() {
    if (entered_) running_ = false;
  }
  ActionScope(const ActionScope&) = delete;
  ActionScope& operator=(const ActionScope&) = delete;
  bool entered() const { return entered_; }

 private:
  bool& running_;
  const bool entered_;
};

// Runs `handler` of `window` on each click of `button`, unless an action is running.
template <class Window>
void ConnectAction(QAbstractButton* button, Window* window, bool& running, void (Window::*handler)()) {
  QObject::connect(button, &QAbstractButton::clicked, window, [window, &running, handler] {
    const ActionScope action(running);
    if (action.entered()) (window->*handler)();
  });
}

}  // namespace ui
