#include <winsock2.h>  // first: Winsock 2 before windows.h

#include <gtest/gtest.h>

#include "Classes.h"
#include "Graphics.h"
#include "SysInit.h"
#include "SysUtils.h"
#include "VRNetComponent.h"
#include "VRNetGlobal.h"
#include "VRNetIOHandler.h"
#include "VRNetIOHandlerStack.h"
#include "VRNetStack.h"
#include "VRNetStackWindows.h"
#include "VRNetWship6.h"
#include "Variants.h"
#include "VantrelGlobal.h"
#include "VantrelLogging.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({SysUtilsUnit, ClassesUnit, VariantsUnit, GraphicsUnit, VRNetGlobalUnit, VRNetWinsock2Unit,
                    VRNetWship6Unit, VRNetStackWindowsUnit, VRNetStackUnit, VRNetComponentUnit, VRNetIOHandlerUnit,
                    VRNetIOHandlerStackUnit, VantrelGlobalUnit, VantrelLoggingUnit});
  return RUN_ALL_TESTS();
}
