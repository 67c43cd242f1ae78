#include <gtest/gtest.h>

#include "RuntimeUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(RuntimeUnits);
  return RUN_ALL_TESTS();
}
