#include <gtest/gtest.h>

#include "AccessUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(AccessUnits);
  return RUN_ALL_TESTS();
}
