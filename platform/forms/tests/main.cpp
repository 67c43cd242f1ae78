#include <gtest/gtest.h>

#include "Graphics.h"
#include "SysInit.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({GraphicsUnit});
  return RUN_ALL_TESTS();
}
