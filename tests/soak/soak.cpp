// The soak: renders a long edit (an hour by default) of 60 fps stereo sound at
// 48000 Hz through the plug-in, once with offsetMs at 599 and once at -599, with a
// selection whose edges ramp and with presses of both buttons on the way.
//
// It proves that the plug-in neither leaks nor writes out of bounds over a long run:
// the heap in use is the same at the end as at the start, and no guard byte of the
// host's records and buffers changed. The sound is generated frame by frame, so the
// run's memory stays a few hundred kilobytes however long the edit is.
//
//   soak [seconds of edit]      exit status 0 when every check holds
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define SOAK_UNDER_ASAN 1
#endif

#ifdef SOAK_UNDER_ASAN
// The sanitizer runtime's count of bytes in use (declared by clang's
// <sanitizer/allocator_interface.h>, which GCC does not ship).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include "host/tracks.h"
#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "selection/filter_wnd_proc.h"

namespace {

constexpr int32_t kAudioRate = 48000;
constexpr int32_t kFramesPerSecond = 60;

// Bytes of heap in use: the sanitizer's own count under AddressSanitizer, else the C
// library's (arena blocks in use plus mapped blocks).
uint64_t HeapInUse() {
#ifdef SOAK_UNDER_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

// A sound that is never silent and differs between the channels: two sawtooths of
// unrelated periods, a few thousand units loud.
void GenerateSound(int64_t first, int32_t count, int16_t* out) {
  for (int32_t i = 0; i < count; ++i) {
    const int64_t n = first + i;
    out[2 * i] = static_cast<int16_t>(n % 331 * 20 - 3300 + (n % 2 == 0 ? 7 : -7));
    out[2 * i + 1] = static_cast<int16_t>(4000 - n % 127 * 60 - 1);
  }
}

struct PassResult {
  int64_t frames = 0;
  int64_t presses = 0;
  int64_t silentFrames = 0;
  int64_t soundingFrames = 0;
  bool silenceOutsideRampsHeld = true;
};

// Renders every frame with the given offset. Every `pressEvery` frames the start
// button is pressed on the frame being rendered, moving the selection's start up to
// it, as an editor would; the last press is one of the end button.
PassResult RenderPass(ReferenceHost& host, int32_t offsetMs, int32_t pressEvery,
                      std::vector<int16_t>& audio) {
  PassResult result;
  host.trackValues()[TRACK_OFFSET_MS] = offsetMs;
  const int32_t frames = host.frameCount();
  for (int32_t frame = 0; frame < frames; ++frame) {
    host.currentFrame = frame;
    if (frame > 0 && frame % pressEvery == 0) {
      host.Press(frame + pressEvery < frames ? ID_SELECT_START : ID_SELECT_END);
      Win32StandinReset();  // the stand-in's record of calls must not grow
      ++result.presses;
    }
    host.ProcessFrame(frame, audio);
    bool silent = true;
    for (int16_t value : audio) silent = silent && value == 0;
    silent ? ++result.silentFrames : ++result.soundingFrames;
    // Before the ramp-in frame and after the ramp-out frame every frame is silent.
    if (host.hasSelection) {
      const int64_t rampIn = int64_t{host.selectionStart} + host.trackValues()[TRACK_FRONT_FRAMES] - 1;
      const int64_t rampOut = int64_t{host.selectionEnd} - host.trackValues()[TRACK_BACK_FRAMES] + 1;
      if ((frame < rampIn || frame > rampOut) && !silent) result.silenceOutsideRampsHeld = false;
    }
    ++result.frames;
    if (!host.faults.empty()) break;
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t seconds = argc > 1 ? std::atoll(argv[1]) : 3600;
  if (seconds < 1) {
    std::fprintf(stderr, "usage: soak [seconds of edit, at least 1]\n");
    return 2;
  }
  std::printf("soak: %" PRId64 " s of 60 fps stereo sound at 48000 Hz, offsetMs 599 then -599\n", seconds);
  std::fflush(stdout);

  int status = 0;
  {
    Edit edit;
    edit.audioRate = kAudioRate;
    edit.channels = 2;
    edit.videoRate = kFramesPerSecond;
    edit.videoScale = 1;
    edit.generatedLength = seconds * kAudioRate;
    edit.generate = GenerateSound;

    ReferenceHost host(GetFilterTable, edit);
    host.recordCalls = false;
    host.SendWindowMessage(MSG_WINDOW_INIT, 0, 0);
    Win32StandinReset();
    const int32_t frames = host.frameCount();
    host.hasSelection = true;
    host.selectionStart = frames / 10;
    host.selectionEnd = frames - frames / 10;
    host.trackValues()[TRACK_FRONT_FRAMES] = 3;
    host.trackValues()[TRACK_BACK_FRAMES] = 2;
    const int32_t selectionStart = host.selectionStart, selectionEnd = host.selectionEnd;
    // A press about every 40 seconds of edit, at least a few per pass.
    const int32_t pressEvery = frames / 8 < 2400 ? (frames / 8 > 1 ? frames / 8 : 1) : 2400;

    std::vector<int16_t> audio;
    const uint64_t heapAtStart = HeapInUse();
    PassResult passes[2];
    for (int i = 0; i < 2; ++i) {
      host.selectionStart = selectionStart;  // each pass starts from the same selection
      host.selectionEnd = selectionEnd;
      passes[i] = RenderPass(host, i == 0 ? 599 : -599, pressEvery, audio);
    }
    std::vector<int16_t>().swap(audio);
    std::vector<int16_t>().swap(host.lastPreview);
    const uint64_t heapAtEnd = HeapInUse();

    for (int i = 0; i < 2; ++i) {
      const PassResult& pass = passes[i];
      std::printf("soak: offsetMs %4d: %" PRId64 " frames (%" PRId64 " silent, %" PRId64
                  " sounding), %" PRId64 " presses\n",
                  i == 0 ? 599 : -599, pass.frames, pass.silentFrames, pass.soundingFrames, pass.presses);
      if (pass.frames != frames) status = 1;
      if (!pass.silenceOutsideRampsHeld) {
        std::printf("soak: FAIL: a frame outside the ramp frames had sound\n");
        status = 1;
      }
      if (pass.soundingFrames == 0) {
        std::printf("soak: FAIL: no frame had sound\n");
        status = 1;
      }
    }
    std::printf("soak: heap in use at start %" PRIu64 " bytes, at end %" PRIu64 " bytes\n", heapAtStart,
                heapAtEnd);
    if (heapAtEnd != heapAtStart) {
      std::printf("soak: FAIL: the heap in use changed by %" PRId64 " bytes\n",
                  static_cast<int64_t>(heapAtEnd - heapAtStart));
      status = 1;
    }
    for (const std::string& fault : host.faults) {
      std::printf("soak: FAIL: %s\n", fault.c_str());
      status = 1;
    }
    host.SendWindowMessage(MSG_WINDOW_EXIT, 0, 0);
    std::vector<int16_t> none;
    host.CallFilterProc(ProcFields{}, none);  // no request left pending
  }
  Win32StandinReset();
  std::printf("soak: %s\n", status == 0 ? "passed" : "FAILED");
  return status;
}
