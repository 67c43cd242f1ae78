#include "SuiteCoreUnits.h"

#include "FormsUnits.h"
#include "vdCore.h"
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxClasses.h"
#include "vxContainer.h"
#include "vxContainerRoutines.h"
#include "vxControls.h"
#include "vxDWMApi.h"
#include "vxDrawTextUtils.h"
#include "vxGeometry.h"
#include "vxGraphics.h"
#include "vxLookAndFeelPainters.h"
#include "vxLookAndFeels.h"

namespace {
const TUnitList* const Needs[] = {&FormsUnits};
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &vdCoreUnit,
    &vxClassesUnit,
    &vdUxThemeUnit,
    &vdThemeManagerUnit,
    &vdOffice11Unit,
    &vxGeometryUnit,
    &vxDrawTextUtilsUnit,
    &vxLookAndFeelPaintersUnit,
    &vxLookAndFeelsUnit,
    &vxDWMApiUnit,
    &vxContainerUnit,
    &vxContainerRoutinesUnit,
    &vxControlsUnit,
    &vxGraphicsUnit,
};
}  // namespace

const TUnitList SuiteCoreUnits = {L"SuiteCoreUnits", Needs, Units};
