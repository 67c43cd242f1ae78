#include <gtest/gtest.h>

#include "SuiteTreeListUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(SuiteTreeListUnits);
  return RUN_ALL_TESTS();
}
