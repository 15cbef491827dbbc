// What a copy of the batch command tells on stderr: one line for each failure, made from the
// failure's data (table, source row, column, reason) and never from an error box's text, so
// a line never repeats a statement or a value of the user's rows; a table given up is one
// line. Questions and notes are shown with the answer the command gave.
#pragma once

#include "app/ScriptedDialogs.h"
#include "transfer/TransferEnvironment.h"

#include <QString>
#include <functional>

namespace cli {

// The line for one failure (without the program's name): a table given up in its own words,
// else `table "t", row N, column "c": reason` with what is known of the place.
QString FailureLine(const transfer::StatementFailure& failure);

class CopyReport {
 public:
  // `print` writes one line; `beforeLine` clears whatever is drawn on the terminal.
  CopyReport(std::function<void(const QString&)> print, std::function<void()> beforeLine)
      : print_(std::move(print)), beforeLine_(std::move(beforeLine)) {}

  void failure(const transfer::StatementFailure& failure);
  void dialog(const app::ShownDialog& box);
  // A failure was reported, or an error box shown.
  bool failed() const { return failures_ > 0 || errorBoxes_ > 0; }

 private:
  void line(const QString& text);

  std::function<void(const QString&)> print_;
  std::function<void()> beforeLine_;
  int failures_ = 0;
  int errorBoxes_ = 0;
};

}  // namespace cli
