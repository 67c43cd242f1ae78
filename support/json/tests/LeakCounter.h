// Counts the blocks taken from operator new and not yet given back, so that tests can
// show that an operation (a failed parse, a conversion) leaks nothing and frees nothing
// twice.
#pragma once

long long LiveAllocations();
