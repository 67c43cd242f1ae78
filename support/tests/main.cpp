#include <gtest/gtest.h>

#include "SupportUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(SupportUnits);
  return RUN_ALL_TESTS();
}
