// The failure policy of the windows' load and click handlers, written once.
//
// A handler is a list of numbered, guarded steps. When a step fails (any exception),
// the "Application Error" box reports the failure's description, the handler's
// location label and the step's line number; then the handler carries on with its
// next step. A failed if-condition counts as true, so its then-branch still runs.
//
//   app::Handler h(dialogs, app::Label("Form2", "PushButton3_Click"));
//   h.step(10, [&] { pointer.setPointer(app::PointerState::Hourglass); });
//   if (h.condition(20, [&] { return list.currentIndex() == -1; })) { ... }
//
// Line numbers are constants of the handler's source: unique and ascending within
// one handler. A failure inside a helper is reported with the number of the calling
// step, because the helper runs inside that step.
#pragma once

#include "app/Dialogs.h"

#include <QString>
#include <functional>
#include <optional>
#include <utility>

namespace app {

// The address that the error box asks the user to send a screenshot to.
inline constexpr char kSupportAddress[] = "support@example.com";
inline constexpr char kApplicationErrorTitle[] = "Application Error";

// The location label of a reporting handler:
// "in Quillmere2021/08/31." + window + "." + handler + " " (it ends in a space).
class Label {
 public:
  Label(QString window, QString handler);
  const QString& window() const { return window_; }
  const QString& handler() const { return handler_; }
  const QString& text() const { return text_; }

 private:
  QString window_;
  QString handler_;
  QString text_;
};

// What a failed step leaves behind. The number (the data-access layer's error
// number, 0 for other failures) is kept for the code that handles the failure
// itself; the error box never shows it.
struct Failure {
  QString description;
  long long number = 0;
  // What went wrong without the statement's text or the row's values, and the column it
  // concerns (empty when not known): for reports that must not repeat a user's data.
  QString reason;
  QString column;
};

// The failure of the exception being handled right now (call only inside a catch block).
Failure CurrentFailure();

// The error box's exact text: description, CR LF, label, "at line ", number, CR, CR,
// and the request to e-mail a screenshot to the support address.
QString ApplicationErrorMessage(const QString& label, int line, const QString& description);

// Shows the "Application Error" box (OK only, warning icon) and waits for OK.
void ReportApplicationError(Dialogs& dialogs, const QString& label, int line, const QString& description);
void ReportApplicationError(Dialogs& dialogs, const Label& label, int line, const QString& description);

class Handler {
 public:
  Handler(Dialogs& dialogs, Label label);
  Handler(const Handler&) = delete;
  Handler& operator=(const Handler&) = delete;

  // Runs one statement. A failure is handled by the policy in force (normally the
  // error box) and the handler goes on. True when the statement completed.
  template <class Statement>
  bool step(int line, Statement&& statement) {
    if (ended_) return false;
    line_ = line;
    try {
      std::forward<Statement>(statement)();
      return true;
    } catch (...) {
      handleFailure(CurrentFailure());
      return false;
    }
  }

  // Evaluates the test of an if-statement. When the test itself fails, the failure
  // is handled like a failed step and the result is true: the then-branch runs.
  // After the handler has ended (see replacePolicy) the result is false.
  template <class Test>
  bool condition(int line, Test&& test) {
    if (ended_) return false;
    line_ = line;
    try {
      return static_cast<bool>(std::forward<Test>(test)());
    } catch (...) {
      handleFailure(CurrentFailure());
      return !ended_;
    }
  }

  // Runs one statement and gives its failure back instead of handling it, for a
  // caller that reacts to this particular failure itself.
  template <class Statement>
  std::optional<Failure> attempt(int line, Statement&& statement) {
    if (ended_) return std::nullopt;
    line_ = line;
    try {
      std::forward<Statement>(statement)();
      return std::nullopt;
    } catch (...) {
      return CurrentFailure();
    }
  }

  // Replaces the error box for the rest of this handler: on the next failure the
  // replacement runs instead, and then the handler ends (every later step and
  // condition is skipped; conditions give false). Loops in the handler should
  // test ended() to stop early.
  void replacePolicy(std::function<void(const Failure&)> onFailure);
  // Told of every failure the handler shows in its error box, just before the box (a
  // report that keeps failures as data rather than reading them off the boxes).
  void setObserver(std::function<void(const Failure&)> observer) { observer_ = std::move(observer); }

  bool ended() const { return ended_; }
  int line() const { return line_; }  // the line number in force
  const Label& label() const { return label_; }
  Dialogs& dialogs() const { return dialogs_; }

 private:
  void handleFailure(const Failure& failure);

  Dialogs& dialogs_;
  Label label_;
  std::function<void(const Failure&)> replacement_;
  std::function<void(const Failure&)> observer_;
  int line_ = 0;
  bool ended_ = false;
};

}  // namespace app
