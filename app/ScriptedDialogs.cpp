#include "app/ScriptedDialogs.h"

#include "app/QtDialogs.h"

namespace app {

MessageAnswer ScriptedDialogs::message(const QString& text, const QString& title, MessageButtons buttons,
                                       MessageIcon icon) {
  ShownDialog shown;
  shown.kind = ShownDialog::Kind::Message;
  shown.text = text;
  shown.title = BoxTitle(title);
  shown.buttons = buttons;
  shown.icon = icon;
  if (buttons == MessageButtons::YesNo) {
    shown.answer = defaultAnswer_;
    if (!answers_.empty()) {
      shown.answer = answers_.front();
      answers_.pop_front();
    }
  }
  const MessageAnswer answer = shown.answer;
  record(std::move(shown));
  return answer;
}

std::optional<QString> ScriptedDialogs::input(const QString& prompt, const QString& title,
                                              const QString& defaultText) {
  ShownDialog shown;
  shown.kind = ShownDialog::Kind::Input;
  shown.text = prompt;
  shown.title = BoxTitle(title);
  shown.defaultText = defaultText;
  if (!inputs_.empty()) {
    shown.result = inputs_.front();
    inputs_.pop_front();
  }
  std::optional<QString> result = shown.result;
  record(std::move(shown));
  return result;
}

std::optional<QString> ScriptedDialogs::openFile(const FileDialogRequest& request) {
  ShownDialog shown;
  shown.kind = ShownDialog::Kind::OpenFile;
  shown.title = BoxTitle(request.title);
  shown.filters = request.filters;
  shown.startPath = request.startPath;
  if (!files_.empty()) {
    shown.result = files_.front();
    files_.pop_front();
  }
  std::optional<QString> result = shown.result;
  record(std::move(shown));
  return result;
}

void ScriptedDialogs::openUrl(const QString& url) {
  ShownDialog shown;
  shown.kind = ShownDialog::Kind::Url;
  shown.text = url;
  record(std::move(shown));
}

QStringList ScriptedDialogs::messageTexts() const {
  QStringList texts;
  for (const ShownDialog& d : shown_)
    if (d.kind == ShownDialog::Kind::Message) texts << d.text;
  return texts;
}

QStringList ScriptedDialogs::openedUrls() const {
  QStringList urls;
  for (const ShownDialog& d : shown_)
    if (d.kind == ShownDialog::Kind::Url) urls << d.text;
  return urls;
}

std::vector<ShownDialog> ScriptedDialogs::ofKind(ShownDialog::Kind kind) const {
  std::vector<ShownDialog> result;
  for (const ShownDialog& d : shown_)
    if (d.kind == kind) result.push_back(d);
  return result;
}

void ScriptedDialogs::record(ShownDialog dialog) {
  shown_.push_back(std::move(dialog));
  if (observer_) observer_(shown_.back());
}

}  // namespace app
