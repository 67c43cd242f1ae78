// The JSON library's start-up list; it stands on the support library.
#pragma once

#include "SysInit.h"

extern const TUnitList JsonUnits;
