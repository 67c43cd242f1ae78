#include <gtest/gtest.h>

#include "SuiteDataUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(SuiteDataUnits);
  return RUN_ALL_TESTS();
}
