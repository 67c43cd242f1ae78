#include <gtest/gtest.h>

#include "SysInit.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({});
  return RUN_ALL_TESTS();
}
