// Dialogs without a screen, for tests and the batch command: answers come from
// queues filled beforehand, and every box is recorded as it would have been shown.
#pragma once

#include "app/Dialogs.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace app {

struct ShownDialog {
  enum class Kind { Message, Input, OpenFile, Url };
  Kind kind = Kind::Message;
  QString text;     // message text, input prompt, or the web address
  QString title;    // the title as shown: the application title when the caller gave none
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
  QString defaultText;         // input box only
  QStringList filters;         // file dialog only
  QString startPath;           // file dialog only
  MessageAnswer answer = MessageAnswer::Ok;  // message boxes: the answer given
  std::optional<QString> result;             // input and file dialog: the answer given
};

class ScriptedDialogs : public Dialogs {
 public:
  // Answers, used in order. A Yes/No question with no queued answer gets the
  // default answer (No unless changed); an OK box needs no answer.
  void queueAnswer(MessageAnswer answer) { answers_.push_back(answer); }
  void setDefaultAnswer(MessageAnswer answer) { defaultAnswer_ = answer; }
  // Input box answers; nothing (std::nullopt) is Cancel. Unqueued input boxes are cancelled.
  void queueInput(std::optional<QString> text) { inputs_.push_back(std::move(text)); }
  // File dialog answers; nothing is Cancel. Unqueued file dialogs are cancelled.
  void queueFile(std::optional<QString> path) { files_.push_back(std::move(path)); }

  // Called with every box as it is shown (the batch command prints them).
  void setObserver(std::function<void(const ShownDialog&)> observer) { observer_ = std::move(observer); }

  const std::vector<ShownDialog>& shown() const { return shown_; }
  std::vector<ShownDialog> messages() const { return ofKind(ShownDialog::Kind::Message); }
  QStringList messageTexts() const;
  QStringList openedUrls() const;
  void clearShown() { shown_.clear(); }
  // Queued answers nobody asked for (a test usually expects none left).
  std::size_t unusedAnswers() const { return answers_.size() + inputs_.size() + files_.size(); }

  MessageAnswer message(const QString& text, const QString& title, MessageButtons buttons,
                        MessageIcon icon) override;
  std::optional<QString> input(const QString& prompt, const QString& title, const QString& defaultText) override;
  std::optional<QString> openFile(const FileDialogRequest& request) override;
  void openUrl(const QString& url) override;

 private:
  std::vector<ShownDialog> ofKind(ShownDialog::Kind kind) const;
  void record(ShownDialog dialog);

  std::deque<MessageAnswer> answers_;
  std::deque<std::optional<QString>> inputs_;
  std::deque<std::optional<QString>> files_;
  MessageAnswer defaultAnswer_ = MessageAnswer::No;
  std::function<void(const ShownDialog&)> observer_;
  std::vector<ShownDialog> shown_;
};

}  // namespace app
