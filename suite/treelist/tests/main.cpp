#include <gtest/gtest.h>

#include "SuitePageControlUnits.h"
#include "SuiteTreeListUnits.h"

namespace {
// The customization form shows its lists on a page control: the tests start its units
// after the tree list's, in the program's order.
const TUnitList* const Needs[] = {&SuiteTreeListUnits, &SuitePageControlUnits};
const TUnitList TestUnits = {L"SuiteTreeListTestUnits", Needs, {}};
}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(TestUnits);
  return RUN_ALL_TESTS();
}
