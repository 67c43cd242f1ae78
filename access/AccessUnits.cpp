#include "AccessUnits.h"

#include "JsonUnits.h"
#include "RuntimeUnits.h"
#include "QvNTSecurityUnit.h"

namespace {
const TUnitList* const Needs[] = {&RuntimeUnits, &JsonUnits};
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &QvNTSecurityUnitUnit,
};
}  // namespace

const TUnitList AccessUnits = {L"AccessUnits", Needs, Units};
