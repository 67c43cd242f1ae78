// The socket library's start-up list.
#pragma once

#include "SysInit.h"

extern const TUnitList VRNetUnits;
