#include <gtest/gtest.h>

#include <cstring>

#include "FormsTestSupport.h"
#include "FormsUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(FormsUnits);
  // A test that needs a window of another process starts this program again.
  if (argc == 2 && std::strcmp(argv[1], zs_test::ForeignFormSwitch) == 0) return zs_test::ShowForeignForm();
  return RUN_ALL_TESTS();
}
