#include "app/Yield.h"

#include <QCoreApplication>

namespace app {

namespace {
void ProcessPendingEvents() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}
}  // namespace

EventYielder::EventYielder(Clock clock, ProcessEvents process)
    : clock_(std::move(clock)), process_(std::move(process)) {
  if (!process_) process_ = ProcessPendingEvents;
  last_ = clock_ ? clock_() : std::chrono::steady_clock::now();
}

bool EventYielder::operator()() {
  const auto now = clock_ ? clock_() : std::chrono::steady_clock::now();
  if (now - last_ < kInterval) return false;
  last_ = now;
  process_();
  return true;
}

void YieldToEvents() {
  static EventYielder yielder;
  yielder();
}

}  // namespace app
