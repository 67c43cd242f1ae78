#include "LoggingUnits.h"

#include "FormsUnits.h"
#include "VRNetUnits.h"
#include "VantrelGlobal.h"
#include "VantrelLogging.h"

namespace {
const TUnitList* const Needs[] = {&FormsUnits, &VRNetUnits};
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &VantrelGlobalUnit,
    &VantrelLoggingUnit,
};
}  // namespace

const TUnitList LoggingUnits = {L"LoggingUnits", Needs, Units};
