#include "app/Settings.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Each test gets its own configuration folder through XDG_CONFIG_HOME.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    saved_ = qgetenv("XDG_CONFIG_HOME");
    hadSaved_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    configHome_ = folder_.path() + QStringLiteral("/config home");  // not created yet: WriteSetting must
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome_));
  }
  void TearDown() override {
    if (hadSaved_)
      qputenv("XDG_CONFIG_HOME", saved_);
    else
      qunsetenv("XDG_CONFIG_HOME");
  }
  static unsigned Mode(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) return 0xffff;
    return status.st_mode & 07777;
  }

  QTemporaryDir folder_;
  QString configHome_;
  QByteArray saved_;
  bool hadSaved_ = false;
};

TEST_F(SettingsTest, FileLocationAndMissingValues) {
  EXPECT_EQ(app::SettingsFilePath(), configHome_ + QStringLiteral("/Marrowind.conf"));
  // First run: nothing stored, nothing created by reading.
  EXPECT_EQ(app::ReadSetting(QString::fromLatin1(app::kSettingSQLiteDatabase)), QString());
  EXPECT_FALSE(QFile::exists(app::SettingsFilePath()));
  app::WriteSetting(QString::fromLatin1(app::kSettingAccessMDBFile), QStringLiteral("/data/a.mdb"));
  EXPECT_EQ(app::ReadSetting(QString::fromLatin1(app::kSettingAccessPassword)), QString());
}

TEST_F(SettingsTest, ValuesRoundTripExactly) {
  const QStringList values = {
      QString(),
      QStringLiteral("/home/me/My Databases/shop 2021.db3"),
      QStringLiteral("  leading and trailing blanks  "),
      QStringLiteral("\"quoted\" and 'single' quotes"),
      QStringLiteral("C:\\Data\\new\\table.mdb"),
      QStringLiteral("semi;colon = equals # hash , comma"),
      QStringLiteral("a,b"),
      QStringLiteral("@Variant(not really)"),
      QStringLiteral("[Tabloren]"),
      QString::fromUtf8("p\xc3\xa4ssw\xc3\xb6rd \xe2\x82\xac \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x94\x91"),
      QStringLiteral("line one\nline two\ttab"),
      QStringLiteral(" "),
  };
  const QString key = QString::fromLatin1(app::kSettingAccessPassword);
  for (const QString& value : values) {
    app::WriteSetting(key, value);
    EXPECT_EQ(app::ReadSetting(key), value) << value.toStdString();
  }
}

TEST_F(SettingsTest, KeysAreIndependentAndLastWriteWins) {
  const QString sqlite = QString::fromLatin1(app::kSettingSQLiteDatabase);
  const QString access = QString::fromLatin1(app::kSettingAccessMDBFile);
  const QString password = QString::fromLatin1(app::kSettingAccessPassword);
  // Typing writes on every change.
  const QString typed = QStringLiteral("/tmp/x.db");
  for (int n = 1; n <= typed.size(); ++n) app::WriteSetting(sqlite, typed.left(n));
  app::WriteSetting(access, QStringLiteral("/tmp/y.accdb"));
  app::WriteSetting(password, QStringLiteral("secret"));
  EXPECT_EQ(app::ReadSetting(sqlite), typed);
  EXPECT_EQ(app::ReadSetting(access), QStringLiteral("/tmp/y.accdb"));
  EXPECT_EQ(app::ReadSetting(password), QStringLiteral("secret"));

  QFile file(app::SettingsFilePath());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray content = file.readAll();
  EXPECT_TRUE(content.contains("[Tabloren]"));
  EXPECT_TRUE(content.contains("AccessPassword=secret"));  // stored as typed, no encoding
}

TEST_F(SettingsTest, FileIsOwnerOnlyOnCreationAndAfterEveryWrite) {
  const QString key = QString::fromLatin1(app::kSettingAccessPassword);
  app::WriteSetting(key, QStringLiteral("first"));
  EXPECT_EQ(Mode(app::SettingsFilePath()), 0600u);
  // Even when someone widened it in between, the next write narrows it again.
  ASSERT_EQ(::chmod(QFile::encodeName(app::SettingsFilePath()).constData(), 0644), 0);
  app::WriteSetting(key, QStringLiteral("second"));
  EXPECT_EQ(Mode(app::SettingsFilePath()), 0600u);
  app::WriteSetting(QString::fromLatin1(app::kSettingSQLiteDatabase), QStringLiteral("/x"));
  EXPECT_EQ(Mode(app::SettingsFilePath()), 0600u);
}

TEST_F(SettingsTest, UnwritableLocationFailsWithTheFileName) {
  // The configuration "folder" is a file: nothing can be created below it.
  QFile blocker(configHome_);
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  try {
    app::WriteSetting(QString::fromLatin1(app::kSettingSQLiteDatabase), QStringLiteral("/x"));
    FAIL() << "write into a file path succeeded";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Marrowind.conf"), std::string::npos) << e.what();
  }
}

TEST_F(SettingsTest, FolderInPlaceOfTheFileFailsBothWays) {
  ASSERT_TRUE(QDir().mkpath(app::SettingsFilePath()));
  const QString key = QString::fromLatin1(app::kSettingSQLiteDatabase);
  EXPECT_THROW(app::WriteSetting(key, QStringLiteral("/x")), std::runtime_error);
  EXPECT_THROW(app::ReadSetting(key), std::runtime_error);
}

// Where a Secret Service keyring answers, the password is kept there and the settings file holds
// none (not even one written before the keyring was there); the other keys stay in the file.
// Run by ctest on a session bus of its own with a test keyring (KeyringTest.sh); skipped elsewhere.
TEST_F(SettingsTest, ThePasswordGoesToTheKeyringWhereOneAnswers) {
  if (!qEnvironmentVariableIsSet("TABLOREN_TEST_KEYRING")) GTEST_SKIP() << "no test keyring (see KeyringTest.sh)";
  const QString password = QString::fromLatin1(app::kSettingAccessPassword);
  QFile file(app::SettingsFilePath());
  ASSERT_TRUE(QDir().mkpath(configHome_));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Tabloren]\nAccessPassword=old plain\n");
  file.close();
  EXPECT_EQ(app::ReadSetting(password), "old plain");  // until the next change moves it

  app::WriteSetting(password, QStringLiteral("s3cr\u00e9t;=\"x"));
  app::WriteSetting(QString::fromLatin1(app::kSettingAccessMDBFile), QStringLiteral("/data/a.mdb"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray stored = file.readAll();
  file.close();
  EXPECT_FALSE(stored.contains("AccessPassword")) << stored.toStdString();
  EXPECT_TRUE(stored.contains("/data/a.mdb"));
  EXPECT_EQ(app::ReadSetting(password), QStringLiteral("s3cr\u00e9t;=\"x"));
}

}  // namespace
