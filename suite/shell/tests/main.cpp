#include <gtest/gtest.h>

#include "SuiteShellUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(SuiteShellUnits);
  return RUN_ALL_TESTS();
}
