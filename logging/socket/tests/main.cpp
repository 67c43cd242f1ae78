#include "TestPeer.h"  // first: Winsock 2 before windows.h

#include <gtest/gtest.h>

#include "VRNetUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(VRNetUnits);
  return RUN_ALL_TESTS();
}
