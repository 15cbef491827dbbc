#include "app/ErrorPolicy.h"
#include "app/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

using app::Handler;
using app::Label;
using app::ScriptedDialogs;

const QString kTail = QStringLiteral("\r\rPlease email screenshot of this message to support@example.com");

[[noreturn]] void Fail(const char* description) { throw std::runtime_error(description); }

TEST(ErrorPolicy, MessageTextTitleButtonAndIcon) {
  ScriptedDialogs dialogs;
  Handler h(dialogs, Label("Form2", "PushButton3_Click"));
  h.step(170, [] { Fail("Table 'Orders' not found"); });

  ASSERT_EQ(dialogs.shown().size(), 1u);
  const app::ShownDialog& box = dialogs.shown()[0];
  EXPECT_EQ(box.text, QStringLiteral("Table 'Orders' not found\r\nin Quillmere2021/08/31.Form2.PushButton3_Click at line 170") +
                          kTail);
  EXPECT_EQ(box.title, QStringLiteral("Application Error"));
  EXPECT_EQ(box.buttons, app::MessageButtons::Ok);
  EXPECT_EQ(box.icon, app::MessageIcon::Warning);
}

TEST(ErrorPolicy, EmptyDescriptionAndNonAsciiDescription) {
  ScriptedDialogs dialogs;
  Handler h(dialogs, Label("Form1", "Form_Load"));
  h.step(5, [] { Fail(""); });
  h.step(6, [] { Fail("Tabelle \xc3\x84nderungen fehlt"); });
  const QStringList texts = dialogs.messageTexts();
  ASSERT_EQ(texts.size(), 2);
  EXPECT_EQ(texts[0], QStringLiteral("\r\nin Quillmere2021/08/31.Form1.Form_Load at line 5") + kTail);
  EXPECT_TRUE(texts[1].startsWith(QString::fromUtf8("Tabelle \xc3\x84nderungen fehlt\r\n")));
}

TEST(ErrorPolicy, FirstStepFailsAndTheRestStillRun) {
  ScriptedDialogs dialogs;
  Handler h(dialogs, Label("Form1", "PushButton2_Click"));
  std::vector<int> ran;
  EXPECT_FALSE(h.step(10, [] { Fail("first"); }));
  EXPECT_TRUE(h.step(20, [&] { ran.push_back(20); }));
  EXPECT_TRUE(h.step(30, [&] { ran.push_back(30); }));
  EXPECT_EQ(ran, (std::vector<int>{20, 30}));
  ASSERT_EQ(dialogs.messageTexts().size(), 1);
  EXPECT_TRUE(dialogs.messageTexts()[0].contains(QStringLiteral("at line 10\r")));
  EXPECT_FALSE(h.ended());
}

// The helper is abandoned at the failure: its later work is not done and its
// result is not assigned; the report carries the calling step's number.
TEST(ErrorPolicy, FailureInsideHelperReportsCallingStep) {
  ScriptedDialogs dialogs;
  Handler h(dialogs, Label("Form2", "PushButton4_Click"));
  bool helperFinished = false;
  auto helper = [&]() -> int {
    Fail("no such table: t");
    helperFinished = true;
    return 42;
  };
  int result = -1;
  h.step(40, [&] { result = helper(); });
  EXPECT_FALSE(helperFinished);
  EXPECT_EQ(result, -1);
  ASSERT_EQ(dialogs.messageTexts().size(), 1);
  EXPECT_TRUE(dialogs.messageTexts()[0].startsWith(
      QStringLiteral("no such table: t\r\nin Quillmere2021/08/31.Form2.PushButton4_Click at line 40\r")));
}

TEST(ErrorPolicy, FailedConditionRunsTheThenBranch) {
  ScriptedDialogs dialogs;
  Handler h(dialogs, Label("Form2", "PushButton1_Click"));
  bool thenBranch = false;
  if (h.condition(60, []() -> bool { Fail("cannot evaluate"); })) thenBranch = true;
  EXPECT_TRUE(thenBranch);
  EXPECT_FALSE(h.condition(70, [] { return false; }));
  EXPECT_TRUE(h.condition(80, [] { return true; }));
  EXPECT_EQ(dialogs.messageTexts().size(), 1);
}

TEST(ErrorPolicy, ThreeFailuresShowThreeBoxesInOrder) {
  ScriptedDialogs dialogs;
  Handler h(dialogs, Label("Form2", "PushButton5_Click"));
  bool reachedEnd = false;
  for (int pass = 0; pass < 3; ++pass) h.step(100 + pass, [&] { Fail("locked"); });
  h.step(200, [&] { reachedEnd = true; });
  EXPECT_TRUE(reachedEnd);
  const QStringList texts = dialogs.messageTexts();
  ASSERT_EQ(texts.size(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(texts[i].contains(QStringLiteral("at line %1\r").arg(100 + i)));
}

TEST(ErrorPolicy, NonStandardExceptionsAndOutOfMemoryAreReportedToo) {
  ScriptedDialogs dialogs;
  Handler h(dialogs, Label("Form1", "Form_Load"));
  h.step(1, [] { throw 42; });
  h.step(2, [] { throw std::bad_alloc(); });
  const QStringList texts = dialogs.messageTexts();
  ASSERT_EQ(texts.size(), 2);
  EXPECT_FALSE(texts[0].startsWith(QStringLiteral("\r\n")));  // some description, never a crash
  EXPECT_TRUE(texts[1].startsWith(QStringLiteral("Out of memory\r\n")));
}

// "Test Connection" replaces the box with its own failure path and then ends.
TEST(ErrorPolicy, ReplacedPolicyNeverShowsTheBoxAndEndsTheHandler) {
  ScriptedDialogs dialogs;
  Handler h(dialogs, Label("Form1", "PushButton3_Click"));
  std::vector<QString> handled;
  h.replacePolicy([&](const app::Failure& failure) {
    handled.push_back(failure.description);
    dialogs.message(QStringLiteral("Could not connect."), QString(), app::MessageButtons::Ok, app::MessageIcon::None);
  });
  bool later = false;
  h.step(10, [] { Fail("unable to open database file"); });
  h.step(20, [&] { later = true; });
  EXPECT_FALSE(h.condition(30, [] { return true; }));
  EXPECT_FALSE(later);
  EXPECT_TRUE(h.ended());
  EXPECT_EQ(handled, std::vector<QString>{QStringLiteral("unable to open database file")});
  EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Could not connect.")});
}

TEST(ErrorPolicy, AttemptGivesTheFailureBackWithoutABox) {
  ScriptedDialogs dialogs;
  Handler h(dialogs, Label("Form1", "PushButton3_Click"));
  EXPECT_FALSE(h.attempt(10, [] {}).has_value());
  const std::optional<app::Failure> failure = h.attempt(20, [] { Fail("busy"); });
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->description, QStringLiteral("busy"));
  EXPECT_EQ(h.line(), 20);
  EXPECT_TRUE(dialogs.shown().empty());
}

}  // namespace
