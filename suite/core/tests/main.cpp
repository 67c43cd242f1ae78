#include <gtest/gtest.h>

#include "SuiteCoreUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(SuiteCoreUnits);
  return RUN_ALL_TESTS();
}
