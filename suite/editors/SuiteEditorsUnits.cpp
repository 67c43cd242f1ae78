#include "SuiteEditorsUnits.h"

#include "SuiteDataUnits.h"
#include "vxDropDownEdit.h"
#include "vxEdit.h"
#include "vxEditConsts.h"
#include "vxEditPaintUtils.h"
#include "vxFilterControlStrs.h"
#include "vxFormats.h"
#include "vxLibraryConsts.h"
#include "vxMaskEdit.h"
#include "vxTextEdit.h"

namespace {
const TUnitList* const Needs[] = {&SuiteDataUnits};
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &vxLibraryConstsUnit, &vxEditConstsUnit, &vxFilterControlStrsUnit, &vxEditPaintUtilsUnit,
    &vxEditUnit,          &vxFormatsUnit,    &vxTextEditUnit, &vxMaskEditUnit, &vxDropDownEditUnit,
};
}  // namespace

const TUnitList SuiteEditorsUnits = {L"SuiteEditorsUnits", Needs, Units};
