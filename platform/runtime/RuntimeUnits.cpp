#include "RuntimeUnits.h"

#include "Classes.h"
#include "SysUtils.h"
#include "Variants.h"

namespace {
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &SysUtilsUnit,
    &VariantsUnit,
    &ClassesUnit,
};
}  // namespace

const TUnitList RuntimeUnits = {L"RuntimeUnits", {}, Units};
