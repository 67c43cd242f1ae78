#include <gtest/gtest.h>

#include "FormsUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(FormsUnits);
  return RUN_ALL_TESTS();
}
