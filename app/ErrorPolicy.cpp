#include "app/ErrorPolicy.h"

#include "ado/Error.h"

#include <exception>
#include <new>

namespace app {

namespace {
// The fixed part of every label: the project name and its date stamp.
constexpr char kLabelPrefix[] = "in Quillmere2021/08/31.";
}  // namespace

Label::Label(QString window, QString handler)
    : window_(std::move(window)),
      handler_(std::move(handler)),
      text_(QString::fromLatin1(kLabelPrefix) + window_ + QLatin1Char('.') + handler_ + QLatin1Char(' ')) {}

Failure CurrentFailure() {
  try {
    throw;
  } catch (const ado::Error& e) {
    return {QString::fromUtf8(e.what()), e.number(), QString::fromStdString(e.reason()),
            QString::fromStdString(e.column())};
  } catch (const std::bad_alloc&) {
    return {QStringLiteral("Out of memory"), 7, QStringLiteral("Out of memory")};
  } catch (const std::exception& e) {
    return {QString::fromUtf8(e.what()), 0, QString::fromUtf8(e.what())};
  } catch (...) {
    return {QStringLiteral("Unexpected failure of unknown kind"), 0, QStringLiteral("Unexpected failure of unknown kind")};
  }
}

QString ApplicationErrorMessage(const QString& label, int line, const QString& description) {
  return description + QStringLiteral("\r\n") + label + QStringLiteral("at line ") + QString::number(line) +
         QStringLiteral("\r\rPlease email screenshot of this message to ") + QString::fromLatin1(kSupportAddress);
}

void ReportApplicationError(Dialogs& dialogs, const QString& label, int line, const QString& description) {
  dialogs.message(ApplicationErrorMessage(label, line, description), QString::fromLatin1(kApplicationErrorTitle),
                  MessageButtons::Ok, MessageIcon::Warning);
}

void ReportApplicationError(Dialogs& dialogs, const Label& label, int line, const QString& description) {
  ReportApplicationError(dialogs, label.text(), line, description);
}

Handler::Handler(Dialogs& dialogs, Label label) : dialogs_(dialogs), label_(std::move(label)) {}

void Handler::replacePolicy(std::function<void(const Failure&)> onFailure) { replacement_ = std::move(onFailure); }

void Handler::handleFailure(const Failure& failure) {
  if (replacement_) {
    ended_ = true;
    try {
      replacement_(failure);
    } catch (...) {
      // The replacement is the handler's own failure path; nothing may escape it.
    }
    return;
  }
  // A failure of the box itself must not escape the handler either.
  try {
    if (observer_) observer_(failure);
    ReportApplicationError(dialogs_, label_, line_, failure.description);
  } catch (...) {
  }
}

}  // namespace app
