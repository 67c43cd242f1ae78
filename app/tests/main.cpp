#include <gtest/gtest.h>

#include "ProgramUnits.h"

// Starts the same list as the program's entry; the test program carries the program's
// resources and manifest too.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(ProgramUnits);
  return RUN_ALL_TESTS();
}
