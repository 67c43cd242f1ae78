#include <gtest/gtest.h>

#include "QvNTSecurityUnit.h"
#include "Classes.h"
#include "SysInit.h"
#include "SysUtils.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({SysUtilsUnit, ClassesUnit, QvNTSecurityUnitUnit});
  return RUN_ALL_TESTS();
}
