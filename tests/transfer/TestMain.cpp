#include "ado/access/AccessProvider.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ado::access::RegisterAccessProvider();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
