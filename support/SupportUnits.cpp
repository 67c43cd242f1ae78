#include "SupportUnits.h"

#include "RuntimeUnits.h"

namespace {
const TUnitList* const Needs[] = {&RuntimeUnits};
}  // namespace

const TUnitList SupportUnits = {L"SupportUnits", Needs, {}};
