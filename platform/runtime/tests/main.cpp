#include <gtest/gtest.h>

#include "Classes.h"
#include "SysInit.h"
#include "SysUtils.h"
#include "Variants.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({SysUtilsUnit, ClassesUnit, VariantsUnit});
  return RUN_ALL_TESTS();
}
