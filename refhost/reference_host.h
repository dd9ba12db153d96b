#pragma once
// The reference host: what a video editor does with this plug-in, in portable C++.
//
// It holds an edit (its sound, sample rate, channels and frame rate), gets the
// plug-in's table through GetFilterTable, builds the live filter record from a copy of
// it, and calls the two procedures through words 12 and 16 only, as a real host would.
// It serves every host service from the edit and from the answers set below, records
// each call the plug-in makes, and surrounds every buffer it hands the plug-in with
// guard bytes that it checks after each call.
//
// Used by the native tests, the Windows test program, the fuzzer and the renderer.
// One thread; several hosts may live at once.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/filter_host.h"

// ---- The edit ---------------------------------------------------------------------

struct Edit {
  int32_t audioRate = 48000;     // samples per second and channel, > 0
  int32_t channels = 2;          // 1 or 2 (more are served alike, interleaved)
  int32_t videoRate = 30000;     // frame rate = videoRate / videoScale, both > 0
  int32_t videoScale = 1001;
  std::vector<int16_t> samples;  // the whole edit's sound, interleaved
  // An edit too long to hold (an hour of sound, say) comes from a generator instead:
  // while `generate` is set, the sound is `generatedLength` samples per channel, and
  // generate(first, count, out) writes samples first..first+count-1 of it, interleaved.
  int64_t generatedLength = 0;
  std::function<void(int64_t first, int32_t count, int16_t* out)> generate;
};

// Samples per channel in the whole edit.
int64_t EditLength(const Edit& edit);
// Frame k starts at sample floor(k * audioRate * videoScale / videoRate), in exact
// integer arithmetic (audioRate * videoScale below 2^32 keeps it inside 64 bits).
int64_t FrameStart(const Edit& edit, int64_t frame);
// Frames in the edit: every frame starts inside the sound; the last may be short.
int32_t FrameCount(const Edit& edit);
// Samples per channel of one frame of the edit; 0 outside it.
int32_t FrameLength(const Edit& edit, int32_t frame);
// The frame's own sound, interleaved, as the edit holds it.
std::vector<int16_t> FrameSound(const Edit& edit, int32_t frame);
// Writes the frame's own sound at out (FrameLength * channels values).
void WriteFrameSound(const Edit& edit, int32_t frame, int16_t* out);

// ---- What the host records ----------------------------------------------------------

enum class HostService {
  ReadFrameAudio,
  IsFrameSaved,
  RefreshFilterWindow,
  GetFileInfo,
  IsFilterActive,
  GetSelection,
  SetSelection,
};

const char* HostServiceName(HostService service);

struct HostCall {
  HostService service;
  bool knownHandle = true;  // editHandle or filter was the one this host handed out
  int32_t frame = 0;        // ReadFrameAudio, IsFrameSaved: the frame asked about
  int32_t start = 0;        // SetSelection: arguments; GetSelection: the values written
  int32_t end = 0;
  int32_t answer = 0;       // what the host answered
  int32_t trackValues[3] = {};  // RefreshFilterWindow: the sliders it was asked to show
};

// One call of FilterProc with values of the caller's choosing (a hostile host).
struct ProcFields {
  int32_t currentFrame = 0;
  int32_t frameCount = 0;
  int32_t audioCount = 0;     // the sound buffer holds max(0, audioCount) *
  int32_t audioChannels = 1;  // max(0, audioChannels) values
};

class ReferenceHost {
 public:
  ReferenceHost(GetFilterTableFn getFilterTable, Edit edit);
  ~ReferenceHost();
  ReferenceHost(const ReferenceHost&) = delete;
  ReferenceHost& operator=(const ReferenceHost&) = delete;

  // ---- The host's state and its answers; tests and tools set them freely.
  Edit edit;
  bool hasSelection = false;
  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
  int32_t currentFrame = 0;            // the frame the host stands on
  std::set<int32_t> unsavedFrames;     // IsFrameSaved answers unsavedAnswer for these,
  int32_t unsavedAnswer = 0;           // and 1 for every other frame
  int32_t isFilterActiveAnswer = 1;
  int32_t getFileInfoAnswer = 1;
  FileInfo fileInfo = {};              // what GetFileInfo writes; built from the edit
  // ReadFrameAudio always writes the frame's natural sound; this may change the
  // length it answers (frame asked, natural length) -> length answered.
  std::function<int32_t(int32_t, int32_t)> readLengthAnswer;
  // Called on every service call before the host answers it: lets a test play a host
  // that changes its state mid-call (moves a slider, say).
  std::function<void(HostService)> onServiceCall;
  HWND settingsWindow = nullptr;       // first argument of FilterWndProc
  bool recordCalls = true;             // off for long renders

  std::vector<HostCall> calls;         // every service call, in order
  std::vector<std::string> faults;     // guard or record damage seen after a call

  // ---- What the host hands the plug-in.
  const FilterTable* pluginTable() const { return pluginTable_; }  // GetFilterTable's
  FilterTable* liveFilter();        // the live filter record
  int32_t* trackValues();           // the live slider positions, in track order
  void* editHandle() const;         // opaque handle passed in ProcInfo
  // Word 26 of the live record, the module's instance handle. A fake non-null value
  // unless set: a host that loaded the module fills in the module's own handle.
  void SetModuleInstance(HINSTANCE instance);
  int32_t frameCount() const { return FrameCount(edit); }

  // ---- Driving the plug-in.
  // Processes frame `frame` of the edit: its sound goes through FilterProc. Returns
  // FilterProc's result; the sound after the call is in `audio`.
  int32_t ProcessFrame(int32_t frame, std::vector<int16_t>& audio);
  // Calls FilterProc with the given record values and sound buffer.
  int32_t CallFilterProc(const ProcFields& fields, std::vector<int16_t>& audio);
  // Sends a message to FilterWndProc. Like a host, a nonzero answer makes it process
  // currentFrame again; that frame's sound is then in lastPreview.
  int32_t SendWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // A press of the button with this control identifier.
  int32_t Press(UINT controlId) { return SendWindowMessage(WM_COMMAND, controlId, 0); }
  std::vector<int16_t> lastPreview;

  // Renders frames 0..frameCount-1 in order, end to end.
  std::vector<int16_t> RenderEdit();

  // Calls of one service, in order.
  std::vector<HostCall> CallsOf(HostService service) const;

 private:
  struct Guarded;
  void CheckAfterCall(const char* procedure);

  const FilterTable* pluginTable_;
  std::unique_ptr<Guarded> guarded_;
};
