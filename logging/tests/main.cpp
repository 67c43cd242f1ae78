#include <winsock2.h>  // first: Winsock 2 before windows.h

#include <gtest/gtest.h>

#include "LoggingUnits.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(LoggingUnits);
  return RUN_ALL_TESTS();
}
