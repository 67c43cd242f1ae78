// The editors' painting tests draw on the suite core's test surface.
#pragma once

#include "../../core/tests/TestSurface.h"

namespace zs_edit_test {
using Surface = zs_test::TestSurface;
}  // namespace zs_edit_test
