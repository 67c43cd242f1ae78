#include <gtest/gtest.h>

#include "SuitePageControlUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(SuitePageControlUnits);
  return RUN_ALL_TESTS();
}
