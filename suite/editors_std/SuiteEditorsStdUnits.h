// The standard editors' start-up list.
#pragma once

#include "SysInit.h"

extern const TUnitList SuiteEditorsStdUnits;
