// The shared precompiled header of the test programs: the system headers and GoogleTest.
#pragma once

#include "SystemPch.h"

#include <gtest/gtest.h>
