#include "SuiteDataUnits.h"

#include "SuiteCoreUnits.h"
#include "vxCustomData.h"
#include "vxData.h"
#include "vxFilter.h"
#include "vxFilterConsts.h"
#include "vxLike.h"
#include "vxDataConsts.h"
#include "vxDataStorage.h"
#include "vxDataUtils.h"
#include "vxStyles.h"
#include "vxVariants.h"

namespace {
const TUnitList* const Needs[] = {&SuiteCoreUnits};
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &vxDataConstsUnit,
    &vxVariantsUnit,
    &vxDataUtilsUnit,
    &vxLikeUnit,
    &vxFilterConstsUnit,
    &vxFilterUnit,
    &vxDataStorageUnit,
    &vxCustomDataUnit,
    &vxDataUnit,
    &vxStylesUnit,
};
}  // namespace

const TUnitList SuiteDataUnits = {L"SuiteDataUnits", Needs, Units};
