#include "SuiteShellUnits.h"

#include "SuiteCoreUnits.h"
#include "SuiteDataUnits.h"
#include "vxShellCommon.h"
#include "vxShellListView.h"
#include "vxShellTreeView.h"

namespace {
const TUnitList* const Needs[] = {&SuiteCoreUnits, &SuiteDataUnits};
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &vxShellCommonUnit,
    &vxShellListViewUnit,
    &vxShellTreeViewUnit,
};
}  // namespace

const TUnitList SuiteShellUnits = {L"SuiteShellUnits", Needs, Units};
