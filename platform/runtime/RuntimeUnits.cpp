#include "RuntimeUnits.h"

#include "Classes.h"
#include "FMTBcd.h"
#include "SqlTimSt.h"
#include "SysUtils.h"
#include "Variants.h"

namespace {
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &SysUtilsUnit,
    &VariantsUnit,
    &FMTBcdUnit,
    &SqlTimStUnit,
    &ClassesUnit,
};
}  // namespace

const TUnitList RuntimeUnits = {L"RuntimeUnits", {}, Units};
