#include <gtest/gtest.h>

#include "SuitePageControlUnits.h"
#include "SuiteTreeListUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(SuiteTreeListUnits);
  // The customization form shows its lists on a page control: its units start after the
  // tree list's, in the program's order.
  TUnitScope pageControlUnits(SuitePageControlUnits);
  return RUN_ALL_TESTS();
}
