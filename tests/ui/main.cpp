// The windows need an application object; tests run on the offscreen platform.
#include "ado/access/AccessProvider.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // The remembered password goes to the desktop's keyring when one answers: never the keyring of
  // whoever runs the tests, only the one the keyring test starts on a bus of its own.
  if (!qEnvironmentVariableIsSet("TABLOREN_TEST_KEYRING"))
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tabloren-tests-use-no-keyring");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ado::access::RegisterAccessProvider();  // as the program does at start-up
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
