// The tree list's start-up list.
#pragma once

#include "SysInit.h"

extern const TUnitList SuiteTreeListUnits;
