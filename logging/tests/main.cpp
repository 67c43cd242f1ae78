#include <gtest/gtest.h>

#include "Classes.h"
#include "Controls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "SysInit.h"
#include "SysUtils.h"
#include "Variants.h"
#include "VantrelGlobal.h"
#include "VantrelLogging.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({SysUtilsUnit, ClassesUnit, VariantsUnit, GraphicsUnit, ControlsUnit, FormsUnit, ExtCtrlsUnit, VantrelGlobalUnit, VantrelLoggingUnit});
  return RUN_ALL_TESTS();
}
