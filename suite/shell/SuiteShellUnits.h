// The shell controls' start-up list.
#pragma once

#include "SysInit.h"

extern const TUnitList SuiteShellUnits;
