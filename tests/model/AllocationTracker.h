// Watches the sizes of allocations: this test program replaces the global
// operator new and delete (every form, in AllocationTracker.cpp) so that a
// test can learn the largest single request made while it watches.
//
// Under valgrind, run with --soname-synonyms=somalloc=NONE so that valgrind
// replaces these operators as a pair.
#pragma once

#include <cstddef>

void StartTrackingAllocations();
// Stops watching and returns the largest request seen since the start.
size_t StopTrackingAllocations();
