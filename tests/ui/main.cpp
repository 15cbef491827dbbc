// The windows need an application object; tests run on the offscreen platform.
#include "ado/access/AccessProvider.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ado::access::RegisterAccessProvider();  // as the program does at start-up
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
