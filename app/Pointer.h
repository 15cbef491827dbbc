// The windows' mouse pointer states, as the actions switch between them.
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

}  // namespace app
