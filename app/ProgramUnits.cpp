#include "ProgramUnits.h"

#include "AccessUnits.h"
#include "FormsUnits.h"
#include "JsonUnits.h"
#include "SuiteCoreUnits.h"

namespace {
// The runtime and the forms library first, then the subsystems from the bottom up.
const TUnitList* const Needs[] = {
    &FormsUnits,
    &JsonUnits,
    &AccessUnits,
    &SuiteCoreUnits,
};
}  // namespace

const TUnitList ProgramUnits = {L"ProgramUnits", Needs, {}};
