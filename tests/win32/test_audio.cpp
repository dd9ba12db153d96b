// The audio stages' exact-value cases in the real Brisdale.auf: the same cases as the
// native tests, so the 32-bit DLL is shown to give the native results bit for bit.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/common/exact_cases.h"
#include "tests/win32/loaded_module.h"

namespace {

// ---- Watching the DLL's heap through its imports of msvcrt's malloc and free ---------

using MallocFn = void*(__cdecl*)(size_t);
using FreeFn = void(__cdecl*)(void*);

MallocFn s_realMalloc = nullptr;
FreeFn s_realFree = nullptr;
AllocationTracker s_tracker;

void* __cdecl WatchedMalloc(size_t size) {
  if (!s_tracker.Watches(size)) return s_realMalloc(size);
  void* block = s_tracker.refuse ? nullptr : s_realMalloc(size);
  s_tracker.Allocated(size, block);
  return block;
}

void __cdecl WatchedFree(void* pointer) {
  s_tracker.Released(pointer);
  s_realFree(pointer);
}

// Points the module's import of msvcrt.dll!name at `replacement`; returns the old target.
void* PatchImport(HMODULE module, const char* name, void* replacement) {
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       entry->Name != 0; ++entry) {
    if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), "msvcrt.dll") != 0) continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + entry->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA32*>(const_cast<unsigned char*>(base) + entry->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (names->u1.Ordinal & IMAGE_ORDINAL_FLAG32) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
      DWORD oldProtection = 0;
      VirtualProtect(&slots->u1.Function, sizeof(DWORD), PAGE_READWRITE, &oldProtection);
      void* previous = reinterpret_cast<void*>(static_cast<uintptr_t>(slots->u1.Function));
      slots->u1.Function = static_cast<DWORD>(reinterpret_cast<uintptr_t>(replacement));
      VirtualProtect(&slots->u1.Function, sizeof(DWORD), oldProtection, &oldProtection);
      return previous;
    }
  }
  return nullptr;
}

void ArmWatch(size_t thresholdBytes, bool refuse) {
  if (s_realMalloc == nullptr) {
    s_realMalloc = reinterpret_cast<MallocFn>(
        PatchImport(Plugin().module, "malloc", reinterpret_cast<void*>(WatchedMalloc)));
    s_realFree = reinterpret_cast<FreeFn>(
        PatchImport(Plugin().module, "free", reinterpret_cast<void*>(WatchedFree)));
  }
  ASSERT_NE(s_realMalloc, nullptr) << "Brisdale.auf imports no malloc from msvcrt.dll";
  ASSERT_NE(s_realFree, nullptr) << "Brisdale.auf imports no free from msvcrt.dll";
  s_tracker.Arm(thresholdBytes, refuse);
}

AllocationReport DisarmWatch() { return s_tracker.Disarm(); }

constexpr AllocationWatch kImportWatch = {ArmWatch, DisarmWatch};

TEST(Win32Audio, RampValues) { exact::CheckRampValues(Plugin().getFilterTable); }

TEST(Win32Audio, DefaultRoundingWhateverTheHostSet) {
  exact::CheckUnderHostRoundingMode(Plugin().getFilterTable);
}

TEST(Win32Audio, Shifts) { exact::CheckShifts(Plugin().getFilterTable); }

TEST(Win32Audio, GatherCounts) { exact::CheckGatherCounts(Plugin().getFilterTable); }

TEST(Win32Audio, GatherBufferSizes) {
  exact::CheckGatherAllocations(Plugin().getFilterTable, kImportWatch);
}

TEST(Win32Audio, RefusedAllocation) {
  exact::CheckRefusedAllocation(Plugin().getFilterTable, kImportWatch);
}

TEST(Win32Audio, WholeEditRendersGiveTheNativeDigests) {
  exact::CheckGoldenRenders(Plugin().getFilterTable);
}

}  // namespace
