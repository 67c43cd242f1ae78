#include <gtest/gtest.h>

#include "Classes.h"
#include "Controls.h"
#include "FMTBcd.h"
#include "Forms.h"
#include "Graphics.h"
#include "SqlTimSt.h"
#include "SysInit.h"
#include "Variants.h"
#include "vdCore.h"
#include "vxClasses.h"
#include "vxDataConsts.h"
#include "vxDataStorage.h"
#include "vxData.h"
#include "vxDataUtils.h"
#include "vxStyles.h"
#include "vxVariants.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({SysUtilsUnit, ClassesUnit, VariantsUnit, FMTBcdUnit, SqlTimStUnit, GraphicsUnit, ControlsUnit, FormsUnit,
                    vdCoreUnit, vxClassesUnit, vxDataConstsUnit, vxVariantsUnit, vxDataUtilsUnit,
                    vxDataStorageUnit, vxCustomDataUnit, vxDataUnit, vxStylesUnit});
  return RUN_ALL_TESTS();
}
