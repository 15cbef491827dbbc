#include "tools/cli/Report.h"

namespace cli {

QString FailureLine(const transfer::StatementFailure& failure) {
  const QString& reason = failure.reason.isEmpty() ? failure.description : failure.reason;
  // A table given up names its table and row in its own words.
  if (failure.tableUndone) return reason;
  QStringList where;
  if (!failure.table.isEmpty()) where << QStringLiteral("table \"%1\"").arg(failure.table);
  if (failure.row > 0) where << QStringLiteral("row %1").arg(failure.row);
  if (!failure.column.isEmpty()) where << QStringLiteral("column \"%1\"").arg(failure.column);
  return where.isEmpty() ? reason : where.join(QStringLiteral(", ")) + QStringLiteral(": ") + reason;
}

void CopyReport::line(const QString& text) {
  beforeLine_();
  print_(text);
}

void CopyReport::failure(const transfer::StatementFailure& failure) {
  ++failures_;
  line(FailureLine(failure));
}

void CopyReport::dialog(const app::ShownDialog& box) {
  if (box.kind != app::ShownDialog::Kind::Message) return;
  if (box.icon == app::MessageIcon::Warning) {
    // An "Application Error" box: its failure has been reported as data just before.
    ++errorBoxes_;
  } else if (box.buttons == app::MessageButtons::YesNo) {
    line(box.text + (box.answer == app::MessageAnswer::Yes ? QStringLiteral(" Yes (--overwrite yes)")
                                                           : QStringLiteral(" No: skipped (--overwrite no)")));
  } else {
    line(box.text);
  }
}

}  // namespace cli
