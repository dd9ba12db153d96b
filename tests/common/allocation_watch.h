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

// The bookkeeping behind both watches: while armed, which blocks of at least the
// threshold were handed out, and how many of them came back. Plain static storage,
// since it runs inside malloc itself.
struct AllocationTracker {
  bool armed = false;
  bool refuse = false;
  size_t threshold = 0;
  AllocationReport report = {};
  void* blocks[64] = {};

  void Arm(size_t thresholdBytes, bool refuseThem) {
    *this = AllocationTracker();
    threshold = thresholdBytes;
    refuse = refuseThem;
    armed = true;
  }
  AllocationReport Disarm() {
    armed = false;
    return report;
  }
  // Whether an allocation of this size is watched (and so refused when refusing).
  bool Watches(size_t size) const { return armed && size >= threshold; }
  void Allocated(size_t size, void* block) {
    ++report.allocations;
    report.lastBytes = size;
    for (void*& slot : blocks) {
      if (block != nullptr && slot == nullptr) {
        slot = block;
        break;
      }
    }
  }
  void Released(void* block) {
    if (!armed || block == nullptr) return;
    for (void*& slot : blocks) {
      if (slot == block) {
        slot = nullptr;
        ++report.released;
      }
    }
  }
};
