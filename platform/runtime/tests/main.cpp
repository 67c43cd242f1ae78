#include <gtest/gtest.h>

#include "Classes.h"
#include "SysInit.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({ClassesUnit});
  return RUN_ALL_TESTS();
}
