#include "transfer/TableTransaction.h"

#include <exception>

namespace transfer {

namespace {
// The description of the exception being handled (inside a catch block only).
QString CurrentDescription() { return app::CurrentFailure().description; }
}  // namespace

bool TableTransaction::begin(int line) {
  if (const auto failure = r_.attempt(line, [&] { target_.BeginTrans(); })) {
    // Nothing has been changed yet: there is nothing to roll back.
    r_.reportTableUndone(line, table_, 0,
                         GivenUpMessage(table_, QStringLiteral("no transaction could be begun on the target"),
                                        failure->description, QString()));
    return false;
  }
  open_ = true;
  return true;
}

bool TableTransaction::commit(int line) {
  if (!open_) return false;
  open_ = false;
  const auto failure = r_.attempt(line, [&] { target_.CommitTrans(); });
  if (!failure) return true;
  r_.reportTableUndone(line, table_, 0,
                       GivenUpMessage(table_, QStringLiteral("its rows could not be committed"), failure->description,
                                      QString()));
  return false;
}

void TableTransaction::giveUp(int line, std::int64_t row, const QString& what, const QString& reason,
                              const QString& plainReason) {
  const QString rollbackFailure = open_ ? rollBack() : QString();
  r_.reportTableUndone(line, table_, row, GivenUpMessage(table_, what, reason, rollbackFailure),
                       plainReason.isEmpty() ? QString() : GivenUpMessage(table_, what, plainReason, rollbackFailure));
}

void TableTransaction::abandon() {
  if (open_) rollBack();
}

QString TableTransaction::rollBack() {
  open_ = false;
  try {
    target_.RollbackTrans();
    return QString();
  } catch (...) {
    return CurrentDescription();
  }
}

QString TableTransaction::GivenUpMessage(const QString& table, const QString& what, const QString& reason,
                                         const QString& rollbackFailure) {
  QString text = QStringLiteral("Table \"") + table + QStringLiteral("\" was not copied");
  if (rollbackFailure.isEmpty()) text += QStringLiteral("; the target is as it was before this table");
  text += QStringLiteral(": ") + what;
  if (!reason.isEmpty()) text += QStringLiteral(": ") + reason;
  if (!rollbackFailure.isEmpty())
    text += QStringLiteral(". Undoing its changes failed as well, so the target may hold part of them: ") +
            rollbackFailure;
  return text;
}

}  // namespace transfer
