#include <gtest/gtest.h>

#include "Classes.h"
#include "Graphics.h"
#include "SysInit.h"
#include "SysUtils.h"
#include "Variants.h"
#include "VantrelGlobal.h"
#include "VantrelLogging.h"
#include "ZvVrIntf.h"
#include "ZvWindowsFolder.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({SysUtilsUnit, ClassesUnit, VariantsUnit, GraphicsUnit, VantrelGlobalUnit, VantrelLoggingUnit,
                    ZvVrIntfUnit, ZvWindowsFolderUnit});
  return RUN_ALL_TESTS();
}
