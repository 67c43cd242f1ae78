#include <gtest/gtest.h>

#include "SuiteEditorsUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(SuiteEditorsUnits);
  return RUN_ALL_TESTS();
}
