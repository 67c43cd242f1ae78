// Free routines shared by the suite's controls and editors.
#pragma once

#include "System.h"

// The text without "&" accelerator marks: "&&" gives "&", "&F" gives "F"; a single
// "&" at the very end becomes "_" with AReplaceTrailing, else it is dropped.
String vxStripAccelChars(const String& S, bool AReplaceTrailing = true);
