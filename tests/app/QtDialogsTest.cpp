#include "app/ApplicationTitle.h"
#include "app/ErrorPolicy.h"
#include "app/QtDialogs.h"
#include "app/ScriptedDialogs.h"
#include "app/WebPages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `inspect` on the modal dialog once it is up, then lets `close` end it.
template <class DialogType>
void WhenShown(std::function<void(DialogType*)> inspectAndClose) {
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [inspectAndClose, poll] {
    if (auto* dialog = qobject_cast<DialogType*>(QApplication::activeModalWidget())) {
      inspectAndClose(dialog);
      return;
    }
    QTimer::singleShot(10, *poll);
  };
  QTimer::singleShot(0, *poll);
}

TEST(QtDialogs, ErrorBoxIsAPlainTextWarningWithOk) {
  app::QtDialogs dialogs;
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  Qt::TextFormat format = Qt::AutoText;
  WhenShown<QMessageBox>([&](QMessageBox* box) {
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->standardButtons();
    format = box->textFormat();
    box->button(QMessageBox::Ok)->click();
  });
  app::ReportApplicationError(dialogs, app::Label("Form2", "PushButton3_Click"), 12, QStringLiteral("<b>x</b>"));
  EXPECT_EQ(title, QStringLiteral("Application Error"));
  EXPECT_EQ(text, QStringLiteral("<b>x</b>\nin Quillmere2021/08/31.Form2.PushButton3_Click at line 12\n\n"
                                 "Please email screenshot of this message to support@example.com"));
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(format, Qt::PlainText);
}

TEST(QtDialogs, AShortNoticeIsWideEnoughForItsWholeTitle) {
  app::SetApplicationTitle();
  app::QtDialogs dialogs;
  int width = 0, titleWidth = 0;
  WhenShown<QMessageBox>([&](QMessageBox* box) {
    width = box->width();
    titleWidth = QFontMetrics(box->font()).horizontalAdvance(box->windowTitle());
    box->button(QMessageBox::Ok)->click();
  });
  dialogs.message(QStringLiteral("Done."), QString(), app::MessageButtons::Ok, app::MessageIcon::None);
  EXPECT_GT(titleWidth, 0);
  // Room for the title and the title bar's icon and buttons.
  EXPECT_GE(width, titleWidth + 100);
}

TEST(QtDialogs, AWebPageThatNoBrowserCanShowIsSaidInABox) {
  app::QtDialogs dialogs;
  const QByteArray path = qgetenv("PATH");
  QTemporaryDir empty;  // no xdg-open, no browser
  qputenv("PATH", empty.path().toLocal8Bit());
  QString text;
  WhenShown<QMessageBox>([&](QMessageBox* box) {
    text = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  dialogs.openUrl(QString::fromLatin1(app::kHomePageAddress));
  qputenv("PATH", path);
  EXPECT_EQ(text, QStringLiteral("No web browser could be started to show ") + QString::fromLatin1(app::kHomePageAddress));
}

TEST(QtDialogs, QuestionWithoutTitleUsesTheApplicationTitleAndGivesTheAnswer) {
  app::SetApplicationTitle();
  app::QtDialogs dialogs;
  QString title;
  WhenShown<QMessageBox>([&](QMessageBox* box) {
    title = box->windowTitle();
    box->button(QMessageBox::No)->click();
  });
  EXPECT_EQ(dialogs.message(QStringLiteral("Would you like to overwrite orders?"), QString(),
                            app::MessageButtons::YesNo, app::MessageIcon::None),
            app::MessageAnswer::No);
  EXPECT_EQ(title, QStringLiteral("Tabloren"));

  WhenShown<QMessageBox>([&](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  EXPECT_EQ(dialogs.message(QStringLiteral("Overwrite?"), QStringLiteral("Overwrite?"), app::MessageButtons::YesNo,
                            app::MessageIcon::Question),
            app::MessageAnswer::Yes);
}

TEST(QtDialogs, InputBoxGivesTheTextOrNothingOnCancel) {
  app::QtDialogs dialogs;
  WhenShown<QInputDialog>([](QInputDialog* box) {
    box->setTextValue(QStringLiteral("new name"));
    box->accept();
  });
  EXPECT_EQ(dialogs.input(QStringLiteral("Enter new name of t:"), QString(), QStringLiteral("t")),
            std::optional<QString>(QStringLiteral("new name")));
  WhenShown<QInputDialog>([](QInputDialog* box) { box->reject(); });
  EXPECT_EQ(dialogs.input(QStringLiteral("Enter new name of t:"), QString(), QStringLiteral("t")), std::nullopt);
}

TEST(ScriptedDialogs, QueuedAnswersThenTheDefault) {
  app::ScriptedDialogs dialogs;
  dialogs.queueAnswer(app::MessageAnswer::Yes);
  dialogs.queueInput(QStringLiteral("renamed"));
  const auto ask = [&] {
    return dialogs.message(QStringLiteral("q"), QStringLiteral("Overwrite?"), app::MessageButtons::YesNo,
                           app::MessageIcon::Question);
  };
  // An OK box does not use up a queued answer.
  EXPECT_EQ(dialogs.message(QStringLiteral("note"), QString(), app::MessageButtons::Ok, app::MessageIcon::None),
            app::MessageAnswer::Ok);
  EXPECT_EQ(ask(), app::MessageAnswer::Yes);
  EXPECT_EQ(ask(), app::MessageAnswer::No);
  dialogs.setDefaultAnswer(app::MessageAnswer::Yes);
  EXPECT_EQ(ask(), app::MessageAnswer::Yes);
  EXPECT_EQ(dialogs.input(QStringLiteral("p"), QString(), QString()), std::optional<QString>(QStringLiteral("renamed")));
  EXPECT_EQ(dialogs.input(QStringLiteral("p"), QString(), QString()), std::nullopt);
  EXPECT_EQ(dialogs.openFile({QStringLiteral("Open"), {QStringLiteral("All (*)")}, QString()}), std::nullopt);
  EXPECT_EQ(dialogs.unusedAnswers(), 0u);
  ASSERT_EQ(dialogs.shown().size(), 7u);
  EXPECT_EQ(dialogs.shown()[1].title, QStringLiteral("Overwrite?"));
  EXPECT_EQ(dialogs.shown()[1].icon, app::MessageIcon::Question);
  EXPECT_EQ(dialogs.shown()[6].kind, app::ShownDialog::Kind::OpenFile);
}

}  // namespace
