#include <gtest/gtest.h>

#include "Classes.h"
#include "Controls.h"
#include "Forms.h"
#include "Graphics.h"
#include "SysInit.h"
#include "vdCore.h"
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxClasses.h"
#include "vxContainerRoutines.h"
#include "vxControls.h"
#include "vxDWMApi.h"
#include "vxDrawTextUtils.h"
#include "vxGeometry.h"
#include "vxGraphics.h"
#include "vxLookAndFeelPainters.h"
#include "vxLookAndFeels.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({ClassesUnit, GraphicsUnit, ControlsUnit, FormsUnit, vdCoreUnit, vxClassesUnit,
                    vdUxThemeUnit, vdThemeManagerUnit, vdOffice11Unit, vxGeometryUnit, vxDrawTextUtilsUnit,
                    vxLookAndFeelPaintersUnit, vxLookAndFeelsUnit, vxDWMApiUnit, vxContainerRoutinesUnit, vxControlsUnit,
                    vxGraphicsUnit});
  return RUN_ALL_TESTS();
}
