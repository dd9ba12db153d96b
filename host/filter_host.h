#pragma once
// The host video editor's plug-in interface, as this plug-in uses it.
//
// Every record exchanged with the host is an array of 32-bit little-endian words.
// Each field's comment gives its word index [byte offset] on the 32-bit target, its
// unit, who owns it and its range. On 64-bit native builds the pointer fields grow to
// pointer size and nothing else changes; the word positions are checked at compile
// time on 32-bit targets only.
//
// Calling conventions, stated once:
//   - GetFilterTable, the module's one export, is __stdcall (HOST_EXPORT_CALL);
//   - FilterProc, FilterWndProc and every HostFunctions entry use the platform's
//     default C convention, __cdecl on i686 (HOST_CALL).
// The host calls FilterProc and FilterWndProc one at a time, on its own thread.

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

#ifdef _WIN32
#define HOST_CALL __cdecl
#define HOST_EXPORT_CALL __stdcall
#else
#define HOST_CALL
#define HOST_EXPORT_CALL
#endif

struct FilterTable;
struct ProcInfo;
struct FileInfo;

// No buffer of 2 GiB or more can exist in the host's 32-bit address space: a count
// that would make one is not a count a host can really hand over.
constexpr int64_t kLargestHostBufferBytes = 0x7FFFFFFF;

// ---- Window messages the host sends to FilterWndProc -------------------------------

constexpr UINT MSG_WINDOW_INIT = WM_USER + 103;  // 1127: the settings window now exists
constexpr UINT MSG_WINDOW_EXIT = WM_USER + 104;  // 1128: the settings window goes away

// ---- The plug-in's two procedures, reached through FilterTable words 12 and 16 -----

// Processes one frame's sound in place. Returns 1.
using FilterProcFn = int32_t(HOST_CALL*)(FilterTable* filter, ProcInfo* info);

// The settings window's procedure. A nonzero result makes the host process the
// current frame again. hostContext is the host's and is not used.
using FilterWndProcFn = int32_t(HOST_CALL*)(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam, void* hostContext,
                                            FilterTable* filter);

using GetFilterTableFn = FilterTable*(HOST_EXPORT_CALL*)();

// ---- HostFunctions: the host's services -------------------------------------------
// A table of function pointers, owned by the host, filled into the live filter
// record's word 24. The host's table may be longer; this plug-in uses entries up to 29.

// Writes the frame's sound at buffer (interleaved signed 16-bit, the current frame's
// channel count) and returns the samples per channel written. frame: 0..frameCount-1.
using ReadFrameAudioFn = int32_t(HOST_CALL*)(void* editHandle, int32_t frame, int16_t* buffer);
// Whether the frame is saved; only the answer 1 means yes.
using IsFrameSavedFn = int32_t(HOST_CALL*)(void* editHandle, int32_t frame);
// Redraws the sliders from trackValues; called after every write to them.
using RefreshFilterWindowFn = int32_t(HOST_CALL*)(FilterTable* filter);
// Fills info; only the answer 1 means it did.
using GetFileInfoFn = int32_t(HOST_CALL*)(void* editHandle, FileInfo* info);
// Whether the filter is switched on; nonzero while it is.
using IsFilterActiveFn = int32_t(HOST_CALL*)(FilterTable* filter);
// Writes the selection's first and last frame (inclusive); answers 0 when there is none.
using GetSelectionFn = int32_t(HOST_CALL*)(void* editHandle, int32_t* start, int32_t* end);
// Makes start..end (inclusive) the selection.
using SetSelectionFn = int32_t(HOST_CALL*)(void* editHandle, int32_t start, int32_t end);

struct HostFunctions {
  void* reserved0[3];                         // 0-2 [0-8]: not used
  ReadFrameAudioFn ReadFrameAudio;            // 3 [12]
  void* reserved4[14];                        // 4-17 [16-68]: not used
  IsFrameSavedFn IsFrameSaved;                // 18 [72]
  void* reserved19[2];                        // 19-20 [76-80]: not used
  RefreshFilterWindowFn RefreshFilterWindow;  // 21 [84]
  void* reserved22;                           // 22 [88]: not used
  GetFileInfoFn GetFileInfo;                  // 23 [92]
  void* reserved24;                           // 24 [96]: not used
  IsFilterActiveFn IsFilterActive;            // 25 [100]
  void* reserved26[2];                        // 26-27 [104-108]: not used
  GetSelectionFn GetSelection;                // 28 [112]
  SetSelectionFn SetSelection;                // 29 [116]
};

// ---- FilterTable: the descriptor, and the live filter record ------------------------
// The plug-in's own FilterTable is static data of the module, never written by it.
// The live filter record has the same layout: the host builds it from the table,
// owns it, fills words 17, 24 and 26, and passes it to both procedures. The plug-in
// reads those three words from the live record only; its own table holds 0 there.

struct FilterTable {
  uint32_t flags;                 // 0 [0]: host-defined bits; the plug-in presents 0x284000
  int32_t windowWidth;            // 1 [4]: settings window width, pixels
  int32_t windowHeight;           // 2 [8]: settings window height, pixels
  char* name;                     // 3 [12]: filter name, zero-terminated code page 932
  int32_t trackCount;             // 4 [16]: number of sliders, 3
  char** trackLabels;             // 5 [20]: trackCount slider labels, code page 932
  int32_t* trackDefaults;         // 6 [24]: trackCount default positions
  int32_t* trackMinimums;         // 7 [28]: trackCount lowest positions
  int32_t* trackMaximums;         // 8 [32]: trackCount highest positions
  int32_t reserved9[3];           // 9-11 [36-44]: 0
  FilterProcFn filterProc;        // 12 [48]: the processing procedure
  int32_t reserved13[3];          // 13-15 [52-60]: 0
  FilterWndProcFn filterWndProc;  // 16 [64]: the settings window's procedure
  int32_t* trackValues;           // 17 [68]: host-filled, host-owned: trackCount slider
                                  //          positions, each within its min..max
  int32_t reserved18[3];          // 18-20 [72-80]: 0
  char* information;              // 21 [84]: information line, code page 932
  int32_t reserved22[2];          // 22-23 [88-92]: 0
  HostFunctions* hostFunctions;   // 24 [96]: host-filled, host-owned service table
  int32_t reserved25;             // 25 [100]: 0
  HINSTANCE instance;             // 26 [104]: host-filled: the module's instance handle,
                                  //           owner of the plug-in's buttons
  int32_t reserved27[8];          // 27-34 [108-136]: 0
};

// ---- ProcInfo: the host's per-call record, second argument of FilterProc -----------
// Owned by the host, never written by the plug-in. All numbers signed.

struct ProcInfo {
  int32_t reserved0[7];   // 0-6 [0-24]: not used
  int32_t currentFrame;   // 7 [28]: the frame being processed, 0..frameCount-1
  int32_t frameCount;     // 8 [32]: frames in the edit
  int32_t reserved9[2];   // 9-10 [36-40]: not used
  int16_t* audioData;     // 11 [44]: the frame's sound, interleaved signed 16-bit
                          //          (left at even, right at odd indices), host-owned,
                          //          changed in place; audioCount * audioChannels values
  int32_t audioCount;     // 12 [48]: samples per channel in this frame
  int32_t audioChannels;  // 13 [52]: 1 for mono; any other value means two interleaved
  int32_t reserved14;     // 14 [56]: not used
  void* editHandle;       // 15 [60]: opaque, handed back to the host's services
};

// ---- FileInfo: provided by the plug-in, filled by GetFileInfo ----------------------

struct FileInfo {
  int32_t reserved0[4];  // 0-3 [0-12]: not used
  int32_t videoRate;     // 4 [16]: frame rate numerator; frame rate = videoRate / videoScale
  int32_t videoScale;    // 5 [20]: frame rate denominator
  int32_t audioRate;     // 6 [24]: samples per second and channel
  int32_t reserved7[9];  // 7-15 [28-60]: not used
};

// ---- Word positions ------------------------------------------------------------------

#define HOST_WORD_AT(record, field, word) \
  static_assert(offsetof(record, field) == 4 * (word), #record "." #field " is word " #word)

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(FilterTable) == 140, "FilterTable is 35 words");
HOST_WORD_AT(FilterTable, name, 3);
HOST_WORD_AT(FilterTable, trackCount, 4);
HOST_WORD_AT(FilterTable, trackLabels, 5);
HOST_WORD_AT(FilterTable, trackDefaults, 6);
HOST_WORD_AT(FilterTable, trackMinimums, 7);
HOST_WORD_AT(FilterTable, trackMaximums, 8);
HOST_WORD_AT(FilterTable, filterProc, 12);
HOST_WORD_AT(FilterTable, filterWndProc, 16);
HOST_WORD_AT(FilterTable, trackValues, 17);
HOST_WORD_AT(FilterTable, information, 21);
HOST_WORD_AT(FilterTable, hostFunctions, 24);
HOST_WORD_AT(FilterTable, instance, 26);
HOST_WORD_AT(FilterTable, reserved27, 27);

static_assert(sizeof(ProcInfo) == 64, "ProcInfo words 0-15");
HOST_WORD_AT(ProcInfo, currentFrame, 7);
HOST_WORD_AT(ProcInfo, frameCount, 8);
HOST_WORD_AT(ProcInfo, audioData, 11);
HOST_WORD_AT(ProcInfo, audioCount, 12);
HOST_WORD_AT(ProcInfo, audioChannels, 13);
HOST_WORD_AT(ProcInfo, editHandle, 15);
#endif

static_assert(sizeof(FileInfo) == 64, "FileInfo is 16 words");
HOST_WORD_AT(FileInfo, videoRate, 4);
HOST_WORD_AT(FileInfo, videoScale, 5);
HOST_WORD_AT(FileInfo, audioRate, 6);

// HostFunctions holds only pointers: entry n is at n pointers on every target.
#define HOST_ENTRY_AT(field, index)                                       \
  static_assert(offsetof(HostFunctions, field) == sizeof(void*) * (index), \
                "HostFunctions." #field " is entry " #index)
HOST_ENTRY_AT(ReadFrameAudio, 3);
HOST_ENTRY_AT(IsFrameSaved, 18);
HOST_ENTRY_AT(RefreshFilterWindow, 21);
HOST_ENTRY_AT(GetFileInfo, 23);
HOST_ENTRY_AT(IsFilterActive, 25);
HOST_ENTRY_AT(GetSelection, 28);
HOST_ENTRY_AT(SetSelection, 29);
static_assert(sizeof(HostFunctions) == sizeof(void*) * 30, "HostFunctions entries 0-29");
