#include "SuiteShellUnits.h"

#include "SuiteCoreUnits.h"
#include "vxShellCommon.h"

namespace {
const TUnitList* const Needs[] = {&SuiteCoreUnits};
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &vxShellCommonUnit,
};
}  // namespace

const TUnitList SuiteShellUnits = {L"SuiteShellUnits", Needs, Units};
