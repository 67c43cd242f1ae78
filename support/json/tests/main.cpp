#include <gtest/gtest.h>

#include "JsonUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(JsonUnits);
  return RUN_ALL_TESTS();
}
