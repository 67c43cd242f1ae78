#include "FormsUnits.h"

#include "RuntimeUnits.h"
#include "Clipbrd.h"
#include "ComCtrls.h"
#include "Controls.h"
#include "DragObjs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "Jpeg.h"
#include "Menus.h"

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
    &ComCtrlsUnit,
    &ExtCtrlsUnit,
    &DragObjsUnit,
};
}  // namespace

const TUnitList FormsUnits = {L"FormsUnits", Needs, Units};
