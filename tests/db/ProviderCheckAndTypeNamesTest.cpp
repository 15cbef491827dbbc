#include "ado/Error.h"
#include "app/ScriptedDialogs.h"
#include "db/Datatype.h"
#include "db/ProviderCheck.h"

#include <gtest/gtest.h>

#include <set>

namespace db {
namespace {

ConnectionCreator failingWith(long number, const std::string& description) {
  return [=]() -> std::unique_ptr<ado::Connection> { throw ado::Error(number, description); };
}

TEST(CheckDataProvider, ACreatableConnectionPassesSilently) {
  app::ScriptedDialogs dialogs;
  EXPECT_TRUE(CheckDataProvider(dialogs));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST(CheckDataProvider, AMissingProviderAsksAndYesOpensBothDownloadPagesInOrder) {
  app::ScriptedDialogs dialogs;
  dialogs.queueAnswer(app::MessageAnswer::Yes);
  EXPECT_FALSE(CheckDataProvider(dialogs, failingWith(3706, "Provider cannot be found.")));
  ASSERT_EQ(dialogs.shown().size(), 3u);
  const app::ShownDialog& box = dialogs.shown()[0];
  EXPECT_EQ(box.text,
            QStringLiteral("Error #3706: Provider cannot be found. It may not be properly installed.\r\n\r\n"
                           "You are getting this error because:\r\n\r\n"
                           "1. Microsoft Access is not installed on your computer.\r\n\r\n"
                           "2. A set of Microsoft components to transfer data is not installed on your computer.\r\n\r\n"
                           "You need to download and install Microsoft Access Database Engine 2010 or 2016 to solve "
                           "this problem.\r\n\r\n"
                           "Would you like me to open the Microsoft site now so you can do this?\r\n\r\n"
                           "(If you have any further questions please email a screenshot of this error message to "
                           "support@example.com)"));
  EXPECT_EQ(box.buttons, app::MessageButtons::YesNo);
  EXPECT_EQ(box.icon, app::MessageIcon::None);
  EXPECT_EQ(box.title, QStringLiteral("Tabloren"));
  EXPECT_EQ(dialogs.openedUrls(),
            (QStringList{QStringLiteral("https://www.microsoft.com/en-us/download/details.aspx?id=13255"),
                         QStringLiteral("https://www.microsoft.com/en-us/download/details.aspx?id=54920")}));
}

TEST(CheckDataProvider, NoOpensNothingAndOtherFailuresShowNothing) {
  app::ScriptedDialogs dialogs;
  dialogs.queueAnswer(app::MessageAnswer::No);
  // Recognised by the description alone, in any case.
  EXPECT_FALSE(CheckDataProvider(dialogs, failingWith(-1, "The PROVIDER CANNOT BE FOUND here")));
  EXPECT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.openedUrls().isEmpty());

  dialogs.clearShown();
  EXPECT_FALSE(CheckDataProvider(dialogs, failingWith(429, "ActiveX component can't create object")));
  EXPECT_FALSE(CheckDataProvider(dialogs, [] () -> std::unique_ptr<ado::Connection> { throw std::bad_alloc(); }));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST(DataTypeName, ThirtyNinePairsAndNothingElse) {
  EXPECT_EQ(DataTypeName(202), QStringLiteral("adVarWChar"));
  EXPECT_EQ(DataTypeName(3), QStringLiteral("adInteger"));
  EXPECT_EQ(DataTypeName(0), QStringLiteral("adEmpty"));
  EXPECT_EQ(DataTypeName(205), QStringLiteral("adLongVarBinary"));
  EXPECT_EQ(DataTypeName(8), QStringLiteral("adBSTR"));
  EXPECT_EQ(DataTypeName(72), QStringLiteral("adGUID"));
  for (int gap : {1, 15, 206, 8192, -1, -32768, 32767, 22, 137})
    EXPECT_TRUE(DataTypeName(static_cast<std::int16_t>(gap)).isEmpty()) << gap;

  std::set<QString> names;
  for (int type = -32768; type <= 32767; ++type) {
    const QString name = DataTypeName(static_cast<std::int16_t>(type));
    if (!name.isEmpty()) {
      EXPECT_TRUE(name.startsWith(QLatin1String("ad"))) << type;
      names.insert(name);
    }
  }
  EXPECT_EQ(names.size(), 39u);  // and all distinct
}

}  // namespace
}  // namespace db
