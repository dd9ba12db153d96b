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
bool s_armed = false;
bool s_refuse = false;
size_t s_threshold = 0;
AllocationReport s_report = {};
constexpr int kTracked = 64;
void* s_tracked[kTracked];  // large blocks handed out while armed, to count releases
}  // namespace

extern "C" void* malloc(size_t size) {
  if (!s_armed || size < s_threshold) return __libc_malloc(size);
  ++s_report.allocations;
  s_report.lastBytes = size;
  if (s_refuse) return nullptr;
  void* block = __libc_malloc(size);
  for (void*& slot : s_tracked) {
    if (slot == nullptr) {
      slot = block;
      break;
    }
  }
  return block;
}

extern "C" void free(void* pointer) {
  if (s_armed && pointer != nullptr) {
    for (void*& slot : s_tracked) {
      if (slot == pointer) {
        slot = nullptr;
        ++s_report.released;
      }
    }
  }
  __libc_free(pointer);
}

bool AllocationProbeAvailable() { return true; }

void ArmAllocationProbe(size_t thresholdBytes, bool refuse) {
  s_report = {};
  for (void*& slot : s_tracked) slot = nullptr;
  s_threshold = thresholdBytes;
  s_refuse = refuse;
  s_armed = true;
}

AllocationReport DisarmAllocationProbe() {
  s_armed = false;
  return s_report;
}

#endif
