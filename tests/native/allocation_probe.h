#pragma once
// Watches the heap allocations of at least a given size while armed, and can refuse
// them: the test program stands in for the C library's malloc and free (glibc lets a
// program replace them), so the plug-in's own calls are seen without any hook in it.
// Not available under AddressSanitizer, which owns malloc itself.
#include <cstddef>

#include "tests/common/allocation_watch.h"

bool AllocationProbeAvailable();
// From now on, watch allocations of at least `thresholdBytes`; refuse them if `refuse`.
void ArmAllocationProbe(size_t thresholdBytes, bool refuse);
// Stops watching and reports what was seen since arming.
AllocationReport DisarmAllocationProbe();

// The probe as the shared exact-value cases use it.
constexpr AllocationWatch kAllocationProbe = {ArmAllocationProbe, DisarmAllocationProbe};
