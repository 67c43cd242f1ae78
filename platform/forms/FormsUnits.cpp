#include "FormsUnits.h"

#include "RuntimeUnits.h"
#include "ActnList.h"
#include "Clipbrd.h"
#include "ComCtrls.h"
#include "Controls.h"
#include "Dialogs.h"
#include "DragObjs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "ImgList.h"
#include "Jpeg.h"
#include "Menus.h"
#include "StdCtrls.h"

namespace {
const TUnitList* const Needs[] = {&RuntimeUnits};
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &GraphicsUnit,
    &ControlsUnit,
    &FormsUnit,
    &JpegUnit,
    &ClipbrdUnit,
    &MenusUnit,
    &ImgListUnit,
    &ActnListUnit,
    &StdCtrlsUnit,
    &ComCtrlsUnit,
    &ExtCtrlsUnit,
    &DialogsUnit,
    &DragObjsUnit,
};
}  // namespace

const TUnitList FormsUnits = {L"FormsUnits", Needs, Units};
