#include "SuiteCoreUnits.h"

#include "FormsUnits.h"
#include "vdCore.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxClasses.h"
#include "vxDWMApi.h"
#include "vxGeometry.h"
#include "vxGraphics.h"

namespace {
const TUnitList* const Needs[] = {&FormsUnits};
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &vdCoreUnit,
    &vxClassesUnit,
    &vdUxThemeUnit,
    &vdThemeManagerUnit,
    &vxGeometryUnit,
    &vxDWMApiUnit,
    &vxGraphicsUnit,
};
}  // namespace

const TUnitList SuiteCoreUnits = {L"SuiteCoreUnits", Needs, Units};
