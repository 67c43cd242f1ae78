// The access-control model's start-up list; it stands on the runtime and the JSON library.
#pragma once

#include "SysInit.h"

extern const TUnitList AccessUnits;
