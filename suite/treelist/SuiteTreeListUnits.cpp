#include "SuiteTreeListUnits.h"

#include "SuiteEditorsStdUnits.h"
#include "vxInplaceContainer.h"
#include "vxTL.h"
#include "vxTLStrs.h"

namespace {
const TUnitList* const Needs[] = {&SuiteEditorsStdUnits};
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &vxInplaceContainerUnit,
    &vxTLStrsUnit,
    &vxTLUnit,
};
}  // namespace

const TUnitList SuiteTreeListUnits = {L"SuiteTreeListUnits", Needs, Units};
