#include "tests/native/allocation_probe.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRISDALE_NO_MALLOC_PROBE 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BRISDALE_NO_MALLOC_PROBE 1
#endif

#ifdef BRISDALE_NO_MALLOC_PROBE

bool AllocationProbeAvailable() { return false; }
void ArmAllocationProbe(size_t, bool) {}
AllocationReport DisarmAllocationProbe() { return {}; }

#else

extern "C" void* __libc_malloc(size_t size);
extern "C" void __libc_free(void* pointer);

namespace {
AllocationTracker s_tracker;
}  // namespace

extern "C" void* malloc(size_t size) {
  if (!s_tracker.Watches(size)) return __libc_malloc(size);
  void* block = s_tracker.refuse ? nullptr : __libc_malloc(size);
  s_tracker.Allocated(size, block);
  return block;
}

extern "C" void free(void* pointer) {
  s_tracker.Released(pointer);
  __libc_free(pointer);
}

bool AllocationProbeAvailable() { return true; }

void ArmAllocationProbe(size_t thresholdBytes, bool refuse) { s_tracker.Arm(thresholdBytes, refuse); }

AllocationReport DisarmAllocationProbe() { return s_tracker.Disarm(); }

#endif
