#include <gtest/gtest.h>

#include "Classes.h"
#include "Controls.h"
#include "Forms.h"
#include "Graphics.h"
#include "Jpeg.h"
#include "Clipbrd.h"
#include "Menus.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "DragObjs.h"
#include "Dialogs.h"
#include "ActnList.h"
#include "ImgList.h"
#include "StdCtrls.h"
#include "SysInit.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units({ClassesUnit, GraphicsUnit, ControlsUnit, FormsUnit, JpegUnit, ClipbrdUnit, MenusUnit, ImgListUnit, ActnListUnit, StdCtrlsUnit, ComCtrlsUnit, ExtCtrlsUnit, DialogsUnit, DragObjsUnit});
  return RUN_ALL_TESTS();
}
