#include "ProgramUnits.h"

#include "AccessUnits.h"
#include "FormsUnits.h"
#include "JsonUnits.h"
#include "LoggingUnits.h"
#include "SuiteCoreUnits.h"
#include "SuiteDataUnits.h"
#include "SuiteEditorsStdUnits.h"
#include "SuiteEditorsUnits.h"
#include "SuitePageControlUnits.h"
#include "SuiteTreeListUnits.h"
#include "SuiteShellUnits.h"

namespace {
// The runtime and the forms library first, then the subsystems from the bottom up.
const TUnitList* const Needs[] = {
    &FormsUnits,
    &LoggingUnits,
    &JsonUnits,
    &AccessUnits,
    &SuiteCoreUnits,
    &SuiteDataUnits,
    &SuiteEditorsUnits,
    &SuiteEditorsStdUnits,
    &SuiteTreeListUnits,
    &SuitePageControlUnits,
    &SuiteShellUnits,
};
}  // namespace

const TUnitList ProgramUnits = {L"ProgramUnits", Needs, {}};
