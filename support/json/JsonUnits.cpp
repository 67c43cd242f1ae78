#include "JsonUnits.h"

#include "SupportUnits.h"

namespace {
const TUnitList* const Needs[] = {&SupportUnits};
}  // namespace

const TUnitList JsonUnits = {L"JsonUnits", Needs, {}};
