// The support library's start-up list; it stands on the runtime.
#pragma once

#include "SysInit.h"

extern const TUnitList SupportUnits;
