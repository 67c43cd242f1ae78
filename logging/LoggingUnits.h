// The logging client's start-up list.
#pragma once

#include "SysInit.h"

extern const TUnitList LoggingUnits;
