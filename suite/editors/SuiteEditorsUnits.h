// The editor framework's start-up list.
#pragma once

#include "SysInit.h"

extern const TUnitList SuiteEditorsUnits;
