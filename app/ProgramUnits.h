// The program's start-up list: every layer the program is built from, in start-up order.
#pragma once

#include "SysInit.h"

extern const TUnitList ProgramUnits;
