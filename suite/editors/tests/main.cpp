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
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxClasses.h"
#include "vxControls.h"
#include "vxDWMApi.h"
#include "vxData.h"
#include "vxDataConsts.h"
#include "vxDataStorage.h"
#include "vxDataUtils.h"
#include "vxDrawTextUtils.h"
#include "vxEditConsts.h"
#include "vxEditPaintUtils.h"
#include "vxFilterControlStrs.h"
#include "vxFormats.h"
#include "vxGeometry.h"
#include "vxGraphics.h"
#include "vxLibraryConsts.h"
#include "vxLookAndFeelPainters.h"
#include "vxLookAndFeels.h"
#include "vxStyles.h"
#include "vxVariants.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({SysUtilsUnit,         ClassesUnit,
                    VariantsUnit,         FMTBcdUnit,
                    SqlTimStUnit,         GraphicsUnit,
                    ControlsUnit,         FormsUnit,
                    vdCoreUnit,           vxClassesUnit,
                    vdUxThemeUnit,        vdThemeManagerUnit,
                    vdOffice11Unit,       vxGeometryUnit,
                    vxDrawTextUtilsUnit,  vxLookAndFeelPaintersUnit,
                    vxLookAndFeelsUnit,   vxDWMApiUnit,
                    vxControlsUnit,       vxGraphicsUnit,
                    vxDataConstsUnit,     vxVariantsUnit,
                    vxDataUtilsUnit,      vxDataStorageUnit,
                    vxCustomDataUnit,     vxDataUnit,
                    vxStylesUnit,         vxLibraryConstsUnit,
                    vxEditConstsUnit,     vxFilterControlStrsUnit,
                    vxEditPaintUtilsUnit, vxFormatsUnit});
  return RUN_ALL_TESTS();
}
