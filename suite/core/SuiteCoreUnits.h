// The suite core's start-up list; it stands on the forms library.
#pragma once

#include "SysInit.h"

extern const TUnitList SuiteCoreUnits;
