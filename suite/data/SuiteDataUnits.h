// The data controller's and styles' start-up list.
#pragma once

#include "SysInit.h"

extern const TUnitList SuiteDataUnits;
