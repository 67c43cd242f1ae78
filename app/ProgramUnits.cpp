#include "ProgramUnits.h"

#include "AccessUnits.h"
#include "FormsUnits.h"
#include "JsonUnits.h"
#include "LoggingUnits.h"
#include "SuiteCoreUnits.h"
#include "SuiteDataUnits.h"
#include "SuitePageControlUnits.h"

namespace {
// The runtime and the forms library first, then the subsystems from the bottom up.
const TUnitList* const Needs[] = {
    &FormsUnits,
    &LoggingUnits,
    &JsonUnits,
    &AccessUnits,
    &SuiteCoreUnits,
    &SuiteDataUnits,
    &SuitePageControlUnits,
};
}  // namespace

const TUnitList ProgramUnits = {L"ProgramUnits", Needs, {}};
