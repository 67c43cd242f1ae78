#include <gtest/gtest.h>

#include "SuiteEditorsStdUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(SuiteEditorsStdUnits);
  return RUN_ALL_TESTS();
}
