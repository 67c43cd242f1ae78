#include <gtest/gtest.h>

#include "QvNTSecurityUnit.h"
#include "SysInit.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({QvNTSecurityUnitUnit});
  return RUN_ALL_TESTS();
}
