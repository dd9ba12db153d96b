#pragma once
// The plug-in's heap allocations, seen from outside it.
#include <cstddef>

struct AllocationReport {
  int allocations;   // allocations of at least the threshold asked for while armed
  size_t lastBytes;  // the size of the last one
  int released;      // how many of those were freed while armed
};

// How a test program watches the plug-in's heap: the native one stands in for malloc,
// the Windows one patches the DLL's imports of msvcrt's malloc and free.
struct AllocationWatch {
  void (*arm)(size_t thresholdBytes, bool refuse);
  AllocationReport (*disarm)();
};
