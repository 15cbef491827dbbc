// Lets pending window events through during a long action, cheaply: the events are
// processed only when about 20 ms have passed since the last time, so calling it
// for every row of a large table costs almost nothing.
#pragma once

#include <chrono>
#include <functional>

namespace app {

class EventYielder {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  using ProcessEvents = std::function<void()>;

  static constexpr std::chrono::milliseconds kInterval{20};

  // Defaults: the steady clock and Qt's event processing (skipped when no
  // application object exists).
  explicit EventYielder(Clock clock = {}, ProcessEvents process = {});

  // Processes pending events if the interval has passed since the last time.
  // Returns whether it did.
  bool operator()();

 private:
  Clock clock_;
  ProcessEvents process_;
  std::chrono::steady_clock::time_point last_;
};

// The program's shared yielder: processes pending window events at most every ~20 ms.
void YieldToEvents();

}  // namespace app
