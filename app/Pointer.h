// The windows' mouse pointer states and the hover rule that every window follows.
#pragma once

namespace app {

enum class PointerState {
  Default = 0,     // the arrow
  Hourglass = 11,  // a long action runs; only that action sets it back
  Custom = 99,     // the hand from HAND-M.CUR
};

// A window's own pointer setting, as the windows expose it to the actions.
class PointerHost {
 public:
  virtual ~PointerHost() = default;
  virtual PointerState pointer() const = 0;
  virtual void setPointer(PointerState state) = 0;
};

// The mouse moves over a push button: the hand, unless an action shows the hourglass.
inline void PointerOnButtonHover(PointerHost& window) {
  if (window.pointer() != PointerState::Hourglass) window.setPointer(PointerState::Custom);
}

// The mouse moves over the window itself or one of its lists, text boxes or frames:
// the arrow, unless an action shows the hourglass.
inline void PointerOnPlainMove(PointerHost& window) {
  if (window.pointer() != PointerState::Hourglass) window.setPointer(PointerState::Default);
}

}  // namespace app
