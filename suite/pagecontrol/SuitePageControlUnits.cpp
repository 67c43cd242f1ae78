#include "SuitePageControlUnits.h"

#include "SuiteCoreUnits.h"
#include "vxPC.h"
#include "vxPCConsts.h"
#include "vxPCPainters.h"

namespace {
const TUnitList* const Needs[] = {&SuiteCoreUnits};
// Start-up order; shut-down runs in reverse. The painters register themselves as their
// unit starts, so a form holding a page control finds its painter when it loads.
const TUnitInfo* const Units[] = {
    &vxPCConstsUnit,
    &vxPCUnit,
    &vxPCPaintersUnit,
};
}  // namespace

const TUnitList SuitePageControlUnits = {L"SuitePageControlUnits", Needs, Units};
