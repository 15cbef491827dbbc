// A window's mouse pointer: the setting the actions switch between arrow,
// hourglass and hand, and the hover rule that the window's controls follow.
//
// The setting is shown on the window itself, so every control without a pointer
// of its own shows it too; text boxes, which keep their text cursor, show the
// hourglass while it is set.
#pragma once

#include "app/Pointer.h"

#include <QCursor>
#include <QObject>
#include <QPointer>
#include <optional>
#include <vector>

class QWidget;

namespace ui {

class WindowPointer : public QObject, public app::PointerHost {
 public:
  explicit WindowPointer(QWidget* window);

  app::PointerState pointer() const override { return state_; }
  void setPointer(app::PointerState state) override;

  // The picture of the custom pointer, from a Windows cursor file. Throws when the
  // file cannot be read. Without a picture the custom pointer is Qt's pointing hand.
  void loadCustomImage(const QString& cursorFile);
  bool hasCustomImage() const { return customImage_.has_value(); }

  // Moving over the button shows the hand, unless the hourglass is set.
  void watchButton(QWidget* button);
  // Moving over the area itself (not over a control inside it) shows the arrow,
  // unless the hourglass is set.
  void watchPlainArea(QWidget* area);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QCursor cursorFor(app::PointerState state) const;
  // The hover rule: the mouse over a push button shows the hand, over the window itself or
  // one of its lists, text boxes or frames the arrow; neither while an action shows the hourglass.
  void hover(app::PointerState shown);

  QWidget* window_;
  app::PointerState state_ = app::PointerState::Default;
  std::optional<QCursor> customImage_;
  std::vector<QObject*> buttons_;
  // Areas that show a pointer of their own (text boxes), with that pointer.
  std::vector<std::pair<QPointer<QWidget>, QCursor>> ownPointers_;
};

}  // namespace ui
